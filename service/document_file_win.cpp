// The extraction helper's system side on Windows: Qt's file access, which
// opens only what CreateFile can read as a file.
#include "extract_io.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace orvanta::service {

// No limits here; the pipes to the service carry bytes, not text lines.
void limitHelperResources() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

std::optional<QByteArray> readRegularFile(const QByteArray& path, qint64 maxBytes) {
  const QString name = QString::fromUtf8(path);
  const QFileInfo info(name);
  if (!info.isFile() || info.isSymLink() || info.size() > maxBytes) return std::nullopt;
  QFile file(name);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  return file.read(maxBytes);
}

}  // namespace orvanta::service
