// The local-socket hand-over between starts of the program.
#include "single_instance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

namespace orvanta::app {
namespace {

// The requests, one line each: the panel, or the panel with words (as
// percent-encoded UTF-8 after the blank).
constexpr char kRequest[] = "activate\n";
constexpr char kSearchRequest[] = "search ";
// The longest words handed over; longer ones are cut.
constexpr qsizetype kMaxWords = 1000;
// A word's character takes at most 4 bytes of UTF-8, each written as %XX.
constexpr qint64 kMaxRequestBytes = 16 + kMaxWords * 12;
// A peer that sends no request within this time is let go.
constexpr int kRequestTimeoutMs = 5000;

}  // namespace

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {
  // No socket options: with them Qt makes the socket elsewhere and renames
  // it into place, over the socket of a program that runs. The runtime
  // folder is the user's alone anyway.
  connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
}

SingleInstance::~SingleInstance() { server_.close(); }

QString SingleInstance::defaultSocketName() {
#if defined(Q_OS_WIN)
  return QStringLiteral("orvanta-") + qEnvironmentVariable("USERNAME");
#else
  // Qt falls back to a private folder of its own when $XDG_RUNTIME_DIR is
  // not set or not usable.
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  return QDir(folder.isEmpty() ? QDir::tempPath() : folder).filePath(QStringLiteral("orvanta.socket"));
#endif
}

bool SingleInstance::sendToRunning(int timeoutMs, const std::optional<QString>& words) const {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(timeoutMs)) return false;
  if (words) {
    socket.write(kSearchRequest + words->left(kMaxWords).toUtf8().toPercentEncoding() + '\n');
  } else {
    socket.write(kRequest);
  }
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  // The running program answers by closing the connection once it has
  // read the request.
  if (socket.state() == QLocalSocket::ConnectedState) socket.waitForDisconnected(timeoutMs);
  return true;
}

bool SingleInstance::listen() {
  if (server_.listen(name_)) return true;
  if (server_.serverError() != QAbstractSocket::AddressInUseError) return false;
  // Somebody answers there: that program runs.
  QLocalSocket probe;
  probe.connectToServer(name_);
  if (probe.waitForConnected(1000)) {
    probe.abort();
    return false;
  }
  // Nobody does: the socket of a program that was killed.
  QLocalServer::removeServer(name_);
  return server_.listen(name_);
}

void SingleInstance::acceptConnections() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    const auto drop = [socket] {
      socket->abort();
      socket->deleteLater();
    };
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(kRequestTimeoutMs, socket, drop);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, drop] {
      if (!socket->canReadLine()) {
        // A peer that never ends its line is not kept.
        if (socket->bytesAvailable() > kMaxRequestBytes) drop();
        return;
      }
      const QByteArray line = socket->readLine(kMaxRequestBytes);
      socket->disconnectFromServer();
      if (line == kRequest) {
        emit activationRequested();
      } else if (line.startsWith(kSearchRequest) && line.endsWith('\n')) {
        const QByteArray encoded = line.sliced(qsizetype(sizeof(kSearchRequest) - 1)).chopped(1);
        emit searchRequested(QString::fromUtf8(QByteArray::fromPercentEncoding(encoded)));
      }
    });
  }
}

}  // namespace orvanta::app
