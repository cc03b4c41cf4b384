// On systems without a Windows registry the registry file stands in for it.
#include "file_registry.h"

namespace orvanta::platform {

std::unique_ptr<Registry> createSystemRegistry() {
  return std::make_unique<FileRegistry>(FileRegistry::defaultFilePath());
}

}  // namespace orvanta::platform
