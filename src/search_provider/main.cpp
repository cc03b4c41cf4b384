// orvanta-search-provider: answers the desktop's own search (GNOME Shell,
// KRunner) on the session bus from the local search service, as the
// program's panel does. D-Bus starts it when the desktop first asks; it
// ends after a while without calls.
#include "desktop_search.h"
#include "provider_object.h"
#include "platform/dbus_user_notice.h"
#include "platform/desktop_launcher.h"
#include "platform/program_start.h"
#include "platform/qt_file_system.h"
#include "platform/qt_http_transfer.h"
#include "platform/registry.h"
#include "settings/reg_keys.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <cstdio>

namespace {

// The program the "open search" action starts: installed, it lies in the
// programs' folder, relative to this helper's.
QString installedProgram() {
  return QDir::cleanPath(
      QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(ORVANTA_PROGRAM_FROM_HELPERS "/orvanta")));
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("orvanta-search-provider"));
  QCoreApplication::setApplicationVersion(QStringLiteral(ORVANTA_VERSION));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Answers the desktop's own search (GNOME Shell's search provider and KRunner's runner interfaces) on the "
      "session bus from the local search service, as Orvanta's panel does. D-Bus starts it on demand."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption idleTimeout(QStringLiteral("idle-timeout"),
                                       QStringLiteral("Ends after SECONDS without calls (default 60)."),
                                       QStringLiteral("SECONDS"), QStringLiteral("60"));
  const QCommandLineOption panelCommand(
      QStringLiteral("panel-command"),
      QStringLiteral("The program, with any leading arguments in one command line, that \"open search\" starts "
                     "with --show-panel --search WORDS (default: the installed orvanta)."),
      QStringLiteral("COMMAND"));
  parser.addOptions({idleTimeout, panelCommand});
  parser.process(app);
  bool secondsRead = false;
  const double seconds = parser.value(idleTimeout).toDouble(&secondsRead);
  if (!secondsRead || seconds <= 0) {
    std::fprintf(stderr, "orvanta-search-provider: --idle-timeout takes a number of seconds above 0\n");
    return 2;
  }
  QStringList command = parser.isSet(panelCommand) ? orvanta::platform::splitCommandLine(parser.value(panelCommand))
                                                   : QStringList{installedProgram()};
  if (command.isEmpty()) {
    std::fprintf(stderr, "orvanta-search-provider: --panel-command names no program\n");
    return 2;
  }
  const QString program = command.takeFirst();

  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    std::fprintf(stderr, "orvanta-search-provider: no session bus: %s\n", qPrintable(bus.lastError().message()));
    return 1;
  }

  const auto registry = orvanta::platform::createSystemRegistry();
  const orvanta::settings::RegKeys regKeys(*registry);
  orvanta::platform::QtHttpTransfer http;
  const orvanta::platform::QtFileSystem fileSystem;
  const auto programStart = orvanta::platform::createSystemProgramStart();
  const auto desktopLauncher = orvanta::platform::createSystemDesktopLauncher();
  // A hit that cannot be opened is told as the panel tells it; without a
  // notification service, on standard error.
  orvanta::platform::DBusUserNotice notice(bus, [](const QString& summary, const QString& body) {
    std::fprintf(stderr, "orvanta-search-provider: %s\n%s\n", qPrintable(summary), qPrintable(body));
  });
  const auto startPanel = [program, command](const QString& words) {
    QStringList arguments = command;
    arguments << QStringLiteral("--show-panel");
    if (!words.isEmpty()) arguments << QStringLiteral("--search") << words;
    return QProcess::startDetached(program, arguments);
  };
  orvanta::search_provider::DesktopSearch search(
      regKeys, http, fileSystem, desktopLauncher.get(), *programStart, startPanel,
      [&notice](const QString& summary, const QString& body) { notice.tell(summary, body); });

  orvanta::search_provider::registerProviderTypes();
  orvanta::search_provider::ProviderObject object(search);
  if (!bus.registerVirtualObject(QString::fromLatin1(orvanta::search_provider::kObjectPath), &object)) {
    std::fprintf(stderr, "orvanta-search-provider: the object cannot be registered: %s\n",
                 qPrintable(bus.lastError().message()));
    return 1;
  }
  if (!bus.registerService(QString::fromLatin1(orvanta::search_provider::kBusName))) {
    std::fprintf(stderr, "orvanta-search-provider: the name %s is taken: %s\n", orvanta::search_provider::kBusName,
                 qPrintable(bus.lastError().message()));
    return 1;
  }

  QTimer idle;
  idle.setSingleShot(true);
  idle.setInterval(std::chrono::milliseconds(qint64(seconds * 1000)));
  QObject::connect(&object, &orvanta::search_provider::ProviderObject::called, &idle, qOverload<>(&QTimer::start));
  QObject::connect(&idle, &QTimer::timeout, &app, [&] {
    if (object.busy()) {
      idle.start();
      return;
    }
    QCoreApplication::quit();
  });
  idle.start();
  return QCoreApplication::exec();
}
