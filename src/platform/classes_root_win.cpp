// The Windows registry holds the file associations itself.
#include "classes_root.h"

namespace orvanta::platform {

std::unique_ptr<Registry> createDesktopClassesRoot() { return nullptr; }

}  // namespace orvanta::platform
