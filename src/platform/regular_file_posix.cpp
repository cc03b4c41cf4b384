// Regular files on POSIX systems: files are opened without blocking (a FIFO
// with no writer would block an ordinary open) and their type and size are
// taken from the open descriptor, so that nothing can be swapped in between
// the check and the read.
#include "regular_file.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanta::platform {

RegularFileContent readRegularFile(const QString& path, qint64 maxBytes) {
  RegularFileContent content;
  const QByteArray native = QFile::encodeName(path);
  const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    content.status = errno == ENOENT ? RegularFileStatus::Missing : RegularFileStatus::Unreadable;
    return content;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    ::close(fd);
    return content;
  }
  if (!S_ISREG(info.st_mode)) {
    ::close(fd);
    content.status = RegularFileStatus::NotRegular;
    return content;
  }
  if (info.st_size > maxBytes) {
    ::close(fd);
    content.status = RegularFileStatus::TooLarge;
    return content;
  }
  // Read one byte more than allowed, to see a file that grew meanwhile.
  content.bytes.resize(static_cast<qsizetype>(info.st_size) + 1);
  qsizetype total = 0;
  for (;;) {
    if (total == content.bytes.size()) {
      if (total > maxBytes) break;
      content.bytes.resize(std::min<qsizetype>(total * 2 + 4096, static_cast<qsizetype>(maxBytes) + 1));
    }
    const ssize_t got = ::read(fd, content.bytes.data() + total, static_cast<size_t>(content.bytes.size() - total));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      ::close(fd);
      content.bytes.clear();
      return content;
    }
    if (got == 0) break;
    total += got;
  }
  ::close(fd);
  if (total > maxBytes) {
    content.bytes.clear();
    content.status = RegularFileStatus::TooLarge;
    return content;
  }
  content.bytes.truncate(total);
  content.status = RegularFileStatus::Read;
  return content;
}

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
