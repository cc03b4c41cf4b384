// The local search service as an HTTP server: who gets answers (host names,
// other users), how connections end, what a result page can carry so that
// the program reads back only existing paths, and a log without the codes.
#include "local_search_server.h"
#include "search/result_page_scan.h"
#include "service_pages.h"
#include "socket_owner.h"
#include "wait_for.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QWaitCondition>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <memory>

namespace orvanta::service {
namespace {

constexpr unsigned kNobody = 65534;

QCoreApplication& app() {
  static int argc = 1;
  static char name[] = "service_http_test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication instance(argc, argv);
  return instance;
}

using testing::waitFor;

// How long the service gets for each step it is waited on.
constexpr int kServiceWaitMs = 15'000;

const ServiceCodes kCodes{QStringLiteral("SecCode0123456789abcdefghij"), QStringLiteral("SesCode_0123456789abcdefghi")};

// The index of `root`, kept in `folder`.
IndexSettings indexSettings(const QString& root, const QString& folder) {
  IndexSettings settings;
  settings.roots = {root};
  settings.databasePath = folder + QStringLiteral("/index.db");
  settings.extractorProgram = QStringLiteral(ORVANTA_EXTRACT_BINARY);
  return settings;
}

// A server over `root` with its log collected.
struct Service {
  explicit Service(const QString& root, ConnectionLimits limits = {})
      : server(kCodes, indexSettings(root, indexFolder.path())) {
    app();
    server.log = [this](const QString& line) { lines.append(line); };
    server.setConnectionLimits(limits);
    port = server.listenOnLoopback(0);
  }
  QTemporaryDir indexFolder;
  LocalSearchServer server;
  QStringList lines;
  quint16 port = 0;
};

// A client that writes raw request text and collects what comes back.
struct RawClient {
  explicit RawClient(quint16 port, const QString& host = QStringLiteral("127.0.0.1")) {
    QObject::connect(&socket, &QTcpSocket::readyRead, [this] { received += socket.readAll(); });
    socket.connectToHost(host, port);
    connected = waitFor([this] { return socket.state() == QAbstractSocket::ConnectedState; }, kServiceWaitMs);
  }
  void send(const QByteArray& text) { socket.write(text); }
  bool closed() const { return socket.state() == QAbstractSocket::UnconnectedState; }
  // Whether `count` complete answers have arrived (each ends with the page's last line).
  bool answers(int count) const { return received.count("</html>\n") >= count; }

