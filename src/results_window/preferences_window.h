// What the results window needs of the preferences window: showing it
// modeless and unloading it. The preferences window itself is built
// elsewhere and handed in.
#pragma once

namespace orvanta::results_window {

class PreferencesWindow {
 public:
  virtual ~PreferencesWindow() = default;

  // Loads the window on first use and shows it without waiting for it;
  // nothing more happens when it is already shown.
  virtual void showPreferences() = 0;

  // Unloads the window; does nothing (creates nothing) when it is not
  // loaded.
  virtual void unloadPreferences() = 0;

  virtual bool isPreferencesLoaded() const = 0;
};

}  // namespace orvanta::results_window
