// The HTTP side of the local search service: answers the search address
// from the current index, the home, "/ok" and "/unsupported" pages, and
// refuses a search without the right code. Listens on loopback only.
#pragma once

#include "file_index.h"
#include "service_codes.h"

#include <QAbstractHttpServer>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <functional>

namespace orvanta::service {

inline constexpr int kMaxHits = 200;

class LocalSearchServer : public QAbstractHttpServer {
 public:
  LocalSearchServer(ServiceCodes codes, QStringList roots, int reindexIntervalMs, QObject* parent = nullptr);
  ~LocalSearchServer() override;

  // Listens on 127.0.0.1 and, where the system has it, ::1, on `port` (0:
  // a free one). Returns the port, 0 on failure.
  quint16 listenOnLoopback(quint16 port);

  // Starts the first indexing run and the timer of the later ones.
  void startIndexing();

  // Called with every log line (one per request, and the indexing news).
  std::function<void(const QString&)> log;

 protected:
  bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
  void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

 private:
  void reindex();

  ServiceCodes codes_;
  QStringList roots_;
  FileIndex index_;
  QTimer reindexTimer_;
  bool indexing_ = false;
  QThread* worker_ = nullptr;  // the running index build
};

}  // namespace orvanta::service
