// Blocking GETs in a nested event loop that handles every event, and
// navigations that run on their own until their answer has been read.
#include "qt_http_transfer.h"

#include "http_address.h"
#include "http_response_parser.h"

#include <QEventLoop>
#include <QScopeGuard>
#include <QTcpSocket>
#include <QTimer>

#include <functional>

namespace orvanta::platform {

namespace {

QByteArray requestBytes(const HttpAddress& address) {
  return "GET " + address.target + " HTTP/1.1\r\nHost: " + address.hostHeader +
         "\r\nAccept: */*\r\nConnection: keep-alive\r\nUser-Agent: Orvanta\r\n\r\n";
}

// The most a socket holds unread and a read takes at once.
constexpr qint64 kReadBufferBytes = 256 * 1024;

QByteArray connectionKey(const HttpAddress& address) {
  return address.hostHeader + ':' + QByteArray::number(address.port);
}

class QtHttpSession : public HttpSession {
 public:
  explicit QtHttpSession(HttpLimits limits) : limits_(limits) {}

  void cancel() override {
    if (cancelWait_) cancelWait_();
  }

  HttpResult fetch(const QString& address, QDeadlineTimer deadline) override {
    HttpResult result;
    const std::optional<HttpAddress> parsed = parseHttpAddress(address);
    if (!parsed) return result;
    result.server = serverName(*parsed);
    // One time limit for the request, a second try included.
    QDeadlineTimer limit(limits_.timeoutMs);
    if (deadline < limit) limit = deadline;
    Outcome outcome;
    if (socket_ && key_ == connectionKey(*parsed) && socket_->state() == QAbstractSocket::ConnectedState) {
      outcome = exchange(*parsed, false, limit);
      // Only a kept connection the server closed before answering is
      // asked again, on a new one; anything else is the answer.
      if (outcome.error == HttpResult::Error::Broken && !outcome.receivedAnything && !outcome.cancelled) {
        outcome = exchange(*parsed, true, limit);
      }
    } else {
      outcome = exchange(*parsed, true, limit);
    }
    result.error = outcome.error;
    result.status = outcome.status;
    if (outcome.error == HttpResult::Error::None) result.body = QString::fromUtf8(outcome.body);
    return result;
  }

 private:
  struct Outcome {
    HttpResult::Error error = HttpResult::Error::Broken;
    int status = 0;
    QByteArray body;
    bool receivedAnything = false;
    bool cancelled = false;
  };

  Outcome exchange(const HttpAddress& address, bool fresh, const QDeadlineTimer& limit) {
    Outcome outcome;
    if (limit.hasExpired()) {
      outcome.error = HttpResult::Error::TimedOut;
      return outcome;
    }
    if (fresh) {
      socket_ = std::make_unique<QTcpSocket>();
      // What a readyRead hands over stays small, whatever the server sends.
      socket_->setReadBufferSize(kReadBufferBytes);
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
    bool timedOut = false;
    qsizetype candidate = 0;

    const auto end = [&] {
      done = true;
      loop.quit();
    };
    const auto connectNext = [&] {
      socket->abort();
      socket->connectToHost(address.loopback[candidate], address.port);
    };
    const auto read = [&] {
      if (done) return;
      if (parser.feed(socket->read(kReadBufferBytes)) != HttpResponseParser::State::Reading) end();
    };
    QObject::connect(socket, &QTcpSocket::connected, &context, [&] {
      connected = true;
      socket->write(request);
    });
    QObject::connect(socket, &QTcpSocket::readyRead, &context, [&] {
      // Read in bounded pieces, so a flood is looked at as it comes.
      while (!done && socket->bytesAvailable() > 0) read();
    });
    const auto closed = [&] {
      if (done) return;
      while (!done && socket->bytesAvailable() > 0) read();
      if (done) return;
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
    QObject::connect(&timer, &QTimer::timeout, &context, [&] {
      timedOut = true;
      end();
    });
    bool cancelled = false;
    cancelWait_ = [&] {
      if (done) return;
      cancelled = true;
      end();
      // The server sees the connection go at once.
      socket->abort();
    };
    const auto forgetCancel = qScopeGuard([this] { cancelWait_ = nullptr; });

    if (fresh) {
      socket->connectToHost(address.loopback[candidate], address.port);
    } else {
      socket->write(request);
    }
    timer.start(std::chrono::milliseconds(qMax<qint64>(0, limit.remainingTime())));
    // User input is handled during the wait like at any other time.
    if (!done) loop.exec();

    outcome.receivedAnything = parser.receivedAnything();
    outcome.cancelled = cancelled;
    if (cancelled) {
      outcome.error = HttpResult::Error::Interrupted;
    } else if (parser.state() == HttpResponseParser::State::Done) {
      outcome.error = HttpResult::Error::None;
      outcome.status = parser.status();
      outcome.body = parser.body();
    } else if (timedOut) {
      outcome.error = HttpResult::Error::TimedOut;
    } else if (!done) {
      outcome.error = HttpResult::Error::Interrupted;
    } else if (!connected) {
      outcome.error = HttpResult::Error::Unreachable;
    }
    if (outcome.error != HttpResult::Error::None || !parser.keepAlive()) {
      socket_->abort();
      socket_.reset();
      key_.clear();
    }
    return outcome;
  }

  HttpLimits limits_;
  std::unique_ptr<QTcpSocket> socket_;
  QByteArray key_;
  // Ends the wait of the GET under way; empty while none waits.
  std::function<void()> cancelWait_;
};

// One navigation: connects, sends its request, reads the answer away and
// removes itself.
class Navigation : public QObject {
 public:
  Navigation(const HttpAddress& address, HttpLimits limits, QObject* parent)
      : QObject(parent), address_(address), parser_(limits.maxBodyBytes) {
    socket_ = new QTcpSocket(this);
    connect(socket_, &QTcpSocket::connected, this, [this] { socket_->write(requestBytes(address_)); });
    socket_->setReadBufferSize(kReadBufferBytes);
    connect(socket_, &QTcpSocket::readyRead, this, [this] {
      while (!finished_ && socket_->bytesAvailable() > 0) {
        if (parser_.feed(socket_->read(kReadBufferBytes)) != HttpResponseParser::State::Reading) finish();
      }
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
