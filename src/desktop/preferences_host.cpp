// The preferences window over the program's real windows.
#include "preferences_host.h"

#include "windows.h"

namespace orvanta::desktop {

DesktopPreferencesPeers::DesktopPreferencesPeers(Windows& windows, platform::WindowSystem& windowSystem)
    : windows_(windows), windowSystem_(windowSystem) {}

results_window::Form1* DesktopPreferencesPeers::form1() const {
  return windows_.isForm1Loaded() ? &windows_.form1() : nullptr;
}

int DesktopPreferencesPeers::resultsLeft() const { return form1() ? form1()->Left() : 0; }
int DesktopPreferencesPeers::resultsTop() const { return form1() ? form1()->Top() : 0; }
int DesktopPreferencesPeers::resultsWidth() const { return form1() ? form1()->Width() : 0; }
int DesktopPreferencesPeers::resultsHeight() const { return form1() ? form1()->Height() : 0; }

void DesktopPreferencesPeers::moveResults(int left, int top) {
  if (results_window::Form1* panel = form1()) {
    panel->setTop(top);
    panel->setLeft(left);
  }
}

void DesktopPreferencesPeers::showResults() {
  // Shown without taking the activation from the preferences window, so
  // its slider keeps the keyboard; the panel is put on top as its own
  // activation would.
  if (results_window::Form1* panel = form1()) windowSystem_.keepOnTop(*panel);
}

void DesktopPreferencesPeers::setResultsEnabled(bool enabled) {
  if (results_window::Form1* panel = form1()) panel->setEnabled(enabled);
}

qint32 DesktopPreferencesPeers::resultsMaxSearchResults() const {
  return form1() ? form1()->Panel.MaxSearchResults : 0;
}

void DesktopPreferencesPeers::clearPreferencesOpen() {
  if (results_window::Form1* panel = form1()) panel->Opening.PreferencesOpen = false;
}

int DesktopPreferencesPeers::menuButtonHeight() const {
  return windows_.isMenuButtonLoaded() ? windows_.menuButton().Height() : 0;
}

void DesktopPreferencesPeers::moveMenuButton(int left, int top) {
  if (!windows_.isMenuButtonLoaded()) return;
  MenuButton& button = windows_.menuButton();
  button.setLeft(left);
  button.setTop(top);
}

void DesktopPreferencesPeers::loadBackdrop() { windows_.borderBackground(); }

void DesktopPreferencesPeers::moveBackdrop(int left, int top, int width, int height) {
  windows_.borderBackground().Move(left, top, width, height);
}

void DesktopPreferencesPeers::showBackdrop() {
  if (windows_.isBorderBackgroundLoaded()) windows_.borderBackground().show();
}

void DesktopPreferencesPeers::unloadBackdrop() { windows_.unloadBorderBackground(); }

void DesktopPreferencesPeers::keepOnTop(QWidget& window) { windowSystem_.keepOnTop(window); }

PreferencesHost::PreferencesHost(const settings::RegKeys& regKeys, platform::WindowSystem& windowSystem,
                                 platform::BrowserFactory browserFactory, settings::PageFetcher fetcher)
    : regKeys_(regKeys),
      windowSystem_(windowSystem),
      browserFactory_(std::move(browserFactory)),
      fetcher_(std::move(fetcher)) {}

PreferencesHost::~PreferencesHost() { delete window_.data(); }

void PreferencesHost::setWindows(Windows& windows) {
  peers_ = std::make_unique<DesktopPreferencesPeers>(windows, windowSystem_);
}

void PreferencesHost::showPreferences() {
  if (!peers_) return;
  if (!isPreferencesLoaded()) {
    window_ = new settings::Form_OrvantaPreferences(regKeys_, *peers_, browserFactory_, fetcher_);
  }
  window_->show();
}

void PreferencesHost::unloadPreferences() {
  if (isPreferencesLoaded()) window_->close();
}

bool PreferencesHost::isPreferencesLoaded() const {
  // A closed window is hidden at once and deleted a little later.
  return window_ && window_->isVisible();
}

settings::Form_OrvantaPreferences* PreferencesHost::window() const {
  return isPreferencesLoaded() ? window_.data() : nullptr;
}

}  // namespace orvanta::desktop
