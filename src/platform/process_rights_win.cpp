// Windows has no root account; the engine's sandbox runs for every user.
#include "webengine_browser.h"

namespace orvanta::platform {

bool processRunsAsRoot() { return false; }

}  // namespace orvanta::platform
