// Blocking GETs in a nested event loop that holds back user input, and
// navigations that run on their own until their answer has been read.
#include "qt_http_transfer.h"

#include "http_address.h"
#include "http_response_parser.h"

#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

namespace orvanta::platform {

namespace {

QByteArray requestBytes(const HttpAddress& address) {
  return "GET " + address.target + " HTTP/1.1\r\nHost: " + address.hostHeader +
         "\r\nAccept: */*\r\nConnection: keep-alive\r\nUser-Agent: Orvanta\r\n\r\n";
}

QByteArray connectionKey(const HttpAddress& address) {
  return address.hostHeader + ':' + QByteArray::number(address.port);
}

class QtHttpSession : public HttpSession {
 public:
  explicit QtHttpSession(HttpLimits limits) : limits_(limits) {}

  std::optional<QString> get(const QString& address) override {
    const std::optional<HttpAddress> parsed = parseHttpAddress(address);
    if (!parsed) return std::nullopt;
    if (socket_ && key_ == connectionKey(*parsed) && socket_->state() == QAbstractSocket::ConnectedState) {
      const Outcome outcome = exchange(*parsed, false);
      if (outcome.body) return QString::fromUtf8(*outcome.body);
      // A kept connection the server closed before answering: ask again on
      // a new one. Anything else is the answer.
      if (outcome.receivedAnything || outcome.interrupted) return std::nullopt;
    }
    const Outcome outcome = exchange(*parsed, true);
    if (outcome.body) return QString::fromUtf8(*outcome.body);
    return std::nullopt;
  }

 private:
  struct Outcome {
    std::optional<QByteArray> body;
    bool receivedAnything = false;
    bool interrupted = false;  // the wait ended before the transfer did
  };

  Outcome exchange(const HttpAddress& address, bool fresh) {
    if (fresh) {
      socket_ = std::make_unique<QTcpSocket>();
      key_ = connectionKey(address);
    }
    QTcpSocket* socket = socket_.get();
    const QByteArray request = requestBytes(address);
    HttpResponseParser parser(limits_.maxBodyBytes);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject context;  // every connection below ends with it
    bool done = false;
    bool connected = !fresh;
    qsizetype candidate = 0;

    const auto end = [&] {
      done = true;
      loop.quit();
    };
    const auto connectNext = [&] {
      socket->abort();
      socket->connectToHost(address.loopback[candidate], address.port);
    };
    QObject::connect(socket, &QTcpSocket::connected, &context, [&] {
      connected = true;
      socket->write(request);
    });
    QObject::connect(socket, &QTcpSocket::readyRead, &context, [&] {
      if (done) return;
      if (parser.feed(socket->readAll()) != HttpResponseParser::State::Reading) end();
    });
    const auto closed = [&] {
      if (done) return;
      if (socket->bytesAvailable() > 0) parser.feed(socket->readAll());
      parser.closed();
      end();
    };
    QObject::connect(socket, &QTcpSocket::disconnected, &context, closed);
    QObject::connect(socket, &QTcpSocket::errorOccurred, &context, [&](QAbstractSocket::SocketError) {
      if (done) return;
      if (!connected && candidate + 1 < address.loopback.size()) {
        ++candidate;
        QTimer::singleShot(0, &context, connectNext);
        return;
      }
      closed();
    });
    QObject::connect(&timer, &QTimer::timeout, &context, end);

    if (fresh) {
      socket->connectToHost(address.loopback[candidate], address.port);
    } else {
      socket->write(request);
    }
    timer.start(limits_.timeoutMs);
    if (!done) loop.exec(QEventLoop::ExcludeUserInputEvents);

    Outcome outcome;
    outcome.receivedAnything = parser.receivedAnything();
    outcome.interrupted = !done;
    if (parser.state() == HttpResponseParser::State::Done) outcome.body = parser.body();
    if (!outcome.body || !parser.keepAlive()) {
      socket_->abort();
      socket_.reset();
      key_.clear();
    }
    return outcome;
  }

  HttpLimits limits_;
  std::unique_ptr<QTcpSocket> socket_;
  QByteArray key_;
};

// One navigation: connects, sends its request, reads the answer away and
// removes itself.
class Navigation : public QObject {
 public:
  Navigation(const HttpAddress& address, HttpLimits limits, QObject* parent)
      : QObject(parent), address_(address), parser_(limits.maxBodyBytes) {
    socket_ = new QTcpSocket(this);
    connect(socket_, &QTcpSocket::connected, this, [this] { socket_->write(requestBytes(address_)); });
    connect(socket_, &QTcpSocket::readyRead, this, [this] {
      if (parser_.feed(socket_->readAll()) != HttpResponseParser::State::Reading) finish();
    });
    connect(socket_, &QTcpSocket::disconnected, this, &Navigation::finish);
    connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
      if (socket_->state() != QAbstractSocket::ConnectedState && candidate_ + 1 < address_.loopback.size()) {
        ++candidate_;
        QTimer::singleShot(0, this, [this] {
          socket_->abort();
          socket_->connectToHost(address_.loopback[candidate_], address_.port);
        });
        return;
      }
      finish();
    });
    QTimer::singleShot(limits.timeoutMs, this, &Navigation::finish);
    socket_->connectToHost(address_.loopback[0], address_.port);
  }

 private:
  void finish() {
    if (finished_) return;
    finished_ = true;
    socket_->abort();
    deleteLater();
  }

  HttpAddress address_;
  HttpResponseParser parser_;
  QTcpSocket* socket_ = nullptr;
  qsizetype candidate_ = 0;
  bool finished_ = false;
};

}  // namespace

QtHttpTransfer::QtHttpTransfer(HttpLimits limits) : limits_(limits) {}

QtHttpTransfer::~QtHttpTransfer() = default;

std::unique_ptr<HttpSession> QtHttpTransfer::openSession() { return std::make_unique<QtHttpSession>(limits_); }

void QtHttpTransfer::navigate(const QString& address) {
  const std::optional<HttpAddress> parsed = parseHttpAddress(address);
  if (parsed) new Navigation(*parsed, limits_, &navigations_);
}

}  // namespace orvanta::platform
