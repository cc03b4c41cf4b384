// The HTTP transfer against a loopback server in the same thread: what goes
// on the wire, how answers are read, what fails, and that the wait keeps
// the event loop running.
#include "platform/http_address.h"
#include "platform/http_response_parser.h"
#include "platform/qt_http_transfer.h"
#include "wait_for.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace orvanta::platform {
namespace {

QCoreApplication& app() {
  static int argc = 1;
  static char name[] = "http_transfer_test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication instance(argc, argv);
  return instance;
}

using testing::waitFor;

QByteArray okAnswer(const QByteArray& body, const QByteArray& extraHeaders = {}) {
  return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + QByteArray::number(body.size()) +
         "\r\n" + extraHeaders + "\r\n" + body;
}

// A loopback server that records each request head and answers with what
// `respond` returns for it (nothing: no answer at all).
class RawServer {
 public:
  explicit RawServer(const QHostAddress& address = QHostAddress(QHostAddress::LocalHost)) {
    app();
    listening_ = server_.listen(address, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        ++connections;
        auto* buffer = new QByteArray;
        QObject::connect(socket, &QObject::destroyed, [buffer] { delete buffer; });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
          buffer->append(socket->readAll());
          qsizetype end;
          while ((end = buffer->indexOf("\r\n\r\n")) >= 0) {
            const QByteArray head = buffer->left(end);
            buffer->remove(0, end + 4);
            heads.append(head);
            const QByteArray answer = respond ? respond(head) : QByteArray();
            if (answer.isEmpty()) continue;
            const auto send = [this, socket, answer, close = closeAfterAnswer] {
              socket->write(answer);
              sentBytes += answer.size();
              if (close) socket->disconnectFromHost();
              if (!flood.isEmpty()) keepFlooding(socket);
            };
            if (delayMs > 0) {
              QTimer::singleShot(delayMs, socket, send);
            } else {
              send();
            }
          }
        });
      }
    });
  }

  bool listening() const { return listening_; }
  quint16 port() const { return server_.serverPort(); }
  QString base(const char* host = "127.0.0.1") const {
    return QStringLiteral("http://%1:%2").arg(QString::fromLatin1(host)).arg(port());
  }
  // The request line's target of request `i`.
  QByteArray target(qsizetype i) const { return heads.value(i).split('\n').value(0).split(' ').value(1); }

  std::function<QByteArray(const QByteArray&)> respond;
  // After the answer, this piece is sent again and again while the client
  // reads, up to kFloodLimit bytes in all.
  QByteArray flood;
  static constexpr qint64 kFloodLimit = 64 * 1024 * 1024;
  qint64 sentBytes = 0;
  bool closeAfterAnswer = false;
  int delayMs = 0;
  int connections = 0;
  QList<QByteArray> heads;

 private:
  void keepFlooding(QTcpSocket* socket) {
    const auto more = [this, socket] {
      while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < 64 * 1024 &&
             sentBytes < kFloodLimit) {
        socket->write(flood);
        sentBytes += flood.size();
      }
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
    more();
  }

  QTcpServer server_;
  bool listening_ = false;
};

