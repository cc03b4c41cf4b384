// Request routing, the connections (accepted by the connection gate, served
// by libmicrohttpd, each on a thread of its own) and the searches of the
// index. Every request is answered on the server object's thread: the
// library's thread parks the connection, hands the request over and takes
// the answer back, so the index and the log are only ever used from one
// thread.
#include "local_search_server.h"

#include "index_status.h"

#include "connection_gate.h"
#include "service_pages.h"
#include "socket_owner.h"

#include <QHostAddress>
#include <QMetaObject>
#include <QRegularExpression>

#include <microhttpd.h>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <set>
#include <unordered_map>
#include <utility>

namespace orvanta::service {

namespace {

// One request on its way through the service.
struct Exchange {
  HttpRequest request;
  QString peer;
  HttpReply reply;
  bool started = false;
  bool answered = false;
  bool aborted = false;  // the server is going away
};

// Request text (the target, the method) with every byte outside printable
// ASCII written as %XX, so that a log line stays one line of words.
QString printableTarget(const QByteArray& target) {
  QString out;
  for (const char c : target) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte < 0x7f) {
      out += QLatin1Char(c);
    } else {
      out += QStringLiteral("%%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    }
  }
  return out;
}

QString addressText(const sockaddr* address) {
  return address ? QHostAddress(address).toString() : QStringLiteral("?");
}

}  // namespace

struct LocalSearchServer::Daemons {
  LocalSearchServer* server = nullptr;
  MHD_Daemon* daemon = nullptr;
  std::unique_ptr<ConnectionGate> gate;
  std::optional<unsigned> ownUser;  // connections of other users are refused
  std::mutex mutex;                 // guards everything below
  bool stopping = false;
  std::unordered_map<Exchange*, MHD_Connection*> waiting;  // parked until answered
  std::set<unsigned> refusedUsers;                          // logged once each

  // Runs `work` on the server object's thread.
  template <typename Work>
  void post(Work work) {
    QMetaObject::invokeMethod(server, std::move(work), Qt::QueuedConnection);
  }

  void logLater(const QString& line) {
    post([server = server, line] {
      if (server->log) server->log(line);
    });
  }

  // Whether a connection from `client` to `listener` is this user's;
  // another user's is logged, once per user.
  bool fromOwnUser(const sockaddr* client, const sockaddr* listener);
};

namespace {

void* onUri(void* cls, const char* uri, MHD_Connection*) {
  auto* exchange = new Exchange;
  exchange->request.target = QByteArray(uri ? uri : "");
  (void)cls;
  return exchange;
}

// The gate's place of a connection.
ConnectionGate::Place* placeOf(MHD_Connection* connection) {
  const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
  return info ? static_cast<ConnectionGate::Place*>(info->socket_context) : nullptr;
}

void onConnection(void* cls, MHD_Connection* connection, void** socketContext, MHD_ConnectionNotificationCode code) {
  ConnectionGate& gate = *static_cast<LocalSearchServer::Daemons*>(cls)->gate;
  if (code == MHD_CONNECTION_NOTIFY_STARTED) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    *socketContext = info ? gate.opened(info->connect_fd) : nullptr;
  } else {
    gate.closed(static_cast<ConnectionGate::Place*>(*socketContext));
    *socketContext = nullptr;
  }
}

}  // namespace

bool LocalSearchServer::Daemons::fromOwnUser(const sockaddr* client, const sockaddr* listener) {
  if (!ownUser) return true;
  const std::optional<unsigned> owner = connectionPeerOwner(client, listener);
  if (owner == ownUser) return true;
  // Another user's program, or one whose socket is already gone.
  if (owner) {
    const std::lock_guard lock(mutex);
    if (refusedUsers.insert(*owner).second) {
      logLater(QStringLiteral("refused a connection from another user's program (user id %1)").arg(*owner));
    }
  }
  return false;
}

