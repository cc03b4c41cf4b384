// The path text operations shared by every file-system backend.
#include "file_system.h"

namespace orvanta::platform {

namespace {

bool isSeparator(QChar c) { return c == u'/' || c == u'\\'; }

}  // namespace

QString FileSystem::GetFileName(const QString& path) {
  qsizetype end = path.size();
  while (end > 0 && isSeparator(path[end - 1])) --end;
  qsizetype start = end;
  while (start > 0 && !isSeparator(path[start - 1])) --start;
  const QString name = path.mid(start, end - start);
  // A drive alone ("C:") is no file name.
  if (start == 0 && name.size() == 2 && name[1] == u':') return QString();
  return name;
}

QString FileSystem::GetExtensionName(const QString& path) {
  const QString name = GetFileName(path);
  const qsizetype dot = name.lastIndexOf(u'.');
  return dot < 0 ? QString() : name.mid(dot + 1);
}

}  // namespace orvanta::platform
