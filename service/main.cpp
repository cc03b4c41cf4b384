// local-search-service: a small desktop search service on the loopback
// interface, port 4664, indexing the names of the files under its roots.
#include "local_search_server.h"
#include "platform/registry.h"
#include "service_codes.h"
#include "settings/reg_keys.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <cstdio>

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
  parser.addOptions({portOption, rootOption});
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

  orvanta::service::LocalSearchServer server(codes, roots, 10 * 60 * 1000);
  server.log = log;
  const quint16 bound = server.listenOnLoopback(static_cast<quint16>(port));
  if (bound == 0) {
    log(QStringLiteral("local-search-service: cannot listen on 127.0.0.1 port %1").arg(port));
    return 1;
  }
  log(QStringLiteral("local-search-service: listening on port %1, indexing %2").arg(bound).arg(roots.join(u' ')));
  server.startIndexing();
  return app.exec();
}
