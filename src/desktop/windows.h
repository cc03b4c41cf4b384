// The program's windows: each is loaded on its first reference and
// unloaded explicitly; when the last one is gone the program ends. An
// unloaded window is hidden at once and destroyed with this object, so
// code still running on it (a search inside a key event) stays safe.
#pragma once

#include "border_background.h"
#include "menu_button.h"
#include "platform/window_system.h"
#include "results_window/form1.h"
#include "results_window/preferences_window.h"
#include "results_window/program_windows.h"
#include "settings/reg_keys.h"

#include <functional>
#include <memory>
#include <vector>

namespace orvanta::desktop {

class Windows : public results_window::ProgramWindows {
 public:
  Windows(const settings::RegKeys& regKeys, platform::WindowSystem& windowSystem,
          results_window::PreferencesWindow& preferences);
  ~Windows() override;

  // Each loads its window on first reference (running its load) and
  // returns it.
  results_window::Form1& form1();
  MenuButton& menuButton();
  BorderBackground& borderBackground();

  bool isForm1Loaded() const { return form1_ != nullptr; }
  bool isMenuButtonLoaded() const { return menuButton_ != nullptr; }
  bool isBorderBackgroundLoaded() const { return borderBackground_ != nullptr; }

  // Runs on every new results window before its load (the search is
  // connected there).
  void setForm1Setup(std::function<void(results_window::Form1&)> setup) { form1Setup_ = std::move(setup); }
  // Runs once no window of the program is loaded any more.
  void setAllWindowsGoneHandler(std::function<void()> handler) { allGone_ = std::move(handler); }
  bool allWindowsGone() const;

  // Unloads every window, whatever their state (the button's close):
  // the preferences window, the backdrop, the button and the panel.
  void unloadAll();

  void hideButtonPressedPicture() override;
  void unloadBorderBackground() override;
  void unloadMenuButton() override;
  void unloadForm1() override;

 private:
  void windowUnloaded();

  const settings::RegKeys& regKeys_;
  platform::WindowSystem& windowSystem_;
  results_window::PreferencesWindow& preferences_;
  std::function<void(results_window::Form1&)> form1Setup_;
  std::function<void()> allGone_;
  std::unique_ptr<results_window::Form1> form1_;
  std::unique_ptr<MenuButton> menuButton_;
  std::unique_ptr<BorderBackground> borderBackground_;
  std::vector<std::unique_ptr<QWidget>> unloaded_;
};

}  // namespace orvanta::desktop
