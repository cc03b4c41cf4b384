// Path status queries through QFileInfo (one stat per query, links followed).
#include "qt_file_system.h"

#include <QFileInfo>

namespace orvanta::platform {

PathKind QtFileSystem::kindOf(const QString& path) const {
  if (path.isEmpty() || path.contains(QChar(0))) return PathKind::Missing;
  const QFileInfo info(path);
  if (!info.exists()) return PathKind::Missing;
  if (info.isDir()) return PathKind::Folder;
  return info.isFile() ? PathKind::File : PathKind::Missing;
}

}  // namespace orvanta::platform
