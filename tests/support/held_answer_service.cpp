// Stands in for the search service in the tests of hits while typing: it
// answers every search at once but the first, whose answer it holds until
// it has answered the next one; then it sends the held answer, when its
// connection is still open. Each argument "WORDS=PATH" puts a hit on the
// page for WORDS. It prints "listening on port N", then one line per
// event: "request WORDS", "answered WORDS", "late WORDS" (the held answer
// sent after the next) or "dropped WORDS" (the client closed the held
// request's connection first).
#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <cstdio>

namespace {

void say(const QString& line) {
  std::fputs((line + u'\n').toUtf8().constData(), stdout);
  std::fflush(stdout);
}

QByteArray answerFor(const QStringList& hits) {
  QByteArray body = "<html><body>";
  for (const QString& hit : hits) body += "<span title=\"" + hit.toUtf8() + "\">hit</span>";
  body += "</body></html>";
  return "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
         QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

// The words of a request line's target "...?q=WORDS&...".
QString wordsOf(const QByteArray& head) {
  const QByteArray target = head.split('\n').value(0).split(' ').value(1);
  const qsizetype start = target.indexOf("?q=");
  if (start < 0) return QString();
  QByteArray words = target.mid(start + 3);
  if (const qsizetype end = words.indexOf('&'); end >= 0) words.truncate(end);
  return QUrl::fromPercentEncoding(words.replace('+', ' '));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QHash<QString, QStringList> pages;
  for (const QString& argument : app.arguments().mid(1)) {
    const qsizetype equals = argument.indexOf(u'=');
    if (equals > 0) pages[argument.left(equals)].append(argument.mid(equals + 1));
  }
  QTcpServer server;
  if (!server.listen(QHostAddress::LocalHost, 0)) return 1;
  int requests = 0;
  QPointer<QTcpSocket> held;
  QByteArray heldAnswer;
  QString heldWords;
  QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
    while (QTcpSocket* socket = server.nextPendingConnection()) {
      auto* buffer = new QByteArray;
      QObject::connect(socket, &QObject::destroyed, [buffer] { delete buffer; });
      QObject::connect(socket, &QTcpSocket::disconnected, socket, [&, socket] {
        if (held == socket) {
          say(QStringLiteral("dropped ") + heldWords);
          held = nullptr;
        }
        socket->deleteLater();
      });
      QObject::connect(socket, &QTcpSocket::readyRead, socket, [&, socket, buffer] {
        buffer->append(socket->readAll());
        qsizetype end;
        while ((end = buffer->indexOf("\r\n\r\n")) >= 0) {
          const QByteArray head = buffer->left(end);
          buffer->remove(0, end + 4);
          const QString words = wordsOf(head);
          say(QStringLiteral("request ") + words);
          const QByteArray answer = answerFor(pages.value(words));
          if (++requests == 1) {
            held = socket;
            heldAnswer = answer;
            heldWords = words;
            continue;
          }
          socket->write(answer);
          say(QStringLiteral("answered ") + words);
          if (held) {
            held->write(heldAnswer);
            say(QStringLiteral("late ") + heldWords);
            held = nullptr;
          }
        }
      });
    }
  });
  say(QStringLiteral("listening on port %1").arg(server.serverPort()));
  return app.exec();
}
