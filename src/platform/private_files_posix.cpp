// Owner-only files and folders on POSIX systems: modes 0700 and 0600, set
// explicitly after each creation, so the umask has no say.
#include "private_files.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanta::platform {

namespace {

constexpr mode_t kFolderMode = S_IRWXU;
constexpr mode_t kFileMode = S_IRUSR | S_IWUSR;

bool isFolder(const QByteArray& path) {
  struct stat info {};
  return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

bool makePrivateFolder(const QString& path) {
  const QString clean = QDir::cleanPath(QDir(path).absolutePath());
  const QByteArray native = QFile::encodeName(clean);
  if (isFolder(native)) return true;
  const qsizetype cut = clean.lastIndexOf(u'/');
  if (cut > 0 && !makePrivateFolder(clean.left(cut))) return false;
  if (::mkdir(native.constData(), kFolderMode) != 0) return errno == EEXIST && isFolder(native);
  // mkdir() applied the umask; only this process made the folder.
  return ::chmod(native.constData(), kFolderMode) == 0 || isFolder(native);
}

bool makePrivateFile(const QString& path) {
  const QByteArray native = QFile::encodeName(path);
  const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kFileMode);
  if (fd < 0) {
    struct stat info {};
    return errno == EEXIST && ::lstat(native.constData(), &info) == 0;
  }
  ::fchmod(fd, kFileMode);
  ::close(fd);
  return true;
}

bool restrictToOwner(const QString& path) {
  const QByteArray native = QFile::encodeName(path);
  // Opened without following a link, so that the rights changed are those
  // of the entry checked.
  const int fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  bool changed = false;
  if (::fstat(fd, &info) == 0 && (S_ISDIR(info.st_mode) || S_ISREG(info.st_mode)) && info.st_uid == ::geteuid() &&
      (info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    changed = ::fchmod(fd, info.st_mode & S_IRWXU) == 0;
  }
  ::close(fd);
  return changed;
}

QStringList restrictEntriesToOwner(const QString& folder, const QString& prefix, bool withFolder) {
  QStringList narrowed;
  if (withFolder && restrictToOwner(folder)) narrowed.append(folder);
  const QDir dir(folder);
  const QStringList names =
      dir.entryList({prefix + u'*'}, QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  for (const QString& name : names) {
    const QString path = dir.filePath(name);
    if (restrictToOwner(path)) narrowed.append(path);
  }
  return narrowed;
}

}  // namespace orvanta::platform
