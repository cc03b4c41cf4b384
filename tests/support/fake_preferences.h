// A preferences window for headless tests: records when it is shown and
// unloaded, into a log shared with the other windows' records.
#pragma once

#include "results_window/preferences_window.h"

#include <QStringList>

#include <functional>

namespace orvanta::testing {

class FakePreferences : public results_window::PreferencesWindow {
 public:
  explicit FakePreferences(QStringList* log = nullptr) : log_(log) {}

  int shown = 0;
  bool loaded = false;
  // Runs when the window loads (its first show).
  std::function<void()> onLoad;

  void showPreferences() override {
    ++shown;
    if (!loaded) {
      loaded = true;
      if (onLoad) onLoad();
    }
  }
  void unloadPreferences() override {
    if (!loaded) return;
    loaded = false;
    if (log_) log_->append(QStringLiteral("preferences"));
  }
  bool isPreferencesLoaded() const override { return loaded; }

 private:
  QStringList* log_;
};

}  // namespace orvanta::testing
