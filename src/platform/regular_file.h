// Opening a file for reading only when it is a regular file: pictures named
// by search hits may be pipes, devices or folders, and opening one of those
// must never block or touch the device.
#pragma once

#include <QFile>
#include <QString>

namespace orvanta::platform {

// Opens `file` read-only on the regular file at `path` (links followed).
// Anything else (a pipe, a device, a folder, a missing path, a path holding
// a NUL) is never opened for reading, and the open never waits, also when
// the path is swapped for something else between the check and the open.
// False when nothing was opened.
bool openRegularFile(QFile& file, const QString& path);

}  // namespace orvanta::platform
