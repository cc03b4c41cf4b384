// local-search-service: a small desktop search service on the loopback
// interface (its port in settings/service_defaults.h), indexing the names
// and contents of the files under its roots and the desktop entries of the
// installed applications.
#include "index_access.h"
#include "local_search_server.h"
#include "platform/registry.h"
#include "service_codes.h"
#include "settings/reg_keys.h"
#include "settings/service_defaults.h"
#include "socket_owner.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <QFileInfo>

#include <cstdio>

namespace {

// The text extraction helper: in the package's helper folder when
// installed, beside the service in the build tree.
QString extractorProgram() {
#if defined(Q_OS_WIN)
  const QString name = QStringLiteral("local-search-extract.exe");
#else
  const QString name = QStringLiteral("local-search-extract");
#endif
  const QDir programFolder(QCoreApplication::applicationDirPath());
  for (const QString& candidate : {programFolder.filePath(QStringLiteral(ORVANTA_EXTRACT_FROM_SERVICE) + u'/' + name),
                                   programFolder.filePath(name)}) {
    const QFileInfo file(candidate);
    if (file.isFile() && file.isExecutable()) return QDir::cleanPath(file.absoluteFilePath());
  }
  return programFolder.filePath(name);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("local-search-service"));
  QCoreApplication::setApplicationVersion(QStringLiteral(ORVANTA_VERSION));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Desktop search for Orvanta: indexes the files under its folders and answers searches over HTTP on the\n"
      "loopback interface (127.0.0.1 and ::1), to this user's programs only. The search address and its\n"
      "code are in the registry key HKEY_LOCAL_MACHINE\\Software\\LocalSearchService. Log lines go to\n"
      "standard error and never hold the codes."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption portOption(
      QStringLiteral("port"),
      QStringLiteral("TCP port to listen on (default %1; 0: any free one, printed at start).")
          .arg(orvanta::settings::kServicePort),
      QStringLiteral("port"), QString::number(orvanta::settings::kServicePort));
  const QCommandLineOption rootOption(
      QStringLiteral("root"), QStringLiteral("Folder to index; may be given several times (default: the home folder)."),
      QStringLiteral("dir"));
  const QCommandLineOption idleOption(
      QStringLiteral("idle-timeout"),
      QStringLiteral("Seconds after which an idle connection, or one that has not sent a whole request head, is "
                     "closed (default %1).")
          .arg(orvanta::settings::kServiceIdleSeconds),
      QStringLiteral("seconds"), QString::number(orvanta::settings::kServiceIdleSeconds));
  const QCommandLineOption connectionsOption(
      QStringLiteral("max-connections"),
      QStringLiteral("Most connections served at once over both listeners; further ones wait, unread, until one "
                     "ends or one still waiting for a request head gives way (default %1).")
          .arg(orvanta::settings::kServiceMaxConnections),
      QStringLiteral("count"), QString::number(orvanta::settings::kServiceMaxConnections));
  const QCommandLineOption excludeOption(
      QStringLiteral("exclude"),
      QStringLiteral("Leave out entries whose name matches the wildcard pattern (or whose full path does, for a "
                     "pattern with a \"/\"); may be given several times. Hidden entries, folders holding a "
                     "CACHEDIR.TAG and %1 are always left out.")
          .arg(orvanta::service::defaultExcludes().join(QStringLiteral(", "))),
      QStringLiteral("pattern"));
  const QCommandLineOption indexOption(
      QStringLiteral("index"),
      QStringLiteral("The index database file (default: one per set of roots under "
                     "${XDG_CACHE_HOME:-$HOME/.cache}/orvanta/)."),
      QStringLiteral("path"));
  parser.addOptions({portOption, rootOption, excludeOption, indexOption, idleOption, connectionsOption});
  parser.process(app);

  const auto log = [](const QString& line) {
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
  };

  const auto number = [&](const QCommandLineOption& option, uint low, uint high) -> std::optional<uint> {
    bool ok = false;
    const uint value = parser.value(option).toUInt(&ok);
    if (ok && value >= low && value <= high) return value;
    log(QStringLiteral("local-search-service: bad value %1 for --%2 (%3 to %4)")
            .arg(parser.value(option), option.names().first())
            .arg(low)
            .arg(high));
    return std::nullopt;
  };
  const std::optional<uint> port = number(portOption, 0, 65535);
  const std::optional<uint> idleSeconds = number(idleOption, 1, 86400);
  const std::optional<uint> maxConnections = number(connectionsOption, 1, 100000);
  if (!port || !idleSeconds || !maxConnections) return 2;

  QStringList roots;
  for (const QString& root : parser.values(rootOption)) roots.append(QDir(root).absolutePath());
  if (roots.isEmpty()) roots.append(QDir::homePath());

  const auto registry = orvanta::platform::createSystemRegistry();
  const orvanta::settings::RegKeys regKeys(*registry);
  bool stored = false;
  const orvanta::service::ServiceCodes codes = orvanta::service::loadOrCreateCodes(regKeys, &stored);
  if (!stored) log(QStringLiteral("local-search-service: could not store the service codes in the registry"));

  orvanta::service::IndexSettings indexSettings;
  indexSettings.roots = roots;
  indexSettings.excludes = orvanta::service::defaultExcludes() + parser.values(excludeOption);
  indexSettings.applicationDirs = orvanta::service::defaultApplicationDirs();
  indexSettings.databasePath = parser.isSet(indexOption) ? QDir(parser.value(indexOption)).absolutePath()
                                                         : orvanta::service::defaultDatabasePath(roots);
  indexSettings.extractorProgram = extractorProgram();
  orvanta::service::restrictIndexAccess(indexSettings.databasePath, !parser.isSet(indexOption), log);
  orvanta::service::IndexLock indexLock(indexSettings.databasePath);
  if (!indexLock.tryLock()) {
    log(indexLock.refusal());
    return 1;
  }
  orvanta::service::LocalSearchServer server(codes, indexSettings);
  server.log = log;
  server.setConnectionLimits({static_cast<int>(*idleSeconds), static_cast<int>(*maxConnections)});
  const quint16 bound = server.listenOnLoopback(static_cast<quint16>(*port));
  if (bound == 0) {
    const std::optional<unsigned> holder = orvanta::service::listeningPortOwner(static_cast<unsigned short>(*port));
    const std::optional<unsigned> self = orvanta::service::currentUserId();
    if (*port != 0 && holder && self && *holder != *self) {
      log(QStringLiteral("local-search-service: port %1 is held by another user's service (user id %2); "
                         "only one user of this machine can run it on that port")
              .arg(*port)
              .arg(*holder));
    } else {
      log(QStringLiteral("local-search-service: cannot listen on 127.0.0.1 port %1 (in use or not allowed)")
              .arg(*port));
    }
    return 1;
  }
  log(QStringLiteral("local-search-service: listening on port %1, indexing %2").arg(bound).arg(roots.join(u' ')));
  if (!server.startIndexing()) {
    log(QStringLiteral("local-search-service: cannot open the index database %1").arg(indexSettings.databasePath));
    return 1;
  }
  return app.exec();
}