namespace {

MHD_Result queueReply(MHD_Connection* connection, const HttpReply& reply) {
  MHD_Response* response = MHD_create_response_from_buffer(static_cast<size_t>(reply.body.size()),
                                                           const_cast<char*>(reply.body.constData()),
                                                           MHD_RESPMEM_MUST_COPY);
  if (!response) return MHD_NO;
  MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, reply.contentType.constData());
  const MHD_Result result = MHD_queue_response(connection, static_cast<unsigned>(reply.status), response);
  MHD_destroy_response(response);
  return result;
}

MHD_Result onRequest(void* cls, MHD_Connection* connection, const char*, const char* method, const char*,
                     const char*, size_t* uploadSize, void** context) {
  LocalSearchServer::Daemons& shared = *static_cast<LocalSearchServer::Daemons*>(cls);
  auto* exchange = static_cast<Exchange*>(*context);
  if (!exchange) return MHD_NO;
  if (exchange->answered) return queueReply(connection, exchange->reply);
  if (exchange->aborted) return MHD_NO;

  // The first call brings the headers. Another method than GET and HEAD
  // is answered at once, without reading a body; a search is handled once
  // the library has read the whole request (so the connection can be kept).
  if (!exchange->started) {
    exchange->started = true;
    shared.gate->headComplete(placeOf(connection));
    exchange->request.method = QByteArray(method ? method : "");
    const char* host = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_HOST);
    exchange->request.host = QByteArray(host ? host : "");
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    exchange->peer = addressText(info ? info->client_addr : nullptr);
    if (exchange->request.method == "GET" || exchange->request.method == "HEAD") return MHD_YES;
    exchange->reply = {405, notFoundPage()};
    shared.logLater(shared.server->requestLogLine(exchange->peer, exchange->request, 405));
    return queueReply(connection, exchange->reply);
  }
  if (*uploadSize != 0) {  // a body sent with a GET: not read
    *uploadSize = 0;
    return MHD_YES;
  }

  const std::lock_guard lock(shared.mutex);
  if (shared.stopping) return MHD_NO;
  MHD_suspend_connection(connection);
  shared.waiting.emplace(exchange, connection);
  shared.post([&shared, exchange] {
    LocalSearchServer& server = *shared.server;
    HttpReply reply = server.answer(exchange->request);
    if (server.log) {
      server.log(server.requestLogLine(exchange->peer, exchange->request, reply.status));
    }
    const std::lock_guard lock(shared.mutex);
    const auto it = shared.waiting.find(exchange);
    if (it == shared.waiting.end()) return;
    MHD_Connection* parked = it->second;
    shared.waiting.erase(it);
    exchange->reply = std::move(reply);
    exchange->answered = true;
    MHD_resume_connection(parked);
  });
  return MHD_YES;
}

// A request has ended: its connection waits for the next head, or closes.
void onCompleted(void* cls, MHD_Connection* connection, void** context, MHD_RequestTerminationCode) {
  static_cast<LocalSearchServer::Daemons*>(cls)->gate->answered(placeOf(connection));
  delete static_cast<Exchange*>(*context);
  *context = nullptr;
}

}  // namespace

bool isLoopbackHost(QByteArrayView host) {
  const QByteArray text = host.toByteArray().toLower();
  qsizetype nameEnd = text.size();
  if (text.startsWith('[')) {
    nameEnd = text.indexOf(']') + 1;
    if (nameEnd == 0) return false;
  } else if (const qsizetype colon = text.indexOf(':'); colon >= 0) {
    nameEnd = colon;
  }
  const QByteArrayView name = QByteArrayView(text).first(nameEnd);
  const QByteArrayView rest = QByteArrayView(text).sliced(nameEnd);
  if (!rest.isEmpty()) {
    if (rest.size() < 2 || rest.size() > 6 || rest[0] != ':') return false;
    for (const char c : rest.sliced(1)) {
      if (c < '0' || c > '9') return false;
    }
  }
  return name == "localhost" || name == "127.0.0.1" || name == "[::1]";
}

