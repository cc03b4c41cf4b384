// Command-line parsing with QCommandLineParser; the texts it prints for
// --help and --version are made here, not by the parser, so no
// application object is needed.
#include "command_line.h"

#include "settings/service_defaults.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace orvanta::app {

CommandLine parseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("A menu-bar button that drops down a search panel for the desktop search service on this "
                     "machine (HTTP, port %1). One program runs per user session: a second start hands its "
                     "request to the running one, which drops its panel.")
          .arg(settings::kServicePort));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Displays this help and exits."));
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                   QStringLiteral("Displays the version and exits."));
  const QCommandLineOption showPanel(
      QStringLiteral("show-panel"),
      QStringLiteral("Drops the search panel at once with the caret in the search box (for a keyboard shortcut)."));
  parser.addOptions({help, version, showPanel});

  CommandLine result;
  if (!parser.parse(arguments)) {
    result.exit = CommandLine::Exit{QStringLiteral("%1: %2\nTry '%1 --help'.\n")
                                        .arg(QCoreApplication::applicationName(), parser.errorText()),
                                    true, 2};
    return result;
  }
  if (!parser.positionalArguments().isEmpty()) {
    result.exit = CommandLine::Exit{QStringLiteral("%1: unexpected argument '%2'\nTry '%1 --help'.\n")
                                        .arg(QCoreApplication::applicationName(), parser.positionalArguments().first()),
                                    true, 2};
    return result;
  }
  if (parser.isSet(help)) {
    // The parser names the program after the executable of an application
    // object, and there is none yet: the usage line is made here.
    QString text = parser.helpText();
    text.replace(0, text.indexOf(u'\n'),
                 QStringLiteral("Usage: %1 [options]").arg(QCoreApplication::applicationName()));
    result.exit = CommandLine::Exit{text, false, 0};
    return result;
  }
  if (parser.isSet(version)) {
    result.exit = CommandLine::Exit{
        QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(), QCoreApplication::applicationVersion()),
        false, 0};
    return result;
  }
  result.showPanel = parser.isSet(showPanel);
  return result;
}

}  // namespace orvanta::app
