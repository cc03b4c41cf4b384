// local-search-service: a small desktop search service on the loopback
// interface, port 4664, indexing the names and contents of the files under
// its roots and the desktop entries of the installed applications.
#include "local_search_server.h"
#include "platform/registry.h"
#include "service_codes.h"
#include "settings/reg_keys.h"

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

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Answers file-name searches over HTTP on the loopback interface."));
  parser.addHelpOption();
  const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Port to listen on (0: any free one)."),
                                      QStringLiteral("port"), QStringLiteral("4664"));
  const QCommandLineOption rootOption(QStringLiteral("root"),
                                      QStringLiteral("Folder to index; may be given several times (default: home)."),
                                      QStringLiteral("dir"));
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
  parser.addOptions({portOption, rootOption, excludeOption, indexOption});
  parser.process(app);

  const auto log = [](const QString& line) {
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
  };

  bool portOk = false;
  const uint port = parser.value(portOption).toUInt(&portOk);
  if (!portOk || port > 65535) {
    log(QStringLiteral("local-search-service: bad port %1").arg(parser.value(portOption)));
    return 2;
  }
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
  orvanta::service::LocalSearchServer server(codes, indexSettings);
  server.log = log;
  const quint16 bound = server.listenOnLoopback(static_cast<quint16>(port));
  if (bound == 0) {
    log(QStringLiteral("local-search-service: cannot listen on 127.0.0.1 port %1").arg(port));
    return 1;
  }
  log(QStringLiteral("local-search-service: listening on port %1, indexing %2").arg(bound).arg(roots.join(u' ')));
  if (!server.startIndexing()) {
    log(QStringLiteral("local-search-service: cannot open the index database %1").arg(indexSettings.databasePath));
    return 1;
  }
  return app.exec();
}
