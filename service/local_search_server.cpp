// Request routing and the searches of the index.
#include "local_search_server.h"

#include "service_pages.h"

#include <QFile>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>

#include <memory>

namespace orvanta::service {

using Status = QHttpServerResponder::StatusCode;

LocalSearchServer::LocalSearchServer(ServiceCodes codes, IndexSettings indexSettings, QObject* parent)
    : QAbstractHttpServer(parent), codes_(std::move(codes)), indexSettings_(std::move(indexSettings)) {}

LocalSearchServer::~LocalSearchServer() = default;

quint16 LocalSearchServer::listenOnLoopback(quint16 port) {
  const quint16 bound = listen(QHostAddress(QHostAddress::LocalHost), port);
  if (bound == 0) return 0;
  if (listen(QHostAddress(QHostAddress::LocalHostIPv6), bound) == 0 && log) {
    log(QStringLiteral("IPv6 loopback not available; serving on 127.0.0.1 only"));
  }
  return bound;
}

bool LocalSearchServer::startIndexing() {
  // The indexer's news are logged on this thread.
  indexer_ = std::make_unique<Indexer>(indexSettings_, [this](const QString& line) {
    QMetaObject::invokeMethod(this, [this, line] {
      if (log) log(line);
    });
  });
  if (!indexer_->prepare() || !index_.open(indexSettings_.databasePath, false)) return false;
  indexer_->start();
  return true;
}

QStringList LocalSearchServer::findHits(const QStringList& words, int limit) {
  QStringList paths;
  for (const SearchHit& hit : index_.search(words, limit)) paths.append(QFile::decodeName(hit.path));
  return paths;
}

bool LocalSearchServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
  const QUrl url = request.url();
  const QString path = url.path(QUrl::FullyEncoded);
  const QString query = url.query(QUrl::FullyEncoded);
  Status status = Status::Ok;
  QByteArray body;

  const auto queryValue = [&](const QString& name) {
    for (const QString& parameter : query.split(u'&')) {
      if (parameter.startsWith(name + u'=')) return parameter.mid(name.size() + 1);
    }
    return QString();
  };

  if (request.method() != QHttpServerRequest::Method::Get && request.method() != QHttpServerRequest::Method::Head) {
    status = Status::MethodNotAllowed;
    body = notFoundPage();
  } else if (path == u'/') {
    body = homePage(codes_.securityCode);
  } else if (path.startsWith(QStringLiteral("/search"))) {
    const QString codeInPath = QStringLiteral("/search&s=") + codes_.securityCode;
    const bool authorised = path == codeInPath || (path == QStringLiteral("/search") && queryValue(QStringLiteral("s")) == codes_.securityCode);
    if (authorised) {
      const QStringList words = queryWords(query);
      body = resultPage(codes_.securityCode, words, findHits(words, kMaxHits));
    } else {
      status = Status::Forbidden;
      body = forbiddenPage();
    }
  } else if (path == QStringLiteral("/ok")) {
    body = okPage(QString::fromUtf8(QByteArray::fromPercentEncoding(queryValue(QStringLiteral("url")).toUtf8())));
  } else if (path == QStringLiteral("/unsupported")) {
    body = unsupportedPage();
  } else {
    status = Status::NotFound;
    body = notFoundPage();
  }

  QHttpServerResponder responder = makeResponder(request, socket);
  responder.write(body, "text/html; charset=utf-8", status);
  if (log) {
    // Concatenated, not formatted: the address holds "%" signs of its own.
    const QString method =
        request.method() == QHttpServerRequest::Method::Get ? QStringLiteral("GET") : QStringLiteral("other");
    log(socket->peerAddress().toString() + u' ' + method + u' ' +
        url.toString(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::FullyEncoded) + u' ' +
        QString::number(static_cast<int>(status)));
  }
  return true;
}

void LocalSearchServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
  makeResponder(request, socket).write(notFoundPage(), "text/html; charset=utf-8", Status::NotFound);
}

}  // namespace orvanta::service