QString maskedTarget(const QString& target, const ServiceCodes& codes) {
  QString out = target;
  for (const QString& code : {codes.securityCode, codes.sessionCode}) {
    if (!code.isEmpty()) out.replace(code, QStringLiteral("***"), Qt::CaseInsensitive);
  }
  // Whatever stands where a code goes, right or wrong.
  static const QRegularExpression codeValue(QStringLiteral("([&?]s=)[^&?]*"));
  out.replace(codeValue, QStringLiteral("\\1***"));
  return out;
}

QString LocalSearchServer::maskedLogTarget(const QByteArray& target) const {
  return maskedTarget(printableTarget(target), codes_);
}

QString LocalSearchServer::requestLogLine(const QString& peer, const HttpRequest& request, int status) const {
  // The method is the client's text as much as the target is, and is
  // written the same way; then cut short (no method we answer is long),
  // after the codes are masked, so that no part of one is left.
  constexpr qsizetype kMethodCharacters = 48;
  return peer + u' ' + maskedLogTarget(request.method).left(kMethodCharacters) + u' ' +
         maskedLogTarget(request.target) + u' ' + QString::number(status);
}

LocalSearchServer::LocalSearchServer(ServiceCodes codes, IndexSettings indexSettings, QObject* parent)
    : QObject(parent), codes_(std::move(codes)), indexSettings_(std::move(indexSettings)) {}

LocalSearchServer::~LocalSearchServer() {
  if (daemons_) {
    daemons_->gate->stop();
    {
      // Parked requests are let go (their connections close), so that the
      // library stops with none left parked.
      const std::lock_guard lock(daemons_->mutex);
      daemons_->stopping = true;
      for (const auto& [exchange, connection] : daemons_->waiting) {
        exchange->aborted = true;
        MHD_resume_connection(connection);
      }
      daemons_->waiting.clear();
    }
    MHD_stop_daemon(daemons_->daemon);
  }
}

quint16 LocalSearchServer::listenOnLoopback(quint16 port) {
  if (daemons_) return 0;
  auto daemons = std::make_unique<Daemons>();
  daemons->server = this;
  if (canTellPeerOwners()) daemons->ownUser = currentUserId();

  // One count of places over both listeners; the library serves what the
  // gate admits and is never asked for more than that.
  const int places = std::max(1, limits_.maxConnections);
  const std::chrono::milliseconds idle(std::chrono::seconds(std::max(1, limits_.idleSeconds)));
  GateTiming timing;
  timing.places = places;
  timing.headTime = idle;
  timing.keptAliveGrace = std::max(timing.newGrace, idle / 2);
  Daemons* shared = daemons.get();
  daemons->gate = std::make_unique<ConnectionGate>(
      timing,
      [shared](const sockaddr* client, const sockaddr* listener) { return shared->fromOwnUser(client, listener); },
      [shared](qintptr socket, const sockaddr* client) {
        const socklen_t size = client->sa_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
        return MHD_add_connection(shared->daemon, static_cast<MHD_socket>(socket), client, size) == MHD_YES;
      });

  sockaddr_in v4{};
  v4.sin_family = AF_INET;
  v4.sin_port = htons(port);
  v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const quint16 bound = daemons->gate->listen(reinterpret_cast<const sockaddr*>(&v4));
  if (bound == 0) return 0;
  sockaddr_in6 v6{};
  v6.sin6_family = AF_INET6;
  v6.sin6_port = htons(bound);
  v6.sin6_addr = in6addr_loopback;
  if (daemons->gate->listen(reinterpret_cast<const sockaddr*>(&v6)) == 0 && log) {
    log(QStringLiteral("IPv6 loopback not available; serving on 127.0.0.1 only"));
  }

  // poll(), not epoll: with epoll this library version stops noticing
  // clients that leave while it is at its connection limit. The library's
  // own limit stays above the gate's: a connection it is still closing
  // counts for it a moment longer.
  const unsigned flags =
      MHD_USE_POLL_INTERNAL_THREAD | MHD_ALLOW_SUSPEND_RESUME | MHD_USE_NO_LISTEN_SOCKET | MHD_USE_ITC;
  daemons->daemon =
      MHD_start_daemon(flags, 0, nullptr, nullptr, &onRequest, daemons.get(), MHD_OPTION_CONNECTION_LIMIT,
                       static_cast<unsigned>(places + 16), MHD_OPTION_CONNECTION_TIMEOUT,
                       static_cast<unsigned>(std::max(1, limits_.idleSeconds)), MHD_OPTION_URI_LOG_CALLBACK, &onUri,
                       nullptr, MHD_OPTION_NOTIFY_COMPLETED, &onCompleted, daemons.get(), MHD_OPTION_NOTIFY_CONNECTION,
                       &onConnection, daemons.get(), MHD_OPTION_END);
  if (!daemons->daemon) return 0;
  daemons->gate->start();
  if (!daemons->ownUser && log) {
    log(QStringLiteral("this system does not tell which user a caller runs as; answering every local caller"));
  }
  daemons_ = std::move(daemons);
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
  indexer_->setContentsPaused(!contentsPause_.isEmpty());
  indexer_->start();
  return true;
}