TEST(HttpTransfer, AddressesGoOnTheWireAsTyped) {
  RawServer server;
  ASSERT_TRUE(server.listening());
  server.respond = [](const QByteArray&) { return okAnswer("ok"); };
  QtHttpTransfer transfer;
  const auto session = transfer.openSession();
  const struct {
    QString rest;
    QByteArray target;
  } cases[] = {
      {QStringLiteral("/search&s=Abc123?q=tom+&+jerry&ie=UTF-8"), "/search&s=Abc123?q=tom+&+jerry&ie=UTF-8"},
      {QStringLiteral("/search?q=100%&ie=UTF-8"), "/search?q=100%&ie=UTF-8"},
      {QStringLiteral("/search?q=%41%zz%2B"), "/search?q=%41%zz%2B"},
      {QStringLiteral("/search?q=a?b??c"), "/search?q=a?b??c"},
      {QStringLiteral("/search?q=a+b++c"), "/search?q=a+b++c"},
      {QStringLiteral("/search?q=Gr\u00fc\u00dfe"), "/search?q=Gr%C3%BC%C3%9Fe"},
      // A "#" is text of the address, never the start of a fragment.
      {QStringLiteral("/search&s=Abc?q=c#+guide&ie=UTF-8"), "/search&s=Abc?q=c%23+guide&ie=UTF-8"},
      {QStringLiteral("/search?q=x#fragment?y#"), "/search?q=x%23fragment?y%23"},
      {QStringLiteral("#top"), "/%23top"},
      // What a request target cannot hold is escaped; the rest goes as typed.
      {QStringLiteral("/search?q={a}|b^`\\\"<>'"), "/search?q=%7Ba%7D%7Cb%5E%60%5C%22%3C%3E'"},
      {QStringLiteral("/search?q=!$&'()*+,;=:@-._~[]"), "/search?q=!$&'()*+,;=:@-._~[]"},
      {QStringLiteral("/search?q=del\x7f"), "/search?q=del%7F"},
      {QStringLiteral("/search?q=tab\there blank"), "/search?q=tab%09here%20blank"},
      {QString(), "/"},
      {QStringLiteral("?q=x"), "/?q=x"},
  };
  for (const auto& c : cases) {
    server.heads.clear();
    EXPECT_EQ(session->get(server.base() + c.rest), QStringLiteral("ok")) << c.rest.toStdString();
    ASSERT_EQ(server.heads.size(), 1);
    EXPECT_EQ(server.target(0), c.target) << c.rest.toStdString();
    EXPECT_TRUE(server.heads[0].startsWith("GET "));
    EXPECT_TRUE(server.heads[0].contains("\r\nHost: 127.0.0.1:" + QByteArray::number(server.port()) + "\r\n"));
  }
}

TEST(HttpTransfer, AnswersAreReadWhateverTheirFraming) {
  RawServer server;
  ASSERT_TRUE(server.listening());
  QtHttpTransfer transfer;
  const struct {
    const char* name;
    QByteArray answer;
    bool close;
    QString body;
  } cases[] = {
      {"length", okAnswer("hello"), false, QStringLiteral("hello")},
      {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;x=1\r\nhello\r\n7\r\n, world\r\n0\r\n\r\n",
       false, QStringLiteral("hello, world")},
      {"to the end of the connection", "HTTP/1.0 200 OK\r\n\r\nuntil close", true, QStringLiteral("until close")},
      {"error status", "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone", false, QStringLiteral("gone")},
      {"interim answer first", "HTTP/1.1 100 Continue\r\n\r\n" + okAnswer("final"), false, QStringLiteral("final")},
      {"empty body", okAnswer(""), false, QString()},
      {"UTF-8", okAnswer("Gr\xc3\xbc\xc3\x9f" "e"), false, QStringLiteral("Gr\u00fc\u00dfe")},
      {"invalid UTF-8 replaced", okAnswer("a\xff" "b"), false, QStringLiteral("a\ufffdb")},
      // Longer than what the socket holds unread at a time.
      {"a long body", okAnswer(QByteArray(3 * 1024 * 1024, 'l')), false, QString(3 * 1024 * 1024, u'l')},
      {"a long body to the end of the connection", "HTTP/1.0 200 OK\r\n\r\n" + QByteArray(3 * 1024 * 1024, 'c'),
       true, QString(3 * 1024 * 1024, u'c')},
  };
  for (const auto& c : cases) {
    server.respond = [&](const QByteArray&) { return c.answer; };
    server.closeAfterAnswer = c.close;
    const auto session = transfer.openSession();
    const std::optional<QString> body = session->get(server.base() + QStringLiteral("/x"));
    ASSERT_TRUE(body.has_value()) << c.name;
    EXPECT_EQ(*body, c.body) << c.name;
  }
}

