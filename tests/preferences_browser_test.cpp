// The preferences window with the real browser engine and a real transfer,
// against a small HTTP server on loopback: Search fills the raw page and the
// browser, the address bar follows the browser, and Sniff URL cuts the
// redirect link out of the page.
#include "fake_preferences_peers.h"
#include "gui_application.h"
#include "wait_for.h"
#include "loopback_fetcher.h"
#include "temp_registry.h"

#include "platform/webengine_browser.h"
#include "settings/preferences_window.h"
#include "settings/settings_table.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

namespace orvanta::settings {
namespace {

using testing::FakePreferencesPeers;
using testing::TempRegistry;

// Answers every GET with a result page holding one redirect link, and
// remembers the paths asked for.
class PageServer {
 public:
  PageServer() {
    server_.listen(QHostAddress::LocalHost);
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
      }
    });
  }

  quint16 port() const { return server_.serverPort(); }
  const QStringList& paths() const { return paths_; }

  static QByteArray page() {
    return "<html><body>\n<p>Results</p>\n"
           "<a href=\"/ok?url=file%3A%2F%2F%2Fhome%2Freport.txt&s=k3Yq\">report.txt</a>\n"
           "</body></html>\n";
  }

 private:
  void answer(QTcpSocket* socket) {
    QByteArray& request = pending_[socket];
    request += socket->readAll();
    if (!request.contains("\r\n\r\n")) return;
    const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
    paths_ << QString::fromUtf8(words.value(1));
    pending_.remove(socket);
    const QByteArray body = page();
    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\n"
                  "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    socket->disconnectFromHost();
  }

  QTcpServer server_;
  QStringList paths_;
  QHash<QTcpSocket*, QByteArray> pending_;
};

TEST(PreferencesBrowser, SearchFillsTheRawPageAndTheBrowserAndSniffCutsTheLink) {
  testing::guiApplication();
  PageServer server;
  ASSERT_NE(server.port(), 0);
  TempRegistry temp;
  const QString prefix = QStringLiteral("http://127.0.0.1:%1/search&s=k3Yq?q=").arg(server.port());
  writeSetting(temp.regKeys(), u"SearchPrefix", prefix);
  writeSetting(temp.regKeys(), u"SearchSuffix", QStringLiteral("&ie=UTF-8"));
  QStringList log;
  FakePreferencesPeers peers(log);

  QPointer<Form_OrvantaPreferences> window = new Form_OrvantaPreferences(
      temp.regKeys(), peers, platform::webEngineBrowserFactory(), &testing::fetchLoopbackPage);
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));

  window->findChild<QLineEdit*>(QStringLiteral("SearchCriteria"))->setText(QStringLiteral("report"));
  QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);

  const QString address = prefix + QStringLiteral("report&ie=UTF-8");
  const QString path = QStringLiteral("/search&s=k3Yq?q=report&ie=UTF-8");
  EXPECT_EQ(window->findChild<QPlainTextEdit*>(QStringLiteral("HTMLBox"))->toPlainText(),
            QString::fromUtf8(PageServer::page()));
  // The raw fetch, then the browser's own request for the same page.
  EXPECT_TRUE(testing::waitFor([&] { return server.paths().count(path) == 2; }, 30000))
      << server.paths().join(u' ').toStdString();
  auto* addressBar = window->findChild<QLineEdit*>(QStringLiteral("AddressBar"));
  EXPECT_TRUE(testing::waitFor([&] { return addressBar->text() == QUrl(address).toString(); }, 30000))
      << addressBar->text().toStdString();

  QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("Command3")), Qt::LeftButton);
  EXPECT_EQ(window->findChild<QLineEdit*>(QStringLiteral("InitiateURL"))->text(),
            QStringLiteral("/ok?url=file%3A%2F%2F%2Fhome%2Freport.txt&s=k3Yq"));

  window->close();
  EXPECT_TRUE(testing::waitFor([&] { return window.isNull(); }));
}

TEST(PreferencesBrowser, BrowserLoadsOnlyFromThisMachine) {
  const struct {
    const char* url;
    bool allowed;
  } cases[] = {
      {"http://127.0.0.1:4664/search?q=x", true},
      {"http://localhost:4664/", true},
      {"https://LOCALHOST/", true},
      {"http://127.8.9.10/", true},
      {"http://[::1]:4664/", true},
      {"ws://127.0.0.1/socket", true},
      {"data:text/html,<p>x</p>", true},
      {"about:blank", true},
      {"http://example.com/", false},
      {"https://192.0.2.1/", false},
      {"http://[2001:db8::1]/", false},
      {"http://localhost.example.com/", false},
      {"ftp://198.51.100.7/file", false},
      {"wss://example.org/", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::browserMayLoad(QUrl(QString::fromLatin1(c.url))), c.allowed) << c.url;
  }
}

TEST(PreferencesBrowser, EngineSwitchesKeepItQuietAndDropTheSandboxOnlyForRoot) {
  const QString user = platform::browserEngineSwitches(false);
  const QString root = platform::browserEngineSwitches(true);
  for (const char* quiet : {"--disable-background-networking", "--disable-component-update"}) {
    EXPECT_TRUE(user.split(u' ').contains(QLatin1String(quiet))) << quiet;
    EXPECT_TRUE(root.split(u' ').contains(QLatin1String(quiet))) << quiet;
  }
  EXPECT_FALSE(user.contains(QStringLiteral("--no-sandbox")));
  EXPECT_TRUE(root.split(u' ').contains(QStringLiteral("--no-sandbox")));
}

}  // namespace
}  // namespace orvanta::settings
