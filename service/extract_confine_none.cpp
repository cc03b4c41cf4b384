// Systems without the kernel's confinement interfaces: the helper runs
// with its resource limits only.
#include "extract_io.h"

namespace orvanta::service {

Confinement confineHelper() { return {}; }

}  // namespace orvanta::service
