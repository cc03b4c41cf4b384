// Reading a whole file only when it is a regular file of bounded size. A
// FIFO, a device, a folder or an oversized file is refused at once, without
// blocking and without reading it.
#pragma once

#include <QByteArray>
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

}  // namespace orvanta::platform
