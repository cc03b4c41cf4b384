// The program's texts in the session's language: Qt's own translations
// (its dialogs and standard texts) and the program's, when there are ones
// for that language. The design's English texts stay where there are none.
#pragma once

class QCoreApplication;

namespace orvanta::app {

// Installs the translations for the session's language into `app`.
void installTranslations(QCoreApplication& app);

}  // namespace orvanta::app
