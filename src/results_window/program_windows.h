// What the results window needs of the program's other windows when it
// closes everything: the button's pressed picture and the unloading of the
// backdrop, the button and the results window itself.
#pragma once

namespace orvanta::results_window {

class ProgramWindows {
 public:
  virtual ~ProgramWindows() = default;

  // Hides the button's pressed picture, when the button is loaded.
  virtual void hideButtonPressedPicture() = 0;

  // Each unloads its window; a window that is not loaded stays unloaded
  // and nothing is created.
  virtual void unloadBorderBackground() = 0;
  virtual void unloadMenuButton() = 0;
  virtual void unloadForm1() = 0;
};

}  // namespace orvanta::results_window
