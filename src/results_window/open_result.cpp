// OpenResult and OpenViaExplorer.
#include "open_result.h"

#include "platform/file_system.h"
#include "platform/http_address.h"
#include "search/results_panel.h"

#include <QCoreApplication>

namespace orvanta::results_window {
namespace {

const QString kClassesCommandKey = QStringLiteral("\\Shell\\Open\\Command");
const QString kExplorer = QStringLiteral("c:\\windows\\explorer.exe ");

void showPreferencesAndDisable(OpenHitContext& context) {
  if (context.showPreferences) context.showPreferences();
  if (context.disableForm1) context.disableForm1();
}

void closeWindows(OpenHitContext& context) {
  if (context.closeForm) context.closeForm();
}

// Adds a hit opened without failure to the desktop's recently used files.
void recordOpened(OpenHitContext& context, const std::optional<QString>& path, bool failed) {
  if (context.recentDocuments && path && !path->isEmpty() && !failed) context.recentDocuments->addOpened(*path);
}

// The reasons an open failed, told to the user once the windows close.
struct OpenFailures {
  QString path;  // empty for Show All, whose address (with the service's codes) is not shown
  QStringList reasons;

  void add(const QString& reason) {
    if (!reason.isEmpty() && !reasons.contains(reason)) reasons << reason;
  }
  void tell(OpenHitContext& context) const {
    if (reasons.isEmpty() || !context.tellUser) return;
    if (path.isEmpty()) {
      context.tellUser(QCoreApplication::translate("OpenResult", "Could not show the search results page"),
                       reasons.join(u'\n'));
      return;
    }
    const QString name = platform::FileSystem::GetFileName(path);
    context.tellUser(
        QCoreApplication::translate("OpenResult", "Could not open \u201c%1\u201d").arg(name.isEmpty() ? path : name),
        reasons.join(u'\n') + u'\n' + path);
  }
};

QString openerNotStarted() {
  return QCoreApplication::translate("OpenResult", "The desktop's file opener could not be started.");
}

QString programNotStarted(const QString& commandLine) {
  const QStringList parts = platform::splitCommandLine(commandLine);
  return QCoreApplication::translate("OpenResult",
                                     "The program \u201c%1\u201d set to open this type could not be started.")
      .arg(parts.isEmpty() ? commandLine : parts.first());
}

}  // namespace

QString optionSafePath(const QString& path) {
  return path.startsWith(QLatin1Char('-')) ? QStringLiteral("./") + path : path;
}

namespace {

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

// `path` escaped for a place inside double quotes by the Windows
// command-line rules: a quote becomes \", the backslashes before it double,
// and so do trailing backslashes when `closingQuoteFollows`.
QString escapeInQuotes(const QString& path, bool closingQuoteFollows) {
  QString out;
  qsizetype backslashes = 0;
  for (const QChar c : path) {
    if (c == QLatin1Char('\\')) {
      ++backslashes;
      continue;
    }
    if (c == QLatin1Char('"')) {
      out += QString(backslashes * 2 + 1, QLatin1Char('\\'));
    } else {
      out += QString(backslashes, QLatin1Char('\\'));
    }
    out += c;
    backslashes = 0;
  }
  out += QString(closingQuoteFollows ? backslashes * 2 : backslashes, QLatin1Char('\\'));
  return out;
}

// `command` with every `marker` replaced by `path` so that splitting the
// line by the Windows rules gives the path back whole, as one argument (or
// one part of an argument), whatever blanks, quotes or backslashes it holds.
QString substitutePath(const QString& command, QLatin1StringView marker, Qt::CaseSensitivity cs,
                       const QString& path) {
  const bool needsQuotes = path.isEmpty() || path.contains(QLatin1Char(' ')) || path.contains(QLatin1Char('\t')) ||
                           path.contains(QLatin1Char('"'));
  QString out;
  bool quoted = false;
  bool inProgram = true;  // the program name knows no escapes
  bool programStarted = false;
  qsizetype backslashes = 0;
  for (qsizetype i = 0; i < command.size();) {
    if (QStringView(command).sliced(i).startsWith(marker, cs)) {
      const qsizetype next = i + marker.size();
      const bool quoteFollows = next < command.size() && command[next] == QLatin1Char('"');
      if (inProgram) {
        out += path;
      } else if (quoted) {
        out += escapeInQuotes(path, quoteFollows);
      } else if (needsQuotes) {
        out += QLatin1Char('"') + escapeInQuotes(path, true) + QLatin1Char('"');
      } else {
        out += path;
      }
      i = next;
      backslashes = 0;
      continue;
    }
    const QChar c = command[i];
    if (c == QLatin1Char('"') && (inProgram || backslashes % 2 == 0)) quoted = !quoted;
    if (!quoted && isBlank(c)) {
      if (programStarted) inProgram = false;
    } else {
      programStarted = true;
    }
    backslashes = c == QLatin1Char('\\') ? backslashes + 1 : 0;
    out += c;
    ++i;
  }
  return out;
}

}  // namespace

QStringList openCommandLines(const QString& openCommand, const QString& path) {
  const QString safe = optionSafePath(path);
  QStringList lines;
  if (openCommand.contains(QStringLiteral("%1"))) {
    lines << substitutePath(openCommand, QLatin1StringView("%1"), Qt::CaseSensitive, safe);
  }
  if (openCommand.contains(QStringLiteral("%L"), Qt::CaseInsensitive)) {
    lines << substitutePath(openCommand, QLatin1StringView("%L"), Qt::CaseInsensitive, safe);
  }
  return lines;
}

OpenLookup OpenResult(qint32 row, const std::optional<QString>& fileNameToolTip, OpenHitContext& context) {
  if (row == search::kPreferencesRow) {
    context.PreferencesOpen = true;
    showPreferencesAndDisable(context);
    return {};
  }
  OpenLookup lookup;
  OpenFailures failures{fileNameToolTip.value_or(QString()), {}};
  platform::DesktopLauncher* desktop = context.desktop;
  if (fileNameToolTip && fileNameToolTip->isEmpty()) {
    // Show All: the page of the last search, and only one this machine
    // serves, in the web browser.
    const QString address = context.lastSearchAddress ? context.lastSearchAddress() : QString();
    if (!address.isEmpty() && platform::parseHttpAddress(address)) {
      if (!context.programStart.start(kExplorer + address, platform::kWindowNormalFocus)) {
        failures.add(openerNotStarted());
      }
    }
  } else if (fileNameToolTip && desktop && desktop->isApplication(*fileNameToolTip)) {
    failures.add(desktop->launchApplication(*fileNameToolTip).reason);
  } else if (fileNameToolTip) {
    const QString& path = *fileNameToolTip;
    const QString extension = context.getExtensionName ? context.getExtensionName(path) : QString();
    const auto classesRoot = platform::RegRoot::ClassesRoot;
    lookup.FileTypeKey = context.regKeys.ReadRegValue(classesRoot, QStringLiteral(".") + extension, QString());
    lookup.OpenCommand =
        context.regKeys.ReadRegValue(classesRoot, lookup.FileTypeKey + kClassesCommandKey, QString());
    lookup.OpenCommand.replace(QStringLiteral("%SYSTEMROOT%"), context.WindowsDirectory, Qt::CaseInsensitive);
    const QStringList commandLines = openCommandLines(lookup.OpenCommand, path);
    for (const QString& commandLine : commandLines) {
      if (!context.programStart.start(commandLine, platform::kWindowNormalFocus)) {
        failures.add(programNotStarted(commandLine));
      }
    }
    if (lookup.OpenCommand.isEmpty()) {
      const platform::LaunchOutcome outcome = desktop ? desktop->openWithDefault(path) : platform::LaunchOutcome{};
      if (!outcome) {
        // What the desktop said stands even when the opener is started: it
        // asks the same desktop and mostly fails without a word.
        failures.add(outcome.reason);
        if (!context.programStart.start(kExplorer + optionSafePath(path), platform::kWindowNormalFocus)) {
          failures.add(openerNotStarted());
        }
      }
    }
  }
  recordOpened(context, fileNameToolTip, !failures.reasons.isEmpty());
  closeWindows(context);
  failures.tell(context);
  return lookup;
}

void OpenViaExplorer(qint32 row, const std::optional<QString>& fileNameToolTip, OpenHitContext& context) {
  if (row == search::kPreferencesRow) {
    showPreferencesAndDisable(context);
    return;
  }
  OpenFailures failures{fileNameToolTip.value_or(QString()), {}};
  if (fileNameToolTip &&
      !context.programStart.start(kExplorer + optionSafePath(*fileNameToolTip), platform::kWindowMinimizedFocus)) {
    failures.add(openerNotStarted());
  }
  recordOpened(context, fileNameToolTip, !failures.reasons.isEmpty());
  closeWindows(context);
  failures.tell(context);
}

}  // namespace orvanta::results_window
