// The extraction helper's system side on POSIX systems.
#include "extract_io.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace orvanta::service {

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

constexpr rlim_t kAddressSpaceLimit = rlim_t{1024} * 1024 * 1024;

}  // namespace

void limitHelperResources() {
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  // The address sanitizer reserves terabytes of address space up front; its
  // builds run without the cap.
  if (!kAddressSanitizer) {
    const rlimit space{kAddressSpaceLimit, kAddressSpaceLimit};
    setrlimit(RLIMIT_AS, &space);
  }
}

std::optional<QByteArray> readRegularFile(const QByteArray& path, qint64 maxBytes) {
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