void LocalSearchServer::pauseContents(const QString& reason) {
  contentsPause_ = reason;
  if (indexer_) indexer_->setContentsPaused(!reason.isEmpty());
}

QList<QByteArray> LocalSearchServer::findPaths(const QStringList& words) {
  QList<QByteArray> paths;
  index_.setRecentlyOpened(
      rankRecentFiles(recentFiles_.files(), QDateTime::currentDateTimeUtc().addDays(-kRecentDays)));
  for (const SearchHit& hit : index_.search(words, kMaxHits)) paths.append(hit.path);
  return paths;
}

HttpReply LocalSearchServer::answer(const HttpRequest& request) {
  if (!isLoopbackHost(request.host)) return {403, forbiddenHostPage()};
  if (request.method != "GET" && request.method != "HEAD") return {405, notFoundPage()};

  const qsizetype mark = request.target.indexOf('?');
  const QString path = QString::fromUtf8(mark < 0 ? request.target : request.target.first(mark));
  const QString query = mark < 0 ? QString() : QString::fromUtf8(request.target.sliced(mark + 1));
  const auto queryValue = [&](const QString& name) {
    for (const QString& parameter : query.split(u'&')) {
      if (parameter.startsWith(name + u'=')) return parameter.mid(name.size() + 1);
    }
    return QString();
  };

  if (path == u'/') return {200, homePage(codes_.securityCode)};
  if (path.startsWith(QStringLiteral("/search"))) {
    const QString codeInPath = QStringLiteral("/search&s=") + codes_.securityCode;
    const bool authorised = path == codeInPath || (path == QStringLiteral("/search") &&
                                                   queryValue(QStringLiteral("s")) == codes_.securityCode);
    if (!authorised) return {403, forbiddenPage()};
    const QStringList words = queryWords(query);
    const QList<QByteArray> paths = findPaths(words);
    return {200,
            resultPage(codes_.securityCode, words, paths, paths.isEmpty() ? index_.suggestion(words) : QStringList())};
  }
  if (path == QStringLiteral("/ok")) {
    return {200, okPage(QString::fromUtf8(QByteArray::fromPercentEncoding(queryValue(QStringLiteral("url")).toUtf8())))};
  }
  if (path == QStringLiteral("/unsupported")) return {200, unsupportedPage()};
  if (path == QStringLiteral("/status")) {
    // What is indexed tells what the user keeps: behind the code, as the
    // searches are.
    if (queryValue(QStringLiteral("s")) != codes_.securityCode) return {403, forbiddenPage()};
    const IndexPauses pauses{contentsPause_,
                             indexer_ && indexer_->writesFailing()
                                 ? QStringLiteral("writes of the index fail; trying again from time to time")
                                 : QString()};
    return {200, statusText(countIndex(indexSettings_.databasePath), pauses), "text/plain; charset=utf-8"};
  }
  return {404, notFoundPage()};
}

}  // namespace orvanta::service