TEST(HttpTransfer, FailuresAreSeenByTheCaller) {
  RawServer server;
  ASSERT_TRUE(server.listening());
  QtHttpTransfer transfer({/*timeoutMs=*/300, /*maxBodyBytes=*/1024});
  const auto session = transfer.openSession();

  // The body limit: exactly at it passes, one byte over fails, in both framings.
  server.respond = [](const QByteArray&) { return okAnswer(QByteArray(1024, 'x')); };
  EXPECT_TRUE(session->get(server.base()).has_value());
  server.respond = [](const QByteArray&) { return okAnswer(QByteArray(1025, 'x')); };
  EXPECT_FALSE(session->get(server.base()).has_value());
  server.respond = [](const QByteArray&) { return "HTTP/1.0 200 OK\r\n\r\n" + QByteArray(1025, 'x'); };
  server.closeAfterAnswer = true;
  EXPECT_FALSE(session->get(server.base()).has_value());

  // A body cut short by the server closing.
  server.respond = [](const QByteArray&) { return QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nshort"); };
  EXPECT_FALSE(session->get(server.base()).has_value());
  // Not HTTP at all.
  server.respond = [](const QByteArray&) { return QByteArray("garbage\r\n\r\n"); };
  EXPECT_FALSE(session->get(server.base()).has_value());
  server.closeAfterAnswer = false;

  // No answer within the time limit.
  server.respond = nullptr;
  EXPECT_FALSE(session->get(server.base()).has_value());

  // Nothing listening, a host that is not this machine, another scheme.
  const quint16 closedPort = [] {
    QTcpServer probe;
    probe.listen(QHostAddress(QHostAddress::LocalHost), 0);
    return probe.serverPort();
  }();
  const int before = server.connections;
  for (const QString& address :
       {QStringLiteral("http://127.0.0.1:%1/").arg(closedPort), QStringLiteral("http://localhost:%1/").arg(closedPort),
        QStringLiteral("http://192.0.2.1:%1/").arg(server.port()), QStringLiteral("http://example.invalid/"),
        QStringLiteral("https://127.0.0.1:%1/").arg(server.port()), QStringLiteral("127.0.0.1:%1").arg(server.port()),
        QString()}) {
    EXPECT_FALSE(session->get(address).has_value()) << address.toStdString();
  }
  EXPECT_EQ(server.connections, before);
}

TEST(HttpTransfer, RequestsOfOneSessionShareTheirConnection) {
  RawServer server;
  ASSERT_TRUE(server.listening());
  server.respond = [](const QByteArray&) { return okAnswer("kept"); };
  QtHttpTransfer transfer;
  {
    const auto session = transfer.openSession();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(session->get(server.base() + QStringLiteral("/r")), QStringLiteral("kept"));
  }
  EXPECT_EQ(server.connections, 1);

  // A server that closes after each answer gets a new connection each time.
  server.connections = 0;
  server.closeAfterAnswer = true;
  server.respond = [](const QByteArray&) { return okAnswer("once", "Connection: close\r\n"); };
  {
    const auto session = transfer.openSession();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(session->get(server.base()), QStringLiteral("once"));
  }
  EXPECT_EQ(server.connections, 3);

  // A kept connection the server has dropped meanwhile is replaced.
  server.connections = 0;
  server.closeAfterAnswer = false;
  server.respond = [](const QByteArray&) { return okAnswer("again"); };
  const auto session = transfer.openSession();
  EXPECT_EQ(session->get(server.base()), QStringLiteral("again"));
  server.closeAfterAnswer = true;  // the next answer comes, then the server closes
  EXPECT_EQ(session->get(server.base()), QStringLiteral("again"));
  EXPECT_EQ(session->get(server.base()), QStringLiteral("again"));
  EXPECT_EQ(server.connections, 2);
}

TEST(HttpTransfer, LocalhostReachesAServerOnEitherLoopback) {
  for (const QHostAddress& address : {QHostAddress(QHostAddress::LocalHost), QHostAddress(QHostAddress::LocalHostIPv6)}) {
    RawServer server(address);
    if (!server.listening()) {
      ASSERT_EQ(address.protocol(), QAbstractSocket::IPv6Protocol);  // no IPv6 on this machine
      continue;
    }
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
      // The IPv4 port of the same number must refuse, so that the
      // request falls through to ::1.
      QTcpServer probe;
      if (!probe.listen(QHostAddress(QHostAddress::LocalHost), server.port())) continue;
    }
    server.respond = [](const QByteArray&) { return okAnswer("here"); };
    QtHttpTransfer transfer;
    EXPECT_EQ(transfer.openSession()->get(server.base("localhost")), QStringLiteral("here"))
        << address.toString().toStdString();
    EXPECT_TRUE(server.heads.value(0).contains("\r\nHost: localhost:" + QByteArray::number(server.port())));
  }
}

