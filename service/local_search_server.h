// The HTTP side of the local search service: answers the search address
// from the current index, the home, "/ok" and "/unsupported" pages, and
// refuses a search without the right code. Listens on loopback only and
// answers only this user's programs, through an HTTP library that closes
// connections as clients ask, behind a gate that bounds the connections and
// the time each request head may take.
#pragma once

#include "indexer.h"
#include "search_index.h"
#include "service_codes.h"
#include "settings/service_defaults.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

namespace orvanta::service {

inline constexpr int kMaxHits = 200;

// How the service treats its connections.
struct ConnectionLimits {
  // An idle connection is closed after this, and so is one that has not
  // sent a whole request head this long after opening or its last answer.
  int idleSeconds = settings::kServiceIdleSeconds;
  // Over both listeners; further connections wait, unread, until one ends
  // or one still waiting for a request head gives way.
  int maxConnections = settings::kServiceMaxConnections;
};

// One request as the service reads it.
struct HttpRequest {
  QByteArray method;  // "GET", "HEAD", ...
  QByteArray target;  // the address as sent: path and query, still encoded
  QByteArray host;    // the Host header ("" when missing)
};

struct HttpReply {
  int status = 200;
  QByteArray body;
};

// Whether `host` (a Host header) names this machine's loopback interface:
// "localhost", "127.0.0.1" or "[::1]", with or without a port.
bool isLoopbackHost(QByteArrayView host);

// `target` as it goes into the log: the codes, and whatever a request sent
// in their place, replaced by "***".
QString maskedTarget(const QString& target, const ServiceCodes& codes);

class LocalSearchServer : public QObject {
 public:
  LocalSearchServer(ServiceCodes codes, IndexSettings indexSettings, QObject* parent = nullptr);
  ~LocalSearchServer() override;

  void setConnectionLimits(ConnectionLimits limits) { limits_ = limits; }

  // Listens on 127.0.0.1 and, where the system has it, ::1, on `port` (0:
  // a free one). Returns the port, 0 on failure.
  quint16 listenOnLoopback(quint16 port);

  // Opens the index and starts the indexer in the background. False when
  // the index database cannot be opened.
  bool startIndexing();

  // The answer to one request; runs on the thread of the server object.
  HttpReply answer(const HttpRequest& request);

  // A request's target as the log writes it: one line, without the codes.
  QString maskedLogTarget(const QByteArray& target) const;

  // The log line of one request from `peer` answered with `status`: the
  // method and the target written as maskedLogTarget writes a target.
  QString requestLogLine(const QString& peer, const HttpRequest& request, int status) const;

  // Called with every log line (one per request, and the indexing news) on
  // the thread of the server object.
  std::function<void(const QString&)> log;

  struct Daemons;  // the HTTP library's side

 private:
  // The paths of the hits for `words`, best first, as the file system
  // has them.
  QList<QByteArray> findPaths(const QStringList& words);

  ServiceCodes codes_;
  IndexSettings indexSettings_;
  ConnectionLimits limits_;
  std::unique_ptr<Indexer> indexer_;
  SearchIndex index_;  // this thread's connection, for the searches
  std::unique_ptr<Daemons> daemons_;
};

}  // namespace orvanta::service