  QTcpSocket socket;
  QByteArray received;
  bool connected = false;
};

QByteArray request(const QByteArray& target, const QByteArray& host = "localhost") {
  return "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\n\r\n";
}

TEST(ServiceHttp, AnswersOnlyLoopbackHostNames) {
  const struct {
    const char* host;
    bool answered;
  } cases[] = {
      {"localhost", true},       {"localhost:4664", true},  {"LocalHost:80", true},    {"127.0.0.1", true},
      {"127.0.0.1:4664", true},  {"[::1]", true},           {"[::1]:4664", true},      {"", false},
      {"evil.example", false},   {"localhost.evil.example", false}, {"evil.localhost", false},
      {"127.0.0.1.nip.io", false}, {"127.0.0.2", false},    {"0.0.0.0", false},        {"[::1", false},
      {"[::2]:4664", false},     {"localhost:", false},     {"localhost:46x4", false}, {"localhost:4664:1", false},
      {"localhost ", false},     {"[::1]x", false},
  };
  QTemporaryDir dir;
  Service service(dir.path());
  for (const auto& c : cases) {
    EXPECT_EQ(isLoopbackHost(c.host), c.answered) << c.host;
    for (const QByteArray& target : {QByteArray("/"), "/search&s=" + kCodes.securityCode.toLatin1() + "?q=x"}) {
      const HttpReply reply = service.server.answer({"GET", target, c.host});
      EXPECT_EQ(reply.status == 403, !c.answered) << c.host << target.constData();
      // A page for another host hands out neither the code nor markers.
      if (!c.answered) {
        EXPECT_FALSE(reply.body.contains(kCodes.securityCode.toLatin1())) << c.host;
        EXPECT_FALSE(reply.body.contains("span title=")) << c.host;
      }
    }
  }
  EXPECT_TRUE(service.server.answer({"GET", "/", "localhost:4664"}).body.contains(kCodes.securityCode.toLatin1()));

  // The header as it arrives over a connection decides too.
  ASSERT_NE(service.port, 0);
  for (const auto& [host, status] : {std::pair{QByteArray("rebound.example:4664"), QByteArray(" 403 ")},
                                     std::pair{QByteArray("localhost:4664"), QByteArray(" 200 ")}}) {
    RawClient client(service.port);
    ASSERT_TRUE(client.connected);
    client.send(request("/", host));
    ASSERT_TRUE(waitFor([&] { return client.answers(1); }, kServiceWaitMs)) << host.constData();
    EXPECT_TRUE(client.received.startsWith("HTTP/1.1" + status)) << client.received.left(40).constData();
    EXPECT_EQ(client.received.contains(kCodes.securityCode.toLatin1()), status == " 200 ");
  }
}

TEST(ServiceHttp, ClosesConnectionsAsClientsAsk) {
  QTemporaryDir dir;
  Service service(dir.path(), {/*idleSeconds=*/300, /*maxConnections=*/16});
  ASSERT_NE(service.port, 0);
  const struct {
    const char* name;
    QByteArray text;
    bool closes;
  } cases[] = {
      {"HTTP/1.1 with Connection: close", "GET / HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n", true},
      {"HTTP/1.0", "GET / HTTP/1.0\r\nHost: localhost\r\n\r\n", true},
      {"HEAD in HTTP/1.0", "HEAD / HTTP/1.0\r\nHost: localhost\r\n\r\n", true},
      {"HTTP/1.1", "GET / HTTP/1.1\r\nHost: localhost\r\n\r\n", false},
  };
  for (const auto& c : cases) {
    RawClient client(service.port);
    ASSERT_TRUE(client.connected) << c.name;
    client.send(c.text);
    // A client that reads to the end sees the end: the connection closes
    // long before the idle limit.
    if (c.closes) {
      ASSERT_TRUE(waitFor([&] { return client.closed(); }, kServiceWaitMs)) << c.name;
      EXPECT_TRUE(client.received.startsWith("HTTP/1.")) << c.name;
      EXPECT_TRUE(c.text.startsWith("HEAD") || client.answers(1)) << c.name;
    } else {
      // Kept open: a second request on it is answered.
      ASSERT_TRUE(waitFor([&] { return client.answers(1); }, kServiceWaitMs)) << c.name;
      client.send(c.text);
      ASSERT_TRUE(waitFor([&] { return client.answers(2); }, kServiceWaitMs)) << c.name;
      EXPECT_FALSE(client.closed()) << c.name;
    }
  }
}

TEST(ServiceHttp, IdleConnectionsAreBoundedAndClosed) {
  QTemporaryDir dir;
  {
    // Connections beyond the limit wait, unread, until one of those held
    // ends; the held ones are still answered meanwhile.
    Service service(dir.path(), {/*idleSeconds=*/300, /*maxConnections=*/3});
    ASSERT_NE(service.port, 0);
    std::vector<std::unique_ptr<RawClient>> held;
    for (int i = 0; i < 3; ++i) {
      held.push_back(std::make_unique<RawClient>(service.port));
      ASSERT_TRUE(held.back()->connected);
      held.back()->send(request("/"));
      ASSERT_TRUE(waitFor([&] { return held.back()->answers(1); }, kServiceWaitMs));
    }
    RawClient extra(service.port);
    extra.send(request("/"));
    for (auto& client : held) {
      client->send(request("/"));
      ASSERT_TRUE(waitFor([&] { return client->answers(2); }, kServiceWaitMs));
    }
    EXPECT_TRUE(extra.received.isEmpty()) << extra.received.left(40).constData();
    EXPECT_EQ(service.lines.filter(QStringLiteral(" GET / 200")).size(), 6);
    held.front()->socket.disconnectFromHost();
    ASSERT_TRUE(waitFor([&] { return extra.answers(1); }, kServiceWaitMs));
  }
  {
    // Clients that go away in the middle of their requests free their
    // places at once, also while others wait for one.
    Service service(dir.path(), {/*idleSeconds=*/300, /*maxConnections=*/3});
    ASSERT_NE(service.port, 0);
    std::vector<std::unique_ptr<RawClient>> leaving;
    for (int i = 0; i < 3; ++i) {
      leaving.push_back(std::make_unique<RawClient>(service.port));
      ASSERT_TRUE(leaving.back()->connected);
      leaving.back()->send("GET / HTTP/1.1\r\nHost: loc");
    }
    std::vector<std::unique_ptr<RawClient>> waiting;
    for (int i = 0; i < 4; ++i) {
      waiting.push_back(std::make_unique<RawClient>(service.port));
      waiting.back()->send("GET / HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n");
    }
    for (auto& client : leaving) client->socket.abort();
    for (auto& client : waiting) ASSERT_TRUE(waitFor([&] { return client->answers(1); }, kServiceWaitMs));
  }
  {
    // A connection that sends nothing, stops halfway through its request
    // or trickles it a byte at a time is closed after the idle time: a
    // byte does not buy more time for the request head.
    Service service(dir.path(), {/*idleSeconds=*/1, /*maxConnections=*/16});
    ASSERT_NE(service.port, 0);
    RawClient silent(service.port);
    RawClient halfway(service.port);
    RawClient trickling(service.port);
    RawClient answered(service.port);
    ASSERT_TRUE(silent.connected && halfway.connected && trickling.connected && answered.connected);
    halfway.send("GET / HTTP/1.1\r\nHost: loc");
    const QByteArray slowHead = "GET / HTTP/1.1\r\nX-Slow: " + QByteArray(200, 'x');
    qsizetype sent = 0;
    QTimer trickle;
    QObject::connect(&trickle, &QTimer::timeout, [&] {
      if (!trickling.closed() && sent < slowHead.size()) trickling.send(slowHead.mid(sent++, 1));
    });
    trickle.start(100);
    answered.send(request("/"));
    ASSERT_TRUE(waitFor([&] { return silent.closed() && halfway.closed() && answered.closed(); }, kServiceWaitMs));
    ASSERT_TRUE(waitFor([&] { return trickling.closed(); }, kServiceWaitMs)) << sent << " bytes sent";
    EXPECT_LT(sent, slowHead.size());
    EXPECT_TRUE(silent.received.isEmpty());
    EXPECT_TRUE(answered.answers(1));
  }
}

TEST(ServiceHttp, ConnectionLimitCountsBothListeners) {
  QTcpServer probe;
  if (!probe.listen(QHostAddress::LocalHostIPv6)) GTEST_SKIP() << "no IPv6 loopback here";
  probe.close();
  QTemporaryDir dir;
  Service service(dir.path(), {/*idleSeconds=*/300, /*maxConnections=*/4});
  ASSERT_NE(service.port, 0);
  const QString loopbacks[] = {QStringLiteral("127.0.0.1"), QStringLiteral("::1")};
  // Four places in all, two taken over each listener by kept-alive
  // clients that have had their answers.
  std::vector<std::unique_ptr<RawClient>> held;
  for (int i = 0; i < 4; ++i) {
    held.push_back(std::make_unique<RawClient>(service.port, loopbacks[i % 2]));
    ASSERT_TRUE(held.back()->connected);
    held.back()->send(request("/"));
    ASSERT_TRUE(waitFor([&] { return held.back()->answers(1); }, kServiceWaitMs)) << i;
  }
  std::vector<std::unique_ptr<RawClient>> extra;
  for (const QString& loopback : loopbacks) {
    extra.push_back(std::make_unique<RawClient>(service.port, loopback));
    extra.back()->send(request("/"));
  }
  for (auto& client : held) {
    client->send(request("/"));
    ASSERT_TRUE(waitFor([&] { return client->answers(2); }, kServiceWaitMs));
  }
  const auto answeredExtras = [&] {
    return std::count_if(extra.begin(), extra.end(), [](const auto& client) { return client->answers(1); });
  };
  EXPECT_EQ(answeredExtras(), 0);
  // Each place that ends lets one waiting client in.
  held[0]->socket.disconnectFromHost();
  ASSERT_TRUE(waitFor([&] { return answeredExtras() == 1; }, kServiceWaitMs));
  for (int i = 1; i < 4; ++i) {
    held[i]->send(request("/"));
    ASSERT_TRUE(waitFor([&] { return held[i]->answers(3); }, kServiceWaitMs));
  }
  EXPECT_EQ(answeredExtras(), 1);
  held[1]->socket.disconnectFromHost();
  ASSERT_TRUE(waitFor([&] { return answeredExtras() == 2; }, kServiceWaitMs));
}

TEST(ServiceHttp, AnUnfinishedHeadGivesItsPlaceToAWholeRequest) {
  QTemporaryDir dir;
  // The idle time is far away: only giving way lets the request in.
  Service service(dir.path(), {/*idleSeconds=*/300, /*maxConnections=*/2});
  ASSERT_NE(service.port, 0);
  RawClient first(service.port);
  ASSERT_TRUE(first.connected);
  first.send("GET / HTTP/1.1\r\nHost: loc");
  RawClient second(service.port);
  ASSERT_TRUE(second.connected);
  second.send("GE");
  RawClient whole(service.port);
  ASSERT_TRUE(whole.connected);
  whole.send(request("/"));
  ASSERT_TRUE(waitFor([&] { return whole.answers(1); }, kServiceWaitMs));
  // The one that waited longest for its head gave way.
  EXPECT_TRUE(first.closed());
  EXPECT_FALSE(second.closed());
}

// Clients that each send one byte of a request head every two seconds,
// reconnecting when the service closes them, as long as they live.
struct Tricklers {
  Tricklers(quint16 port, int count) : port(port) {
    for (int i = 0; i < count; ++i) {
      clients.push_back(std::make_unique<QTcpSocket>());
      sent.push_back(0);
    }
    QObject::connect(&timer, &QTimer::timeout, [this] { tick(); });
    tick();
    timer.start(2000);
  }
  void tick() {
    static const QByteArray head = request("/search&s=" + kCodes.securityCode.toLatin1() + "?q=slow");
    for (std::size_t i = 0; i < clients.size(); ++i) {
      QTcpSocket& client = *clients[i];
      if (client.state() == QAbstractSocket::UnconnectedState) {
        client.connectToHost(QHostAddress::LocalHost, port);
        sent[i] = 0;
      } else if (client.state() == QAbstractSocket::ConnectedState && sent[i] < head.size() - 1) {
        client.write(head.mid(sent[i]++, 1));
      }
    }
    ++ticks;
  }
  quint16 port;
  std::vector<std::unique_ptr<QTcpSocket>> clients;
  std::vector<qsizetype> sent;
  QTimer timer;
  int ticks = 0;
};

TEST(ServiceHttp, TricklingClientsDoNotHoldBackASearch) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QFile needle(dir.path() + QStringLiteral("/needle.txt"));
  ASSERT_TRUE(needle.open(QIODevice::WriteOnly));
  needle.close();
  Service service(dir.path(), ConnectionLimits{});  // the defaults: 256 places, 15 s
  ASSERT_NE(service.port, 0);
  ASSERT_TRUE(service.server.startIndexing());
  ASSERT_TRUE(waitFor([&] { return !service.lines.filter(QStringLiteral("indexed")).isEmpty(); }, kServiceWaitMs));

