// On systems without a Windows registry the registry file stands in for it;
// what the file does not say about HKEY_CLASSES_ROOT comes from the
// desktop's own file associations.
#include "classes_root.h"
#include "file_registry.h"

namespace orvanta::platform {
namespace {

class SystemFileRegistry : public FileRegistry {
 public:
  SystemFileRegistry() : FileRegistry(defaultFilePath()), classesRoot_(createDesktopClassesRoot()) {
    setClassesRootFallback(classesRoot_.get());
  }

 private:
  std::unique_ptr<Registry> classesRoot_;
};

}  // namespace

std::unique_ptr<Registry> createSystemRegistry() { return std::make_unique<SystemFileRegistry>(); }

}  // namespace orvanta::platform
