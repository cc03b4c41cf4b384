// The window-system service on Windows: topmost through SetWindowPos, and
// the application's activation changes as the WM_ACTIVATEAPP message reports
// them to the program's top-level windows.
#include "window_system_qt.h"
#include "windows_directory.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <windows.h>

#include <optional>

namespace orvanta::platform {
namespace {

HWND handleOf(QWidget& window) { return reinterpret_cast<HWND>(window.winId()); }

class WindowsWindowSystem : public QtWindowSystem, public QAbstractNativeEventFilter {
 public:
  WindowsWindowSystem() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->installNativeEventFilter(this);
  }
  ~WindowsWindowSystem() override {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeNativeEventFilter(this);
  }

  void keepOnTop(QWidget& window) override {
    showOnTopWithoutActivating(window);
    // Topmost, neither moved, sized nor activated, and shown. A failure
    // leaves the window where it was.
    SetWindowPos(handleOf(window), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }

  void bringToFront(QWidget& window) override {
    if (!window.isVisible()) {
      window.raise();
      return;
    }
    SetWindowPos(handleOf(window), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  }

  QString windowsDirectory() override { return platform::windowsDirectory(); }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
    if (eventType != "windows_generic_MSG") return false;
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message != WM_ACTIVATEAPP) return false;
    // Every top-level window of the program gets the message for the same
    // change: the change is reported once.
    const bool active = msg->wParam != 0;
    if (active_ != active) {
      active_ = active;
      notifyActivation(active);
    }
    return false;  // the window procedure sees the message as well
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // The activation comes from the message above, not from Qt's own
    // reading of the window activations.
    if (event->type() == QEvent::ApplicationStateChange) return false;
    return QtWindowSystem::eventFilter(watched, event);
  }

 private:
  // The activation last reported; none before the first message.
  std::optional<bool> active_;
};

}  // namespace

std::unique_ptr<WindowSystem> createSystemWindowSystem() { return std::make_unique<WindowsWindowSystem>(); }

// The windows of a Windows program always have the desktop to go to.
std::optional<QString> displayProblem() { return std::nullopt; }

}  // namespace orvanta::platform
