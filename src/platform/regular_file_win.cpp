// Bounded reading of regular files on Windows: devices, pipes and folders
// are not files there, and the size is checked before reading.
#include "regular_file.h"

#include <QFile>
#include <QFileInfo>

namespace orvanta::platform {

RegularFileContent readRegularFile(const QString& path, qint64 maxBytes) {
  RegularFileContent content;
  const QFileInfo info(path);
  if (!info.exists()) {
    content.status = RegularFileStatus::Missing;
    return content;
  }
  if (!info.isFile()) {
    content.status = RegularFileStatus::NotRegular;
    return content;
  }
  if (info.size() > maxBytes) {
    content.status = RegularFileStatus::TooLarge;
    return content;
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return content;
  if (file.isSequential()) {
    content.status = RegularFileStatus::NotRegular;
    return content;
  }
  content.bytes = file.read(maxBytes + 1);
  if (content.bytes.size() > maxBytes) {
    content.bytes.clear();
    content.status = RegularFileStatus::TooLarge;
    return content;
  }
  content.status = RegularFileStatus::Read;
  return content;
}

}  // namespace orvanta::platform
