// Reading a document on Windows: Qt's file access, which opens only what
// CreateFile can read as a file.
#include "document_file.h"

#include <QFile>
#include <QFileInfo>

namespace orvanta::service {

std::optional<QByteArray> readDocumentFile(const QByteArray& path, qint64 maxBytes) {
  const QString name = QString::fromUtf8(path);
  const QFileInfo info(name);
  if (!info.isFile() || info.isSymLink() || info.size() > maxBytes) return std::nullopt;
  QFile file(name);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  return file.read(maxBytes);
}

}  // namespace orvanta::service
