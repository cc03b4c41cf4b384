// What a benchmark's results window needs around it on the offscreen
// platform: the process's own window system without a window manager to
// ask, and the program's other windows, which do nothing here.
#pragma once

#include "platform/window_system_qt.h"
#include "results_window/preferences_window.h"
#include "results_window/program_windows.h"

#include <QString>
#include <QWidget>

namespace orvanta::bench {

class OffscreenWindowSystem : public platform::QtWindowSystem {
 public:
  void keepOnTop(QWidget& window) override { window.show(); }
  QString windowsDirectory() override { return QStringLiteral("/usr"); }
};

class NoPreferences : public results_window::PreferencesWindow {
 public:
  void showPreferences() override {}
  void unloadPreferences() override {}
  bool isPreferencesLoaded() const override { return false; }
};

class NoOtherWindows : public results_window::ProgramWindows {
 public:
  void hideButtonPressedPicture() override {}
  void unloadBorderBackground() override {}
  void unloadMenuButton() override {}
  void unloadForm1() override {}
};

}  // namespace orvanta::bench
