// orvanta: creates the platform services once, then loads the button
// window, which loads the results window hidden; the program ends when its
// last window is unloaded.
#include "desktop/windows.h"
#include "platform/fonts.h"
#include "platform/registry.h"
#include "platform/window_system.h"
#include "results_window/preferences_window.h"
#include "settings/reg_keys.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>

namespace {

// Temporary stand-in for the preferences window until the real one is
// merged: an empty dialog with the window's title, shown modeless.
class PreferencesStandIn : public orvanta::results_window::PreferencesWindow {
 public:
  ~PreferencesStandIn() override { delete dialog_; }

  void showPreferences() override {
    if (!dialog_) {
      dialog_ = new QDialog;
      dialog_->setWindowTitle(QStringLiteral("Orvanta Preferences"));
      dialog_->setObjectName(QStringLiteral("Form_OrvantaPreferences"));
    }
    dialog_->show();
  }

  void unloadPreferences() override {
    if (dialog_) {
      dialog_->hide();
      dialog_->deleteLater();
    }
  }

  bool isPreferencesLoaded() const override { return dialog_ && dialog_->isVisible(); }

 private:
  QPointer<QDialog> dialog_;
};

}  // namespace

int main(int argc, char* argv[]) {
#if defined(Q_OS_LINUX)
  // Topmost windows and absolute window positions need X11; on a Wayland
  // session the program runs through XWayland.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "xcb");
  }
#endif
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  orvanta::platform::installFontSubstitutions();

  const auto registry = orvanta::platform::createSystemRegistry();
  const orvanta::settings::RegKeys regKeys(*registry);
  const auto windowSystem = orvanta::platform::createSystemWindowSystem();
  PreferencesStandIn preferences;

  int status = 0;
  {
    orvanta::desktop::Windows windows(regKeys, *windowSystem, preferences);
    windows.setForm1Setup([](orvanta::results_window::Form1& form1) {
      // The search pipeline is connected here once it is merged; until then
      // Enter shows the progress strip and the close button only.
      form1.setSearchCallback([&form1](const QString&) { return !form1.isUnloaded(); });
    });
    windows.setAllWindowsGoneHandler([] { QCoreApplication::exit(0); });

    windows.menuButton().show();
    if (!windows.allWindowsGone()) status = QApplication::exec();
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return status;
}
