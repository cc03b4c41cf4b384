// Reading a document on POSIX systems: opened without following a link and
// without blocking, its type and size taken from the open descriptor.
#include "document_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace orvanta::service {

std::optional<QByteArray> readDocumentFile(const QByteArray& path, qint64 maxBytes) {
  const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return std::nullopt;
  struct stat status {};
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > maxBytes) {
    ::close(fd);
    return std::nullopt;
  }
  QByteArray data;
  data.resize(static_cast<qsizetype>(status.st_size));
  qsizetype have = 0;
  while (have < data.size()) {
    const ssize_t got = ::read(fd, data.data() + have, static_cast<size_t>(data.size() - have));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    have += got;
  }
  ::close(fd);
  data.truncate(have);
  return data;
}

}  // namespace orvanta::service
