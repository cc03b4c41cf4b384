// The extraction helper's limits on POSIX systems.
#include "extract_io.h"

#include <sys/resource.h>

#include <algorithm>

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
// Processor time: each document gets the service's wall-clock limit, and
// one helper at most an hour in all (it is then ended and replaced).
constexpr rlim_t kSecondsPerDocument = 10;
constexpr rlim_t kSecondsPerHelper = 3600;

rlim_t secondsUsed() {
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
  // Rounded up, so a document never starts with less than its share.
  return static_cast<rlim_t>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + 1;
}

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
  const rlimit time{std::min(kSecondsPerDocument, kSecondsPerHelper), kSecondsPerHelper};
  setrlimit(RLIMIT_CPU, &time);
}

void limitTimeForNextDocument() {
  // The soft limit moves on with each document; the hard one stays.
  const rlimit time{std::min(secondsUsed() + kSecondsPerDocument, kSecondsPerHelper), kSecondsPerHelper};
  setrlimit(RLIMIT_CPU, &time);
}

}  // namespace orvanta::service
