// On systems without a Windows registry the registry file stands in for it.
// HKEY_CLASSES_ROOT holds only the associations stored there; a file type
// the file says nothing about opens through the desktop launcher.
#include "file_registry.h"

#include <cstdio>

namespace orvanta::platform {

std::unique_ptr<Registry> createSystemRegistry() {
  auto registry = std::make_unique<FileRegistry>(FileRegistry::defaultFilePath());
  // Files written before they were made private are narrowed once here.
  const QStringList narrowed = registry->restrictAccess();
  if (!narrowed.isEmpty()) {
    std::fprintf(stderr, "orvanta: other users could read the settings; made them this user's alone: %s\n",
                 qUtf8Printable(narrowed.join(QStringLiteral(", "))));
  }
  return registry;
}

}  // namespace orvanta::platform