  // More trickling clients than places, all over one listener; a few
  // rounds of bytes pass before the search.
  Tricklers tricklers(service.port, 300);
  ASSERT_TRUE(waitFor([&] { return tricklers.ticks >= 3; }, kServiceWaitMs));
  const QByteArray search = request("/search&s=" + kCodes.securityCode.toLatin1() + "?q=needle");
  for (const QString& loopback : {QStringLiteral("127.0.0.1"), QStringLiteral("::1")}) {
    if (loopback == QStringLiteral("::1") && !service.lines.filter(QStringLiteral("IPv6")).isEmpty()) continue;
    RawClient client(service.port, loopback);
    ASSERT_TRUE(client.connected) << loopback.toStdString();
    client.send(search);
    // Answered within two seconds while the clients trickle on.
    EXPECT_TRUE(waitFor([&] { return client.answers(1); }, 2000)) << loopback.toStdString();
    EXPECT_TRUE(client.received.contains("needle.txt\"")) << client.received.left(200).constData();
  }
}

// Runs `child` in a forked process, as the user nobody with `asNobody`,
// and returns the number it reports (-1: none), keeping this process's
// event loop going meanwhile. The child may only make plain system calls.
int runInChild(bool asNobody, const std::function<int()>& child) {
  int result[2];
  if (pipe(result) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    close(result[0]);
    int code = 90;
    if (!asNobody || (setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0)) code = child();
    const auto byte = static_cast<unsigned char>(code);
    (void)!write(result[1], &byte, 1);
    _exit(0);
  }
  close(result[1]);
  fcntl(result[0], F_SETFL, O_NONBLOCK);
  unsigned char byte = 0;
  ssize_t got = -1;
  waitFor(
      [&] {
        if (got < 0) got = read(result[0], &byte, 1);
        return got >= 0 || errno != EAGAIN;
      },
      30'000);
  close(result[0]);
  if (got != 1) kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return got == 1 ? byte : -1;
}

// In the child: connects to `address`, sends a request and tells what came
// back: 0 the connection ended without an answer, 1 an answer, 2 no
// connection, 3 nothing within ten seconds.
int requestFromChild(const sockaddr* address, socklen_t size) {
  const int fd = socket(address->sa_family, SOCK_STREAM, 0);
  if (fd < 0 || connect(fd, address, size) != 0) return 2;
  timeval timeout{10, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  static const char text[] = "GET / HTTP/1.1\r\nHost: localhost\r\n\r\n";
  (void)!write(fd, text, sizeof text - 1);
  char buffer[64];
  const ssize_t got = read(fd, buffer, sizeof buffer);
  close(fd);
  if (got > 0) return 1;
  return got == 0 || errno == ECONNRESET ? 0 : 3;
}

TEST(ServiceHttp, RefusesOtherUsersPrograms) {
  if (geteuid() != 0) GTEST_SKIP() << "runs a client as another user (nobody), which needs root";
  QTemporaryDir dir;
  Service service(dir.path());
  ASSERT_NE(service.port, 0);

  sockaddr_in v4{};
  v4.sin_family = AF_INET;
  v4.sin_port = htons(service.port);
  v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_EQ(runInChild(true, [&] { return requestFromChild(reinterpret_cast<sockaddr*>(&v4), sizeof v4); }), 0);
  sockaddr_in6 v6{};
  v6.sin6_family = AF_INET6;
  v6.sin6_port = htons(service.port);
  v6.sin6_addr = in6addr_loopback;
  const int overV6 = runInChild(true, [&] { return requestFromChild(reinterpret_cast<sockaddr*>(&v6), sizeof v6); });
  EXPECT_TRUE(overV6 == 0 || overV6 == 2) << overV6;  // 2: no IPv6 here
  ASSERT_TRUE(waitFor([&] { return !service.lines.filter(QStringLiteral("user id 65534")).isEmpty(); }, kServiceWaitMs));
  EXPECT_EQ(service.lines.filter(QStringLiteral("refused")).size(), 1);  // once per user

  // This user's program is answered, from a child process too.
  EXPECT_EQ(runInChild(false, [&] { return requestFromChild(reinterpret_cast<sockaddr*>(&v4), sizeof v4); }), 1);
}

TEST(ServiceHttp, SaysWhenAnotherUsersServiceHoldsThePort) {
  if (geteuid() != 0) GTEST_SKIP() << "holds a port as another user (nobody), which needs root";
  app();
  int ready[2];
  int hold[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(hold), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    close(ready[0]);
    close(hold[1]);
    if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(90);
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(fd, 1) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      _exit(91);
    }
    const unsigned short port = ntohs(address.sin_port);
    (void)!write(ready[1], &port, sizeof port);
    char byte;
    (void)!read(hold[0], &byte, 1);  // until the test closes its end
    _exit(0);
  }
  close(ready[1]);
  close(hold[0]);
  unsigned short port = 0;
  ASSERT_EQ(read(ready[0], &port, sizeof port), static_cast<ssize_t>(sizeof port));
  EXPECT_EQ(listeningPortOwner(port), std::optional<unsigned>(kNobody));

  QTemporaryDir config;
  QProcess service;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
  service.setProcessEnvironment(environment);
  const auto run = [&](quint16 onPort) {
    service.start(QStringLiteral(ORVANTA_SERVICE_BINARY),
                  {QStringLiteral("--port"), QString::number(onPort), QStringLiteral("--root"), config.path()});
    EXPECT_TRUE(service.waitForFinished(30'000));
    return QString::fromLocal8Bit(service.readAllStandardError());
  };
  const QString otherUser = run(port);
  EXPECT_EQ(service.exitCode(), 1);
  EXPECT_EQ(otherUser.count(u'\n'), 1) << otherUser.toStdString();
  EXPECT_TRUE(otherUser.contains(QStringLiteral("held by another user's service (user id 65534)")))
      << otherUser.toStdString();
  close(hold[1]);
  waitpid(pid, nullptr, 0);
  close(ready[0]);

  // A port this user holds is no other user's.
  QTcpServer mine;
  ASSERT_TRUE(mine.listen(QHostAddress::LocalHost));
  const QString ownPort = run(mine.serverPort());
  EXPECT_EQ(service.exitCode(), 1);
  EXPECT_FALSE(ownPort.contains(QStringLiteral("another user"))) << ownPort.toStdString();
  EXPECT_TRUE(ownPort.contains(QStringLiteral("cannot listen"))) << ownPort.toStdString();
}

TEST(ServiceHttp, FindsTheOwnerOfALiveConnectionBothWays) {
  app();
  for (const QHostAddress& loopback : {QHostAddress(QHostAddress::LocalHost), QHostAddress(QHostAddress::LocalHostIPv6)}) {
    QTcpServer server;
    if (!server.listen(loopback)) {
      EXPECT_EQ(loopback, QHostAddress(QHostAddress::LocalHostIPv6));  // no IPv6 here
      continue;
    }
    QTcpSocket client;
    client.connectToHost(loopback, server.serverPort());
    ASSERT_TRUE(waitFor([&] { return client.state() == QAbstractSocket::ConnectedState; }, kServiceWaitMs));
    const auto end = [](const QHostAddress& address, quint16 port) {
      sockaddr_storage storage{};
      if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&in6->sin6_addr, bytes.c, 16);
      } else {
        auto* in = reinterpret_cast<sockaddr_in*>(&storage);
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        in->sin_addr.s_addr = htonl(address.toIPv4Address());
      }
      return storage;
    };
    const sockaddr_storage clientEnd = end(client.localAddress(), client.localPort());
    const sockaddr_storage serverEnd = end(loopback, server.serverPort());
    const sockaddr_storage nowhere = end(loopback, static_cast<quint16>(client.localPort() ^ 0x5a5a));
    const auto* c = reinterpret_cast<const sockaddr*>(&clientEnd);
    const auto* s = reinterpret_cast<const sockaddr*>(&serverEnd);
    const auto* n = reinterpret_cast<const sockaddr*>(&nowhere);
    const std::optional<unsigned> self = geteuid();
    EXPECT_EQ(connectionPeerOwnerByTables(c, s), self) << loopback.toString().toStdString();
    EXPECT_EQ(connectionPeerOwnerByTables(n, s), std::nullopt);
    EXPECT_EQ(connectionPeerOwner(c, s), self);
    EXPECT_EQ(connectionPeerOwner(n, s), std::nullopt);
    // Where the kernel's socket diagnostics answer, they agree, and a
    // socket that does not exist is an answer too (no slow table read).
    std::optional<unsigned> byDiagnostics;
    if (connectionPeerOwnerByDiagnostics(c, s, &byDiagnostics)) {
      EXPECT_EQ(byDiagnostics, self);
      EXPECT_TRUE(connectionPeerOwnerByDiagnostics(n, s, &byDiagnostics));
      EXPECT_EQ(byDiagnostics, std::nullopt);
    }
  }
}

TEST(ServiceHttp, SocketTableEntries) {
  sockaddr_in client{};
  client.sin_family = AF_INET;
  client.sin_port = htons(40000);
  client.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  sockaddr_in6 client6{};
  client6.sin6_family = AF_INET6;
  client6.sin6_port = htons(4664);
  client6.sin6_addr = in6addr_loopback;
  if (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
    EXPECT_EQ(socketTableEndpoint(reinterpret_cast<sockaddr*>(&client)), QByteArray("0100007F:9C40"));
    EXPECT_EQ(socketTableEndpoint(reinterpret_cast<sockaddr*>(&client6)),
              QByteArray("00000000000000000000000001000000:1238"));
  }
  const QByteArray table =
      "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n"
      "   0: 0100007F:1238 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000        0 1 1 0\n"
      "   1: 0100007F:1238 0100007F:9C40 01 00000000:00000000 00:00000000 00000000  1000        0 2 1 0\n"
      "   2: 0100007F:9C40 0100007F:1238 01 00000000:00000000 00:00000000 00000000  1001        0 3 1 0\n"
      "   3: 0100007F:9C41 0100007F:1239 01 00000000:00000000 00:00000000 00000000     7        0 4 1 0\n"
      "   4: 00000000:1F90 00000000:0000 0A 00000000:00000000 00:00000000 00000000     0        0 5 1 0\n";
  const struct {
    const char* local;
    const char* remote;
    bool listening;
    std::optional<unsigned> owner;
  } cases[] = {
      {"0100007F:9C40", "0100007F:1238", false, 1001u},  // the client's end, not the server's
      {"0100007F:9C40", "", false, 1001u},
      {"0100007F:9C41", "0100007F:1238", false, std::nullopt},  // same port pair, other server port
      {"0100007F:9C42", "", false, std::nullopt},
      {"0100007F:1238", "", true, 1000u},
      {"0100007F:1F90", "", true, 0u},  // a listener on every address holds the port too
      {"0100007F:9C40", "", true, std::nullopt},  // connected, not listening
  };
  for (const auto& c : cases) {
    EXPECT_EQ(socketOwnerInTable(table, c.local, c.remote, c.listening), c.owner) << c.local << ' ' << c.remote;
  }
  EXPECT_EQ(socketOwnerInTable("", "0100007F:9C40", "", false), std::nullopt);
}

TEST(ServiceHttp, PagesCarryOnlyPathsTheProgramReadsBack) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QByteArray root = QFile::encodeName(dir.path());
  ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("odd")));
  const QList<QByteArray> names = {
      "span title=x-evil.png",  // would put "-evil.png" on the page as a hit of its own
      "a&#39;b.txt",            // would be read back as "a'b.txt"
      "a&quot;b.txt",           // would be read back as "a\"b.txt"
      "a\"b.txt",
      "O'Brien.txt",
      "x=y z &amp; <b>.txt",
      "odd/caf\xe9.txt",  // not UTF-8: carried as its folder
      "odd/na\xefve.txt",
      "plain.txt",
  };
  QList<QByteArray> paths;
  for (const QByteArray& name : names) {
    paths.append(root + '/' + name);
    const int fd = ::open(paths.last().constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0) << name.constData();
    ::close(fd);
  }
  paths.append(root + "/odd");  // the folder itself found too: carried once

  const QString page =
      QString::fromUtf8(resultPage(kCodes.securityCode, {QStringLiteral("span"), QStringLiteral("title=x")}, paths));
  QStringList hits;
  search::scanResultPage(page, [&](const QString& hit) { hits.append(hit); });
  const QString base = dir.path();
  EXPECT_EQ(hits, (QStringList{base + QStringLiteral("/a\"b.txt"), base + QStringLiteral("/O'Brien.txt"),
                               base + QStringLiteral("/x=y z &amp; <b>.txt"), base + QStringLiteral("/odd"),
                               base + QStringLiteral("/plain.txt")}))
      << page.toStdString();
  for (const QString& hit : hits) EXPECT_TRUE(QFileInfo::exists(hit)) << hit.toStdString();
  EXPECT_EQ(page.count(QStringLiteral("span title=")), 5);
  EXPECT_TRUE(page.contains(QStringLiteral("<p>5 results.")));
  for (const QByteArray& path : paths) ::unlink(path.constData());  // names Qt cannot remove

  const struct {
    QByteArray path;
    std::optional<QString> carried;
  } cases[] = {
      {"/a/b.txt", QStringLiteral("/a/b.txt")},
      {"/a/say \"hi\".txt", QStringLiteral("/a/say \"hi\".txt")},  // written "&quot;" in the title
      {"/a/span title=b", std::nullopt},
      {"/a/span title/b", QStringLiteral("/a/span title/b")},
      {"/a&#39;/b", std::nullopt},
      {"/a&quot;/b", std::nullopt},
      {"/a&quot/b;", QStringLiteral("/a&quot/b;")},
      {"/a/\xff\xfe/b.txt", QStringLiteral("/a")},
      {"/\xff.txt", QStringLiteral("/")},
      {"\xff.txt", std::nullopt},
      {"/span title=a/\xff", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(carriedPath(c.path), c.carried) << c.path.toHex().constData();
}

// The status page says what is indexed, what waits and what pauses, to
// holders of the code only (what is indexed tells what the user keeps).
TEST(ServiceHttp, StatusPageIsBehindTheCode) {
  QTemporaryDir root;
  ASSERT_TRUE(root.isValid());
  ASSERT_TRUE(QDir().mkpath(root.filePath(QStringLiteral("letters"))));
  for (const QString& name : {QStringLiteral("letters/one.txt"), QStringLiteral("two.txt"), QStringLiteral("x.bin")}) {
    QFile file(root.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("granite words");
  }
  Service service(root.path());
  service.server.pauseContents(QStringLiteral("on battery"));
  ASSERT_TRUE(service.server.startIndexing());
  const auto status = [&](const QByteArray& target) { return service.server.answer({"GET", target, "localhost"}); };
  const QByteArray withCode = "/status?s=" + kCodes.securityCode.toLatin1();
  ASSERT_TRUE(waitFor([&] { return status(withCode).body.contains("indexed: 3 files, 1 folders"); }, kServiceWaitMs))
      << status(withCode).body.toStdString();
  HttpReply reply = status(withCode);
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.contentType, "text/plain; charset=utf-8");
  EXPECT_TRUE(reply.body.contains("documents waiting to be read: 2\n")) << reply.body.toStdString();
  EXPECT_TRUE(reply.body.contains("documents read: 0\n")) << reply.body.toStdString();
  EXPECT_TRUE(reply.body.contains("indexing: going on\n")) << reply.body.toStdString();
  EXPECT_TRUE(reply.body.contains("reading documents: paused, on battery\n")) << reply.body.toStdString();

  service.server.pauseContents({});
  EXPECT_TRUE(waitFor([&] { return status(withCode).body.contains("documents read: 2\n"); }, kServiceWaitMs))
      << status(withCode).body.toStdString();
  reply = status(withCode);
  EXPECT_TRUE(reply.body.contains("documents waiting to be read: 0\n")) << reply.body.toStdString();
  EXPECT_TRUE(reply.body.contains("reading documents: going on\n")) << reply.body.toStdString();

  for (const QByteArray& target :
       {QByteArray("/status"), QByteArray("/status?s="), QByteArray("/status?s=") + kCodes.sessionCode.toLatin1(),
        QByteArray("/status?s=") + kCodes.securityCode.toLatin1().chopped(1)}) {
    reply = status(target);
    EXPECT_EQ(reply.status, 403) << target.toStdString();
    EXPECT_FALSE(reply.body.contains("indexed")) << target.toStdString();
  }
}

// Searches never wait for the indexing thread: while it hangs (as it does
// on a network share gone dead; here it hangs reading the mount table),
// searches and the status page are answered from what is stored.
TEST(ServiceHttp, SearchesAnswerWhileIndexingHangs) {
  QTemporaryDir root;
  QTemporaryDir indexFolder;
  ASSERT_TRUE(root.isValid() && indexFolder.isValid());
  ASSERT_TRUE(QFile(root.filePath(QStringLiteral("stored early.txt"))).open(QIODevice::WriteOnly));
  struct Hang {
    QMutex mutex;
    QWaitCondition released;
    bool holding = false;
    std::atomic<bool> entered{false};
  };
  auto hang = std::make_shared<Hang>();
  IndexSettings settings = indexSettings(root.path(), indexFolder.path());
  settings.mountTable = [hang] {
    QMutexLocker lock(&hang->mutex);
    if (hang->holding) hang->entered = true;
    while (hang->holding) hang->released.wait(&hang->mutex);
    return std::vector<MountPoint>{};
  };
  app();
  LocalSearchServer server(kCodes, settings);
  ASSERT_TRUE(server.startIndexing());
  const auto searchFor = [&](const QByteArray& word) {
    return server.answer({"GET", "/search&s=" + kCodes.securityCode.toLatin1() + "?q=" + word, "localhost"});
  };
  const QByteArray early = "span title=\"" + QFile::encodeName(root.filePath(QStringLiteral("stored early.txt")));
  ASSERT_TRUE(waitFor([&] { return searchFor("early").body.contains(early); }, kServiceWaitMs));

  {
    QMutexLocker lock(&hang->mutex);
    hang->holding = true;
  }
  ASSERT_TRUE(QFile(root.filePath(QStringLiteral("arrives late.txt"))).open(QIODevice::WriteOnly));
  ASSERT_TRUE(waitFor([&] { return hang->entered.load(); }, kServiceWaitMs));
  // The indexing thread is held now.
  const HttpReply reply = searchFor("early");
  EXPECT_EQ(reply.status, 200);
  EXPECT_TRUE(reply.body.contains(early));
  EXPECT_FALSE(searchFor("late").body.contains("arrives late"));
  const HttpReply status = server.answer({"GET", "/status?s=" + kCodes.securityCode.toLatin1(), "localhost"});
  EXPECT_TRUE(status.body.contains("indexed: 1 files")) << status.body.toStdString();

  {
    QMutexLocker lock(&hang->mutex);
    hang->holding = false;
    hang->released.wakeAll();
  }
  EXPECT_TRUE(waitFor([&] { return searchFor("late").body.contains("arrives late"); }, kServiceWaitMs));
}

TEST(ServiceHttp, LogNeverHoldsTheCodes) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const char* name : {"100%41 done.txt", "100A done.txt"}) {
    QFile file(dir.path() + u'/' + QString::fromUtf8(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  Service service(dir.path());
  ASSERT_NE(service.port, 0);
  service.server.startIndexing();
  ASSERT_TRUE(waitFor([&] { return !service.lines.filter(QStringLiteral("indexed")).isEmpty(); }, kServiceWaitMs));
  const QByteArray security = kCodes.securityCode.toLatin1();
  const QByteArray session = kCodes.sessionCode.toLatin1();
  const QList<QByteArray> targets = {
      "/search&s=" + security + "?q=100%2541&ie=UTF-8",
      "/search&s=" + security.toLower() + "?q=done",
      "/search&s=" + security.chopped(1) + "?q=near",  // all but one letter of the code
      "/search?s=" + security + "&q=done",
      "/unsupported?url=%2F%26s%3D" + security + "%26q%3D&s=" + session,
      "/ok?url=%2F" + security,
      "/",
  };
  for (const QByteArray& target : targets) {
    RawClient client(service.port);
    ASSERT_TRUE(client.connected);
    client.send(request(target));
    ASSERT_TRUE(waitFor([&] { return client.answers(1); }, kServiceWaitMs)) << target.constData();
    // "%" is decoded once: "%2541" is the words "100%41", not "100A".
    if (target.contains("%2541")) {
      EXPECT_TRUE(client.received.contains("100%41 done.txt\""));
      EXPECT_FALSE(client.received.contains("100A done.txt\""));
    }
  }
  RawClient post(service.port);
  post.send("POST /search&s=" + security + "?q=x HTTP/1.1\r\nHost: localhost\r\nContent-Length: 0\r\n\r\n");
  ASSERT_TRUE(waitFor([&] { return post.answers(1); }, kServiceWaitMs));

  ASSERT_TRUE(waitFor([&] { return service.lines.filter(QStringLiteral(" GET ")).size() == targets.size(); }, kServiceWaitMs));
  ASSERT_TRUE(waitFor([&] { return service.lines.filter(QStringLiteral(" POST ")).size() == 1; }, kServiceWaitMs));
  for (const QString& line : service.lines) {
    for (const QString& code : {kCodes.securityCode, kCodes.sessionCode}) {
      EXPECT_FALSE(line.contains(code.chopped(1), Qt::CaseInsensitive)) << line.toStdString();
    }
  }
  EXPECT_TRUE(service.lines.contains(QStringLiteral("127.0.0.1 GET /search&s=***?q=100%2541&ie=UTF-8 200")));
  EXPECT_TRUE(service.lines.contains(QStringLiteral("127.0.0.1 GET /search&s=***?q=done 403")));
  EXPECT_TRUE(service.lines.contains(QStringLiteral("127.0.0.1 GET /search&s=***?q=near 403")));
  EXPECT_TRUE(service.lines.contains(QStringLiteral("127.0.0.1 GET /unsupported?url=%2F%26s%3D***%26q%3D&s=*** 200")));
  EXPECT_TRUE(service.lines.contains(QStringLiteral("127.0.0.1 POST /search&s=***?q=x 405")));
}

TEST(ServiceHttp, LogWritesHostileMethodsAsTheTargetIsWritten) {
  QTemporaryDir dir;
  Service service(dir.path());
  ASSERT_NE(service.port, 0);
  const struct {
    QByteArray method;
    QString logged;
  } cases[] = {
      // A terminal control sequence, a carriage return to write over the
      // line, NEL (a line end in Unicode), a long method, and one holding
      // a code past the length a method is cut to.
      {"G\x1b[2JET", QStringLiteral("G%1B[2JET")},
      {"GET\rFAKE", QStringLiteral("GET%0DFAKE")},
      {QByteArray("GET\xc2\x85") + "FAKE", QStringLiteral("GET%C2%85FAKE")},
      {QByteArray(300, 'M'), QString(48, u'M')},
      {QByteArray(40, 'X') + kCodes.securityCode.toLatin1(), QString(40, u'X') + QStringLiteral("***")},
  };
  for (const auto& c : cases) {
    RawClient client(service.port);
    ASSERT_TRUE(client.connected);
    client.send(c.method + " /m HTTP/1.1\r\nHost: localhost\r\n\r\n");
    const QString line = QStringLiteral("127.0.0.1 ") + c.logged + QStringLiteral(" /m 405");
    EXPECT_TRUE(waitFor([&] { return service.lines.contains(line); }, kServiceWaitMs))
        << line.toStdString() << "\n"
        << service.lines.join(u'\n').toStdString();
  }
  for (const QString& line : service.lines) {
    for (const QChar c : line) EXPECT_TRUE(c.unicode() >= 0x20 && c.unicode() < 0x7f) << line.toStdString();
  }
}

}  // namespace
}  // namespace orvanta::service
