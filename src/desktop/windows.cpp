// Loading and unloading the program's windows.
#include "windows.h"

namespace orvanta::desktop {

Windows::Windows(const settings::RegKeys& regKeys, platform::WindowSystem& windowSystem,
                 results_window::PreferencesWindow& preferences)
    : regKeys_(regKeys), windowSystem_(windowSystem), preferences_(preferences) {}

Windows::~Windows() = default;

results_window::Form1& Windows::form1() {
  if (!form1_) {
    form1_ = std::make_unique<results_window::Form1>(regKeys_, windowSystem_, preferences_, *this);
    if (form1Setup_) form1Setup_(*form1_);
    form1_->Form_Load();
  }
  return *form1_;
}

MenuButton& Windows::menuButton() {
  if (!menuButton_) {
    menuButton_ = std::make_unique<MenuButton>(regKeys_, windowSystem_, *this);
    menuButton_->Form_Load();
  }
  return *menuButton_;
}

BorderBackground& Windows::borderBackground() {
  if (!borderBackground_) {
    borderBackground_ = std::make_unique<BorderBackground>(windowSystem_, *this);
    borderBackground_->Form_Load();
  }
  return *borderBackground_;
}

bool Windows::allWindowsGone() const {
  return !form1_ && !menuButton_ && !borderBackground_ && !preferences_.isPreferencesLoaded();
}

void Windows::unloadAll() {
  if (form1_) form1_->module1().UnhookWindow();
  hideButtonPressedPicture();
  preferences_.unloadPreferences();
  unloadBorderBackground();
  unloadMenuButton();
  unloadForm1();
}

void Windows::hideButtonPressedPicture() {
  if (menuButton_) menuButton_->Image1()->hide();
}

void Windows::unloadBorderBackground() {
  if (!borderBackground_) return;
  borderBackground_->Unload();
  unloaded_.push_back(std::move(borderBackground_));
  windowUnloaded();
}

void Windows::unloadMenuButton() {
  if (!menuButton_) return;
  menuButton_->Unload();
  unloaded_.push_back(std::move(menuButton_));
  windowUnloaded();
}

void Windows::unloadForm1() {
  if (!form1_) return;
  form1_->Unload();
  unloaded_.push_back(std::move(form1_));
  windowUnloaded();
}

void Windows::windowUnloaded() {
  if (allWindowsGone() && allGone_) allGone_();
}

}  // namespace orvanta::desktop
