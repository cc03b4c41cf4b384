// The regular-file open on POSIX: a status check before the open keeps
// devices closed, a non-blocking open and a check of what was opened keep a
// pipe swapped in afterwards from blocking.
#include "regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanta::platform {

bool openRegularFile(QFile& file, const QString& path) {
  if (path.isEmpty() || path.contains(QChar(0))) return false;
  const QByteArray name = QFile::encodeName(path);
  struct stat before {};
  if (::stat(name.constData(), &before) != 0 || !S_ISREG(before.st_mode)) return false;
  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat opened {};
  if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
    ::close(fd);
    return false;
  }
  // Reads of a regular file never wait on the flag; it is cleared so the
  // reader sees an ordinary file.
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags != -1) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    return false;
  }
  return true;
}

}  // namespace orvanta::platform
