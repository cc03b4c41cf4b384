// What the preferences window does to the program's other windows: the
// results panel, the menu-bar button and the yellow backdrop. One small
// interface, so the window needs none of them to be built or tested. All
// positions and sizes are twips in screen coordinates.
#pragma once

#include <QtGlobal>

class QWidget;

namespace orvanta::settings {

class PreferencesPeers {
 public:
  virtual ~PreferencesPeers() = default;

  // The results window (Form1): its place and size, twips.
  virtual int resultsLeft() const = 0;
  virtual int resultsTop() const = 0;
  virtual int resultsWidth() const = 0;
  virtual int resultsHeight() const = 0;
  virtual void moveResults(int left, int top) = 0;
  // Makes it visible (showing activates it, and its activation keeps it on top).
  virtual void showResults() = 0;
  virtual void setResultsEnabled(bool enabled) = 0;
  // Its public MaxSearchResults variable (0 while its load has not set it).
  virtual qint32 resultsMaxSearchResults() const = 0;
  // Clears its PreferencesOpen flag, so deactivation closes the program again.
  virtual void clearPreferencesOpen() = 0;

  // The menu-bar button (MenuButton).
  virtual int menuButtonHeight() const = 0;
  virtual void moveMenuButton(int left, int top) = 0;

  // The backdrop (BorderBackground). Loading it when it is not loaded runs
  // its load (which brings the results window to the front); loading it
  // again does nothing. Unloading a backdrop never loaded does nothing.
  virtual void loadBackdrop() = 0;
  virtual void moveBackdrop(int left, int top, int width, int height) = 0;
  virtual void showBackdrop() = 0;
  virtual void unloadBackdrop() = 0;

  // Makes `window` topmost without moving, sizing or activating it, and
  // shows it when hidden.
  virtual void keepOnTop(QWidget& window) = 0;
};

}  // namespace orvanta::settings
