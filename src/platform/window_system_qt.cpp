// Activation changes, pending events, work areas and ending the process
// through Qt.
#include "window_system_qt.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace orvanta::platform {

QtWindowSystem::QtWindowSystem() {
  if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

QtWindowSystem::~QtWindowSystem() {
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

void QtWindowSystem::bringToFront(QWidget& window) { window.raise(); }

QRect QtWindowSystem::workArea(const QWidget& window) {
  QScreen* screen = QGuiApplication::screenAt(window.geometry().center());
  if (!screen) screen = window.screen();
  return screen ? screen->availableGeometry() : QRect();
}

QList<QRect> QtWindowSystem::workAreas() {
  QList<QRect> areas;
  QScreen* primary = QGuiApplication::primaryScreen();
  if (primary) areas << primary->availableGeometry();
  for (QScreen* screen : QGuiApplication::screens()) {
    if (screen != primary) areas << screen->availableGeometry();
  }
  return areas;
}

void QtWindowSystem::processPendingEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

ActivationHook QtWindowSystem::replaceActivationHook(ActivationHook hook) {
  ActivationHook previous = std::move(hook_);
  hook_ = std::move(hook);
  return previous;
}

void QtWindowSystem::endProgram(int status) {
  std::fflush(nullptr);
  std::_Exit(status);
}

bool QtWindowSystem::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ApplicationStateChange && watched == QCoreApplication::instance()) {
    // The new state is in place when the event is sent.
    notifyActivation(QGuiApplication::applicationState() == Qt::ApplicationActive);
  }
  return false;  // the event always goes on
}

void QtWindowSystem::showOnTopWithoutActivating(QWidget& window) {
  if (window.isVisible()) return;
  if (!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint)) window.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  const bool withoutActivating = window.testAttribute(Qt::WA_ShowWithoutActivating);
  window.setAttribute(Qt::WA_ShowWithoutActivating, true);
  window.show();
  window.setAttribute(Qt::WA_ShowWithoutActivating, withoutActivating);
}

void QtWindowSystem::notifyActivation(bool active) {
  if (!hook_) return;
  // A copy: the hook may replace itself while it runs.
  const ActivationHook hook = hook_;
  hook(active);
}

}  // namespace orvanta::platform
