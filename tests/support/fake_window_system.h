// A window system for headless tests: records what the program asks of it,
// lets a test change the application's activation and sets the screens' work
// area.
#pragma once

#include "platform/window_system.h"

#include <QGuiApplication>
#include <QList>
#include <QRect>
#include <QScreen>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

namespace orvanta::testing {

class FakeWindowSystem : public platform::WindowSystem {
 public:
  // Object names of the windows, one entry per call.
  QStringList keepOnTopCalls;
  QStringList bringToFrontCalls;
  int pendingEventRuns = 0;
  std::optional<int> endedWith;
  // Runs inside each processPendingEvents, as pending events would.
  std::function<void()> onPendingEvents;
  // The work area of every screen; larger than any window unless a test
  // sets a small one.
  QRect screenWorkArea{-100000, -100000, 200000, 200000};
  // The work areas of the screens, the primary's first, for the placement
  // of the panel and the button; unset, those of the application's screens.
  std::optional<QList<QRect>> screenWorkAreas;

  void keepOnTop(QWidget& window) override {
    keepOnTopCalls << window.objectName();
    if (!window.isVisible()) window.show();
  }
  void bringToFront(QWidget& window) override {
    bringToFrontCalls << window.objectName();
  }
  void processPendingEvents() override {
    ++pendingEventRuns;
    if (onPendingEvents) onPendingEvents();
  }
  QRect workArea(const QWidget&) override { return screenWorkArea; }
  QList<QRect> workAreas() override {
    if (screenWorkAreas) return *screenWorkAreas;
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens()) areas << screen->availableGeometry();
    return areas;
  }
  QString windowsDirectory() override { return QStringLiteral("C:\\WINDOWS"); }
  platform::ActivationHook replaceActivationHook(platform::ActivationHook hook) override {
    platform::ActivationHook previous = std::move(hook_);
    hook_ = std::move(hook);
    return previous;
  }
  void endProgram(int status) override { endedWith = status; }

  bool hasActivationHook() const { return static_cast<bool>(hook_); }
  // The application gains (true) or loses (false) activation.
  void changeActivation(bool active) {
    if (!hook_) return;
    const platform::ActivationHook hook = hook_;
    hook(active);
  }

 private:
  platform::ActivationHook hook_;
};

}  // namespace orvanta::testing
