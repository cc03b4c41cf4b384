// The pseudo-language of the translation tests (every text of the program
// longer and accented, in brackets) and the check of a window shown in it:
// each text it shows must come from the translation and fit its control.
#pragma once

#include <QStringList>
#include <QTranslator>

#include <functional>

class QWidget;

namespace orvanta::testing {

// Installs the pseudo-language into the application for the object's life.
class PseudoLanguage {
 public:
  PseudoLanguage();
  ~PseudoLanguage();
  bool isLoaded() const { return loaded_; }
  // Whether the build made it (not without Qt Linguist's tools).
  static bool isBuilt();

 private:
  QTranslator translator_;
  bool loaded_ = false;
};

// Whether `text` is a text of the pseudo-language (or made of them).
bool isPseudoText(const QString& text);

// What is wrong with the texts `window` shows: a text of a label, button
// or text box on view (or the window's title) that is not in the
// pseudo-language, or that its control cuts. `isData` tells the controls
// that show the user's data (file names, addresses, numbers), whose texts
// are not the program's; their fit is still checked.
QStringList shownTextProblems(QWidget& window, const std::function<bool(const QWidget&)>& isData);

}  // namespace orvanta::testing
