// The desktop launcher on Windows, where the registry's file associations
// and the Explorer program are the desktop's own way of opening files: it
// knows no further application files and leaves every file to those.
#include "desktop_launcher.h"

namespace orvanta::platform {
namespace {

class NoDesktopLauncher : public DesktopLauncher {
 public:
  bool isApplication(const QString&) const override { return false; }
  QString applicationName(const QString&) const override { return {}; }
  LaunchOutcome launchApplication(const QString&) override { return {}; }
  LaunchOutcome openWithDefault(const QString&) override { return {}; }
};

}  // namespace

QString desktopApplicationExtensions() { return {}; }

std::unique_ptr<DesktopLauncher> createSystemDesktopLauncher() { return std::make_unique<NoDesktopLauncher>(); }

}  // namespace orvanta::platform
