// The preferences window's peers (results window, button, backdrop) as plain
// state, with every call that changes something written to a log in order.
#pragma once

#include "settings/preferences_peers.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

namespace orvanta::testing {

class FakePreferencesPeers : public settings::PreferencesPeers {
 public:
  // Shared with other recorders so one log shows the order across them.
  explicit FakePreferencesPeers(QStringList& log) : log_(log) {}

  int left = 0;
  int top = 0;
  int width = 5115;
  int height = 470;
  qint32 maxSearchResults = 7;
  int buttonHeight = 330;
  bool resultsVisible = false;
  bool resultsEnabled = false;
  bool preferencesOpen = true;
  bool backdropLoaded = false;
  bool backdropVisible = false;
  QRect backdrop;
  QPoint button;

  int resultsLeft() const override { return left; }
  int resultsTop() const override { return top; }
  int resultsWidth() const override { return width; }
  int resultsHeight() const override { return height; }
  void moveResults(int newLeft, int newTop) override;
  void showResults() override;
  void setResultsEnabled(bool enabled) override;
  qint32 resultsMaxSearchResults() const override { return maxSearchResults; }
  void clearPreferencesOpen() override;
  int menuButtonHeight() const override { return buttonHeight; }
  void moveMenuButton(int newLeft, int newTop) override;
  void loadBackdrop() override;
  void moveBackdrop(int newLeft, int newTop, int newWidth, int newHeight) override;
  void showBackdrop() override;
  void unloadBackdrop() override;
  void keepOnTop(QWidget& window) override;

 private:
  QStringList& log_;
};

}  // namespace orvanta::testing
