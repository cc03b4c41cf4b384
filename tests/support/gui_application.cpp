// The widget tests' application object: made before the first test and
// destroyed after the last one, inside the test run, so that nothing of Qt
// is torn down by static destructors.
#include "gui_application.h"

#include <gtest/gtest.h>

#include <memory>

namespace orvanta::testing {
namespace {

class ApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { application(); }
  void TearDown() override { app_.reset(); }

  QApplication& application() {
    if (!app_) {
      app_ = std::make_unique<QApplication>(argc_, argv_);
      // Closing a test's last window ends nothing.
      QApplication::setQuitOnLastWindowClosed(false);
    }
    return *app_;
  }

 private:
  int argc_ = 1;
  char name_[13] = "orvanta_test";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

ApplicationEnvironment* const environment =
    static_cast<ApplicationEnvironment*>(::testing::AddGlobalTestEnvironment(new ApplicationEnvironment));

}  // namespace

QApplication& guiApplication() { return environment->application(); }

}  // namespace orvanta::testing
