// The parts of the window-system service that Qt gives on every system:
// activation changes, pending events, screens' work areas and ending the
// process. The backends
// add what needs the system's own window manager.
#pragma once

#include "window_system.h"

#include <QObject>

namespace orvanta::platform {

class QtWindowSystem : public QObject, public WindowSystem {
 public:
  QtWindowSystem();
  ~QtWindowSystem() override;

  void bringToFront(QWidget& window) override;
  void processPendingEvents() override;
  QRect workArea(const QWidget& window) override;
  QList<QRect> workAreas() override;
  ActivationHook replaceActivationHook(ActivationHook hook) override;
  void endProgram(int status) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

  // Runs the installed hook, if any, for a change of the activation.
  void notifyActivation(bool active);

  // Shows a hidden window through Qt, marked to stay on top and without
  // taking the activation, so that Qt knows it is shown; the backend then
  // only sets its z-order. A window on view is left alone.
  static void showOnTopWithoutActivating(QWidget& window);

 private:
  ActivationHook hook_;
};

}  // namespace orvanta::platform
