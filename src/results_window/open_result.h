// Opening a row's hit: with the program registered for its file type
// (OpenResult) or through the Explorer program (OpenViaExplorer), then
// closing every window; the preferences row opens the preferences window.
// A hit the registry has no program for opens as the desktop opens it, and
// the Show All row opens the last search's page in the web browser.
#pragma once

#include "platform/desktop_launcher.h"
#include "platform/program_start.h"
#include "platform/recent_documents.h"
#include "settings/reg_keys.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <optional>

namespace orvanta::results_window {

// What opening a hit needs of the results window and the platform.
struct OpenHitContext {
  const settings::RegKeys& regKeys;
  platform::ProgramStart& programStart;
  QString WindowsDirectory;
  // The file-system service's GetExtensionName: the text after the last
  // dot of the last path component, empty when it has none.
  std::function<QString(const QString& path)> getExtensionName;
  std::function<void()> closeForm;        // Form1's CloseForm
  std::function<void()> showPreferences;  // the preferences window, modeless
  std::function<void()> disableForm1;
  bool& PreferencesOpen;
  // The desktop's own way of opening files and applications; none leaves
  // every hit to the registry and the Explorer program.
  platform::DesktopLauncher* desktop = nullptr;
  // The address of the last search's result page; empty before a search.
  std::function<QString()> lastSearchAddress;
  // Tells the user that an open failed and why (a summary naming the file,
  // and a body with the reason and the full path); called after the
  // windows were asked to close. None: failures go untold.
  std::function<void(const QString& summary, const QString& body)> tellUser;
  // The desktop's recently used files, where each hit opened is added;
  // none: opens are kept nowhere.
  platform::RecentDocuments* recentDocuments = nullptr;
};

// What OpenResult looked up: the file type's class name and its open
// command after the %SystemRoot% replacement.
struct OpenLookup {
  QString FileTypeKey;
  QString OpenCommand;
};

// The path as it is handed to a program: one that starts with "-" gets
// "./" in front, so that no program takes it for an option.
QString optionSafePath(const QString& path);

// The command lines an open command starts for `path`: one with every "%1"
// replaced when the command holds "%1", and one with every "%L" (either
// letter case) replaced when it holds "%L", each made from the command as
// given. The command keeps its letter case. The path (made option-safe)
// goes in so that the command line splits back into it whole: inside the
// command's double quotes its own quotes are escaped, outside them a path
// with blanks or quotes is put in quotes of its own.
QStringList openCommandLines(const QString& openCommand, const QString& path);

// Opens row `row`, whose FileName label carries the hit's full path as tool
// tip (`fileNameToolTip`; nothing when the row has no FileName label). The
// preferences row sets PreferencesOpen, shows the preferences window and
// disables Form1, and closes nothing. A row with an empty path (Show All)
// hands the last search address, when it is on this machine's loopback, to
// the Explorer program (the desktop's opener, which shows it in the web
// browser). An application file of the desktop is started by the desktop's
// launcher and by nothing else. Any other row: the file type's class
// name and open command are read from HKEY_CLASSES_ROOT, %SystemRoot% (any
// letter case) becomes WindowsDirectory, and the command lines of
// openCommandLines are started with window style 1; when the registry has
// no command for the type, the desktop's default application opens it, and
// where the desktop has none either, the Explorer program does (a folder
// included). The windows close, also when nothing could be started; then
// the user is told of each open that failed: an application file or a
// registered program that could not be started, a type the desktop has no
// program for (the opener is still asked), an opener that could not be
// started. A hit opened without any failure is added to the desktop's
// recently used files.
// Returns the lookup (empty for the preferences row, Show All, an
// application file and a row without FileName label).
OpenLookup OpenResult(qint32 row, const std::optional<QString>& fileNameToolTip, OpenHitContext& context);

// Starts "c:\windows\explorer.exe " followed by the row's (option-safe) path, minimized
// with focus (style 2), then closes the windows, also when the start fails
// (the user is then told). A hit so opened is added to the desktop's
// recently used files.
// For the preferences row it shows the preferences window and disables
// Form1 instead, without setting PreferencesOpen or closing anything.
void OpenViaExplorer(qint32 row, const std::optional<QString>& fileNameToolTip, OpenHitContext& context);

}  // namespace orvanta::results_window
