// The preferences window as the rest of the program sees it: the real
// Form_OrvantaPreferences, created on its first show, and what it does to
// the program's other windows (the panel, the button and the backdrop).
#pragma once

#include "platform/browser.h"
#include "platform/window_system.h"
#include "results_window/preferences_window.h"
#include "settings/preferences_peers.h"
#include "settings/preferences_window.h"
#include "settings/reg_keys.h"

#include <QPointer>

#include <memory>

namespace orvanta::results_window {
class Form1;
}

namespace orvanta::desktop {

class Windows;

// The panel, the button and the backdrop of `windows`. Windows that are not
// loaded are left alone (never created by a read or a move), except the
// backdrop, which loadBackdrop loads.
class DesktopPreferencesPeers : public settings::PreferencesPeers {
 public:
  DesktopPreferencesPeers(Windows& windows, platform::WindowSystem& windowSystem);

  int resultsLeft() const override;
  int resultsTop() const override;
  int resultsWidth() const override;
  int resultsHeight() const override;
  void moveResults(int left, int top) override;
  void showResults() override;
  void setResultsEnabled(bool enabled) override;
  qint32 resultsMaxSearchResults() const override;
  void clearPreferencesOpen() override;

  int menuButtonHeight() const override;
  void moveMenuButton(int left, int top) override;

  void loadBackdrop() override;
  void moveBackdrop(int left, int top, int width, int height) override;
  void showBackdrop() override;
  void unloadBackdrop() override;

  void keepOnTop(QWidget& window) override;

 private:
  results_window::Form1* form1() const;

  Windows& windows_;
  platform::WindowSystem& windowSystem_;
};

// Shows and unloads the one preferences window. The window set is handed in
// after construction (setWindows), because the windows need this object
// first.
class PreferencesHost : public results_window::PreferencesWindow {
 public:
  PreferencesHost(const settings::RegKeys& regKeys, platform::WindowSystem& windowSystem,
                  platform::BrowserFactory browserFactory, settings::PageFetcher fetcher);
  ~PreferencesHost() override;

  void setWindows(Windows& windows);

  // Creates the window on first use (its load runs when it shows) and shows
  // it modeless; an open window is only shown again. Needs setWindows.
  void showPreferences() override;
  // Closes the window, so its close steps run; nothing happens when none is
  // open.
  void unloadPreferences() override;
  bool isPreferencesLoaded() const override;

  // The open window, or nullptr.
  settings::Form_OrvantaPreferences* window() const;

 private:
  const settings::RegKeys& regKeys_;
  platform::WindowSystem& windowSystem_;
  platform::BrowserFactory browserFactory_;
  settings::PageFetcher fetcher_;
  std::unique_ptr<DesktopPreferencesPeers> peers_;
  // The window deletes itself (later) once closed.
  QPointer<settings::Form_OrvantaPreferences> window_;
};

}  // namespace orvanta::desktop
