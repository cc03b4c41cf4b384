// Owner-only files and folders on Windows: the settings and the index live
// in the user's profile, whose access list already keeps other users out,
// so folders and files are made as usual and nothing is narrowed.
#include "private_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace orvanta::platform {

bool makePrivateFolder(const QString& path) { return QDir().mkpath(path); }

bool makePrivateFile(const QString& path) {
  if (QFileInfo::exists(path)) return true;
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || QFileInfo::exists(path);
}

bool restrictToOwner(const QString&) { return false; }

QStringList restrictEntriesToOwner(const QString&, const QString&, bool) { return {}; }

}  // namespace orvanta::platform
