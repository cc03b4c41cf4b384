// The window-system service: keeping a window topmost, the z-order, the
// application's activation changes, processing pending events, the work
// area of a screen, the system folder and ending the process at once.
#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace orvanta::platform {

// Receives every change of the application's activation: `active` is false
// when the application loses activation to another application.
using ActivationHook = std::function<void(bool active)>;

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // Makes `window` topmost (above every normal window) without moving,
  // sizing or activating it, and shows it when it is hidden.
  virtual void keepOnTop(QWidget& window) = 0;

  // Brings `window` to the front of the z-order without activating it.
  virtual void bringToFront(QWidget& window) = 0;

  // Lets pending window events, timer ticks and posted events run once.
  virtual void processPendingEvents() = 0;

  // The work area of the screen that holds `window`: that screen without
  // the desktop's panels and docks, in pixels. Empty when there is no
  // screen.
  virtual QRect workArea(const QWidget& window) = 0;

  // The work areas of every screen, the primary screen's first: each screen
  // without the desktop's panels and docks (a top bar, say), in pixels.
  // Empty when there is no screen.
  virtual QList<QRect> workAreas() = 0;

  // The Windows folder; on other systems the folder of the system's
  // programs. Empty when it cannot be told.
  virtual QString windowsDirectory() = 0;

  // Installs `hook` as the receiver of activation changes and returns the
  // receiver it replaces (empty when there was none). The event goes on to
  // the rest of the program after the hook has run.
  virtual ActivationHook replaceActivationHook(ActivationHook hook) = 0;

  // Ends the process at once with `status`: nothing is unloaded or
  // restored.
  virtual void endProgram(int status) = 0;
};

// The window system of this machine. Needs the Qt application object.
std::unique_ptr<WindowSystem> createSystemWindowSystem();

// Why the program cannot show its windows: one line naming the display it
// tried (and what the session lacks); nothing when the display answers or
// the windows do not go to a display of this system. Asked before the Qt
// application object exists, so that a missing display is reported instead
// of aborting the program.
std::optional<QString> displayProblem();

}  // namespace orvanta::platform
