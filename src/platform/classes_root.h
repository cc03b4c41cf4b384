// Where HKEY_CLASSES_ROOT comes from when the registry itself does not hold
// the file associations: the registry file's fallback for that root.
#pragma once

#include "registry.h"

#include <memory>

namespace orvanta::platform {

// The desktop's own file associations as a read-only HKEY_CLASSES_ROOT, for
// FileRegistry::setClassesRootFallback; nothing where the system registry
// holds the associations itself.
std::unique_ptr<Registry> createDesktopClassesRoot();

}  // namespace orvanta::platform
