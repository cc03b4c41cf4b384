// Reading only regular files: a whole file of bounded size, or a file
// opened for reading. A FIFO, a device or a folder (settings files, or
// pictures named by search hits) is refused at once, never opened for
// reading, so nothing blocks or touches a device.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>

namespace orvanta::platform {

enum class RegularFileStatus {
  Read,        // `bytes` holds the whole file
  Missing,     // nothing at the path
  NotRegular,  // a FIFO, a device, a folder... (after following symbolic links)
  TooLarge,    // more than the bytes allowed
  Unreadable,  // there, but it cannot be opened or read
};

struct RegularFileContent {
  RegularFileStatus status = RegularFileStatus::Unreadable;
  QByteArray bytes;
};

RegularFileContent readRegularFile(const QString& path, qint64 maxBytes);

// Opens `file` read-only on the regular file at `path` (links followed).
// Anything else (a pipe, a device, a folder, a missing path, a path holding
// a NUL) is never opened for reading, and the open never waits, also when
// the path is swapped for something else between the check and the open.
// False when nothing was opened.
bool openRegularFile(QFile& file, const QString& path);

}  // namespace orvanta::platform
