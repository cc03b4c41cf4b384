// On systems without a Windows registry the registry file stands in for it.
// HKEY_CLASSES_ROOT holds only the associations stored there; a file type
// the file says nothing about opens through the desktop launcher.
#include "file_registry.h"

namespace orvanta::platform {

std::unique_ptr<Registry> createSystemRegistry() { return std::make_unique<FileRegistry>(FileRegistry::defaultFilePath()); }

}  // namespace orvanta::platform
