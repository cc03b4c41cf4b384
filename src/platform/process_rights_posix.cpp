// Root rights on POSIX systems: effective user id 0.
#include "webengine_browser.h"

#include <unistd.h>

namespace orvanta::platform {

bool processRunsAsRoot() { return geteuid() == 0; }

}  // namespace orvanta::platform