TEST(HttpTransfer, TheWaitKeepsTheEventLoopRunning) {
  RawServer server;
  ASSERT_TRUE(server.listening());
  server.respond = [](const QByteArray&) { return okAnswer("late"); };
  server.delayMs = 300;
  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start(10);
  QtHttpTransfer transfer;
  EXPECT_EQ(transfer.openSession()->get(server.base()), QStringLiteral("late"));
  EXPECT_GT(ticks, 3);
}

TEST(HttpTransfer, ACancelledGetEndsAtOnceAndTheSessionGoesOn) {
  RawServer server;
  ASSERT_TRUE(server.listening());
  // The first request is never answered, later ones at once.
  server.respond = [&server](const QByteArray&) { return server.heads.size() > 1 ? okAnswer("next") : QByteArray(); };
  QtHttpTransfer transfer;
  const std::unique_ptr<HttpSession> session = transfer.openSession();
  session->cancel();  // nothing waits: nothing happens
  // Cancelled from an event handled during the wait, once the request is
  // in.
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!server.heads.isEmpty()) session->cancel();
  });
  poll.start(5);
  const QDeadlineTimer deadline(10'000);
  const HttpResult cancelled = session->fetch(server.base() + QStringLiteral("/first"), QDeadlineTimer(30'000));
  poll.stop();
  EXPECT_EQ(cancelled.error, HttpResult::Error::Interrupted);
  EXPECT_FALSE(deadline.hasExpired());
  ASSERT_EQ(server.heads.size(), 1);
  // The next GET goes out on a new connection, once.
  const HttpResult next = session->fetch(server.base() + QStringLiteral("/next"), QDeadlineTimer(10'000));
  EXPECT_EQ(next.error, HttpResult::Error::None);
  EXPECT_EQ(next.body, QStringLiteral("next"));
  EXPECT_EQ(server.heads.size(), 2);
  EXPECT_EQ(server.connections, 2);
}

TEST(HttpTransfer, QuittingTheApplicationEndsTheWait) {
  RawServer server;
  ASSERT_TRUE(server.listening());
  server.respond = nullptr;  // never answers
  QtHttpTransfer transfer;
  // Inside the application's own loop, which ends with the quit and makes
  // later loops usable again.
  std::optional<QString> answer = QStringLiteral("not run");
  QDeadlineTimer deadline(10'000);
  QTimer::singleShot(0, [&] {
    QTimer::singleShot(50, [] { QCoreApplication::exit(0); });
    answer = transfer.openSession()->get(server.base());
  });
  QCoreApplication::exec();
  EXPECT_FALSE(answer.has_value());
  EXPECT_FALSE(deadline.hasExpired());
}

QByteArray repeated(const QByteArray& piece, qsizetype bytes) {
  QByteArray out;
  while (out.size() < bytes) out += piece;
  return out;
}

TEST(HttpTransfer, FetchesSayWhyTheyFailed) {
  RawServer server;
  ASSERT_TRUE(server.listening());
  QtHttpTransfer transfer({/*timeoutMs=*/20'000, /*maxBodyBytes=*/1024});
  const auto session = transfer.openSession();
  const quint16 closedPort = [] {
    QTcpServer probe;
    probe.listen(QHostAddress(QHostAddress::LocalHost), 0);
    return probe.serverPort();
  }();
  const QString port = QString::number(server.port());
  using Error = HttpResult::Error;
  const struct {
    const char* name;
    QString address;
    QByteArray answer;  // empty: the server never answers
    int deadlineMs;
    Error error;
    int status;
    QString server;
  } cases[] = {
      {"answered", server.base(), okAnswer("fine"), 5000, Error::None, 200, "127.0.0.1:" + port},
      {"refused by the service", server.base("localhost"), "HTTP/1.1 403 Forbidden\r\nContent-Length: 2\r\n\r\nno",
       5000, Error::None, 403, "localhost:" + port},
      {"nothing listens", QStringLiteral("http://127.0.0.1:%1/x").arg(closedPort), {}, 5000, Error::Unreachable, 0,
       QStringLiteral("127.0.0.1:%1").arg(closedPort)},
      {"nothing listens on either loopback", QStringLiteral("http://localhost:%1/x").arg(closedPort), {}, 5000,
       Error::Unreachable, 0, QStringLiteral("localhost:%1").arg(closedPort)},
      {"no answer by the deadline", server.base(), {}, 200, Error::TimedOut, 0, "127.0.0.1:" + port},
      {"the deadline has passed", server.base(), okAnswer("late"), 0, Error::TimedOut, 0, "127.0.0.1:" + port},
      {"not HTTP", server.base(), "garbage\r\n\r\n", 5000, Error::Broken, 0, "127.0.0.1:" + port},
      {"too long", server.base(), okAnswer(QByteArray(1025, 'x')), 5000, Error::Broken, 0, "127.0.0.1:" + port},
      {"not this machine", QStringLiteral("http://192.0.2.1:4664/"), {}, 5000, Error::NotSent, 0, QString()},
      {"another scheme", QStringLiteral("https://127.0.0.1:4664/"), {}, 5000, Error::NotSent, 0, QString()},
  };
  for (const auto& c : cases) {
    server.respond = [&](const QByteArray&) { return c.answer; };
    const HttpResult result = session->fetch(c.address, QDeadlineTimer(c.deadlineMs));
    EXPECT_EQ(result.error, c.error) << c.name;
    EXPECT_EQ(result.status, c.status) << c.name;
    EXPECT_EQ(result.server, c.server) << c.name;
    if (c.status == 403) {
      EXPECT_EQ(result.body, QStringLiteral("no"));
    }
  }
}

TEST(HttpTransfer, ATimedOutRequestIsNotSentAgain) {
  RawServer server;
  ASSERT_TRUE(server.listening());
  QtHttpTransfer transfer;  // the program's own limits
  const auto session = transfer.openSession();
  // The first answer keeps the connection; the second request is never
  // answered and runs into its deadline.
  int requests = 0;
  server.respond = [&](const QByteArray&) { return ++requests == 1 ? okAnswer("first") : QByteArray(); };
  EXPECT_EQ(session->fetch(server.base(), QDeadlineTimer(5000)).error, HttpResult::Error::None);
  EXPECT_EQ(session->fetch(server.base(), QDeadlineTimer(300)).error, HttpResult::Error::TimedOut);
  EXPECT_EQ(server.heads.size(), 2);
  EXPECT_EQ(server.connections, 1);
  // Nor on a new connection.
  server.heads.clear();
  EXPECT_EQ(transfer.openSession()->fetch(server.base(), QDeadlineTimer(300)).error, HttpResult::Error::TimedOut);
  EXPECT_EQ(server.heads.size(), 1);
  EXPECT_EQ(server.connections, 2);
}

TEST(HttpTransfer, HostileAnswersFailSoonWithLittleRead) {
  const QByteArray chunkedHead = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  const struct {
    const char* name;
    QByteArray answer;
    QByteArray flood;
  } cases[] = {
      {"a chunk-size line that never ends", chunkedHead, "ffffffff"},
      {"chunk data that never ends its line", chunkedHead + "5\r\nhello", "data"},
      {"bytes after the last chunk", chunkedHead + "0\r\n", "after"},
      {"trailer lines without end", chunkedHead + "0\r\n", "X-Trailer: 1\r\n"},
      {"a flood of interim answers", "HTTP/1.1 100 Continue\r\n\r\n", "HTTP/1.1 100 Continue\r\n\r\n"},
      {"a head without end", "HTTP/1.1 200 OK\r\n", "X-Header: 1\r\n"},
  };
  for (const auto& c : cases) {
    RawServer server;
    ASSERT_TRUE(server.listening());
    server.respond = [&](const QByteArray&) { return c.answer; };
    server.flood = c.flood;
    // A timeout would mean the answer was read on and on.
    QtHttpTransfer transfer({/*timeoutMs=*/30'000, /*maxBodyBytes=*/64 * 1024 * 1024});
    const HttpResult result = transfer.openSession()->fetch(server.base(), QDeadlineTimer(QDeadlineTimer::Forever));
    EXPECT_EQ(result.error, HttpResult::Error::Broken) << c.name;
    // What the server got out before the program hung up: the bounded
    // part it read and what the sockets' buffers held.
    EXPECT_LT(server.sentBytes, 24 * 1024 * 1024) << c.name;
  }
}

TEST(HttpTransfer, NavigationStartsAGetAndReturnsAtOnce) {
  RawServer server;
  ASSERT_TRUE(server.listening());
  server.respond = [](const QByteArray&) { return okAnswer("page"); };
  QtHttpTransfer transfer;
  transfer.navigate(server.base() + QStringLiteral("/search&s=X?q=a+&+b"));
  EXPECT_TRUE(server.heads.isEmpty());  // nothing has run yet
  ASSERT_TRUE(waitFor([&] { return server.heads.size() == 1; }));
  EXPECT_EQ(server.target(0), QByteArray("/search&s=X?q=a+&+b"));
  transfer.navigate(QStringLiteral("http://example.invalid/"));  // not this machine: dropped
}

TEST(HttpAddress, Parts) {
  const struct {
    const char* address;
    bool valid;
    const char* host;
    quint16 port;
    const char* hostHeader;
  } cases[] = {
      {"http://localhost:4664/x", true, "localhost", 4664, "localhost:4664"},
      {"HTTP://LocalHost/x", true, "LocalHost", 80, "LocalHost"},
      {"http://127.0.0.1:4664", true, "127.0.0.1", 4664, "127.0.0.1:4664"},
      {"http://127.1.2.3:80?x", true, "127.1.2.3", 80, "127.1.2.3:80"},
      {"http://[::1]:4664/", true, "::1", 4664, "[::1]:4664"},
      {"http://[::1]/", true, "::1", 80, "[::1]"},
      {"http://10.0.0.1:4664/", false, "", 0, ""},
      {"http://user@localhost/", false, "", 0, ""},
      {"http://localhost:0/", false, "", 0, ""},
      {"http://localhost:70000/", false, "", 0, ""},
      {"http://localhost:x/", false, "", 0, ""},
      {"http://[::1/", false, "", 0, ""},
      {"ftp://localhost/", false, "", 0, ""},
  };
  for (const auto& c : cases) {
    const auto parsed = parseHttpAddress(QString::fromUtf8(c.address));
    ASSERT_EQ(parsed.has_value(), c.valid) << c.address;
    if (!parsed) continue;
    EXPECT_EQ(parsed->host, QString::fromUtf8(c.host)) << c.address;
    EXPECT_EQ(parsed->port, c.port) << c.address;
    EXPECT_EQ(parsed->hostHeader, QByteArray(c.hostHeader)) << c.address;
    for (const QHostAddress& address : parsed->loopback) EXPECT_TRUE(address.isLoopback()) << c.address;
  }
}

TEST(HttpResponseParser, ArrivesInPieces) {
  const QByteArray answer =
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n10\r\n0123456789abcdef\r\n0\r\nX-T: 1\r\n\r\n";
  for (int step : {1, 2, 7, 1000}) {
    HttpResponseParser parser(1 << 20);
    for (qsizetype i = 0; i < answer.size(); i += step) parser.feed(answer.mid(i, step));
    EXPECT_EQ(parser.state(), HttpResponseParser::State::Done) << step;
    EXPECT_EQ(parser.body(), QByteArray("abc0123456789abcdef")) << step;
    EXPECT_TRUE(parser.keepAlive()) << step;
  }
  HttpResponseParser oversized(16);
  EXPECT_EQ(oversized.feed("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n11\r\n"),
            HttpResponseParser::State::Failed);
  HttpResponseParser badLength(16);
  EXPECT_EQ(badLength.feed("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n"), HttpResponseParser::State::Failed);
}

TEST(HttpResponseParser, EveryPartIsBounded) {
  using State = HttpResponseParser::State;
  constexpr qsizetype kHead = HttpResponseParser::kMaxHeadBytes;
  constexpr qsizetype kLine = HttpResponseParser::kMaxChunkLineBytes;
  const QByteArray status = "HTTP/1.1 200 OK\r\n";
  const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  // A header line that makes a head of exactly `bytes`, with its ending.
  const auto headOf = [&](qsizetype bytes) {
    const QByteArray filler = "X-Fill: ";
    const QByteArray start = status + "Content-Length: 0\r\n";
    return start + filler + QByteArray(bytes - start.size() - filler.size() - 4, 'a') + "\r\n\r\n";
  };
  const QByteArray continueHead = "HTTP/1.1 100 Continue\r\n\r\n";
  const struct {
    const char* name;
    QByteArray answer;
    State state;
  } cases[] = {
      {"a head at the limit", headOf(kHead), State::Done},
      {"a head one byte over", headOf(kHead + 1), State::Failed},
      {"a head without end past the limit", status + QByteArray(kHead, 'a'), State::Failed},
      {"interim answers up to the limit", repeated(continueHead, continueHead.size() * 16) + okAnswer("x"),
       State::Done},
      {"one interim answer more", repeated(continueHead, continueHead.size() * 17) + okAnswer("x"), State::Failed},
      {"a chunk-size line at the limit", chunked + "1;" + QByteArray(kLine - 2, 'e') + "\nx\n0\n\n", State::Done},
      {"a chunk-size line one byte over", chunked + "1;" + QByteArray(kLine - 1, 'e') + "\nx\n0\n\n",
       State::Failed},
      {"a chunk-size line without end past the limit", chunked + QByteArray(kLine + 1, '1'), State::Failed},
      {"chunk data not ending its line", chunked + "1\r\nxy\r\n0\r\n\r\n", State::Failed},
      {"a chunk size that is not hexadecimal", chunked + "+1\r\nx\r\n0\r\n\r\n", State::Failed},
      {"a chunk size of sixteen digits", chunked + "0000000000000001\r\nx\r\n0\r\n\r\n", State::Failed},
      {"trailers up to the limit", chunked + "0\r\n" + repeated("X-T: 1\r\n", kHead - 8) + "\r\n", State::Done},
      {"trailers past the limit", chunked + "0\r\n" + repeated("X-T: 1\r\n", kHead) + "\r\n", State::Failed},
      {"lengths that disagree", "HTTP/1.1 200 OK\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nxy",
       State::Failed},
      {"a length with a sign", "HTTP/1.1 200 OK\r\nContent-Length: +1\r\n\r\nx", State::Failed},
      {"a status of two digits", "HTTP/1.1 20 OK\r\nContent-Length: 0\r\n\r\n", State::Failed},
  };
  for (const auto& c : cases) {
    for (const qsizetype piece : {qsizetype(1), qsizetype(4096), c.answer.size()}) {
      HttpResponseParser parser(1 << 20);
      for (qsizetype i = 0; i < c.answer.size() && parser.state() == State::Reading; i += piece) {
        parser.feed(c.answer.mid(i, piece));
      }
      EXPECT_EQ(parser.state(), c.state) << c.name << ", pieces of " << piece;
    }
  }
}

}  // namespace
}  // namespace orvanta::platform
