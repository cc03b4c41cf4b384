// The HTTP side of the local search service: answers the search address
// from the current index, the home, "/ok" and "/unsupported" pages, and
// refuses a search without the right code. Listens on loopback only.
#pragma once

#include "indexer.h"
#include "search_index.h"
#include "service_codes.h"

#include <QAbstractHttpServer>
#include <QStringList>

#include <functional>
#include <memory>

namespace orvanta::service {

inline constexpr int kMaxHits = 200;

class LocalSearchServer : public QAbstractHttpServer {
 public:
  LocalSearchServer(ServiceCodes codes, IndexSettings indexSettings, QObject* parent = nullptr);
  ~LocalSearchServer() override;

  // Listens on 127.0.0.1 and, where the system has it, ::1, on `port` (0:
  // a free one). Returns the port, 0 on failure.
  quint16 listenOnLoopback(quint16 port);

  // Opens the index and starts the indexer in the background. False when
  // the index database cannot be opened.
  bool startIndexing();

  // The paths of the hits for `words`, best first, as the page writes them.
  QStringList findHits(const QStringList& words, int limit);

  // Called with every log line (one per request, and the indexing news).
  std::function<void(const QString&)> log;

 protected:
  bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
  void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

 private:
  ServiceCodes codes_;
  IndexSettings indexSettings_;
  std::unique_ptr<Indexer> indexer_;
  SearchIndex index_;  // this thread's connection, for the searches
};

}  // namespace orvanta::service
