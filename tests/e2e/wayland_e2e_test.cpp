// The built program in Wayland sessions, through XWayland: headless mutter,
// KWin and sway started as an unprivileged user. The button stands at its
// anchor with the panel below it, and --show-panel hands the keyboard to
// the search box, where typed words arrive whole: the search address that
// reaches a loopback server of the test carries them. A compositor that is
// not installed or does not start here skips its test with one line.
#include "wayland_session.h"

#include "gui_application.h"
#include "platform/file_registry.h"
#include "settings/reg_keys.h"
#include "settings/settings_table.h"
#include "wait_for.h"

#include <QDir>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace orvanta::testing {
namespace {

// The anchor, twips: the panel's top left corner at 400,100 pixels.
constexpr int kLeftPosition = 6000;
constexpr int kTopPosition = 1500;
constexpr int kPanelWidth = 341;
// The button's right edge lies 100 twips right of the panel's, its bottom
// on the panel's top; its picture is 690 x 330 twips.
const QRect kButton(400 + kPanelWidth + 7 - 46, 100 - 22, 46, 22);

// Answers every request with 404 and keeps the request targets.
class RecordingServer {
 public:
  RecordingServer() {
    server_.listen(QHostAddress(QHostAddress::LocalHost), 0);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
          if (!socket->canReadLine()) return;
          const QByteArray line = socket->readLine();
          targets_ << QString::fromUtf8(line).section(u' ', 1, 1);
          socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
          socket->disconnectFromHost();
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      }
    });
  }
  quint16 port() const { return server_.serverPort(); }
  const QStringList& targets() const { return targets_; }

 private:
  QTcpServer server_;
  QStringList targets_;
};

// What a program printed, once it has ended or after a second.
std::string outputOf(QProcess& program) {
  program.waitForFinished(1000);
  return QString::fromLocal8Bit(program.readAll()).toStdString();
}

QString text(const std::optional<QRect>& rect) {
  if (!rect) return QStringLiteral("none");
  return QStringLiteral("%1,%2 %3x%4").arg(rect->x()).arg(rect->y()).arg(rect->width()).arg(rect->height());
}

class WaylandE2eTest : public ::testing::TestWithParam<Compositor> {
 protected:
  void SetUp() override {
    guiApplication();
    session.emplace(GetParam());
    if (!session->unavailable().isEmpty()) GTEST_SKIP() << session->unavailable().toStdString();
    // A build in a folder closed to the session's user cannot be run there.
    if (!session->run(QStringLiteral(ORVANTA_BINARY), {QStringLiteral("--version")})) {
      GTEST_SKIP() << "the session's user cannot run " << ORVANTA_BINARY;
    }
    ASSERT_NE(server.port(), 0);
    // The settings of the session's user.
    const QString settingsFolder = session->folder() + QStringLiteral("/home/.config/orvanta");
    ASSERT_TRUE(QDir().mkpath(settingsFolder));
    const QString file = settingsFolder + QStringLiteral("/registry.reg");
    {
      platform::FileRegistry registry(file);
      settings::RegKeys regKeys(registry);
      ASSERT_TRUE(settings::writeSetting(regKeys, u"LeftPosition", QString::number(kLeftPosition)));
      ASSERT_TRUE(settings::writeSetting(regKeys, u"TopPosition", QString::number(kTopPosition)));
      ASSERT_TRUE(settings::writeSetting(regKeys, u"SearchPrefix",
                                         QStringLiteral("http://127.0.0.1:%1/search&s=x?q=").arg(server.port())));
      ASSERT_TRUE(settings::writeSetting(regKeys, u"SearchSuffix", QStringLiteral("&ie=UTF-8")));
    }
    for (const QString& path : QDir(settingsFolder).entryList(QDir::Files | QDir::Hidden)) {
      session->handOver(settingsFolder + u'/' + path);
    }
    session->handOver(settingsFolder);
  }

  std::optional<WaylandSession> session;
  RecordingServer server;
};

// The button at its anchor; a second start, as a key binding makes it,
// drops the first one's panel below the button.
TEST_P(WaylandE2eTest, TheButtonAndThePanelStandAtTheAnchor) {
  QProcess& program = session->start(QStringLiteral(ORVANTA_BINARY), {});
  const auto button = session->waitForWindow(QStringLiteral("^Orvanta Button$"));
  ASSERT_TRUE(button) << outputOf(program);
  const auto buttonPlace = session->geometry(*button);
  if (GetParam() == Compositor::Sway && buttonPlace != kButton) {
    // sway places and sizes an X11 window itself, whatever the window
    // asks for: a known fault of the windows' placement there.
    GTEST_SKIP() << "sway placed the button at " << text(buttonPlace).toStdString() << ", not at "
                 << text(kButton).toStdString();
  }
  EXPECT_EQ(buttonPlace, kButton) << text(buttonPlace).toStdString();
  QProcess& second = session->start(QStringLiteral(ORVANTA_BINARY), {QStringLiteral("--show-panel")});
  ASSERT_TRUE(second.waitForFinished(20000));
  EXPECT_EQ(second.exitCode(), 0);
  const auto panel = session->waitForWindow(QStringLiteral("^Orvanta$"));
  ASSERT_TRUE(panel);
  const auto panelPlace = session->geometry(*panel);
  ASSERT_TRUE(panelPlace);
  EXPECT_EQ(panelPlace->topLeft(), QPoint(kLeftPosition / 15, kTopPosition / 15)) << text(panelPlace).toStdString();
  EXPECT_EQ(panelPlace->width(), kPanelWidth);
}

// --show-panel gives the search box the keyboard, and the typed words
// reach the search address whole.
TEST_P(WaylandE2eTest, ShowPanelHandsTheKeyboardToTheBoxAndTypedWordsArriveWhole) {
  QProcess& program = session->start(QStringLiteral(ORVANTA_BINARY), {QStringLiteral("--show-panel")});
  const auto panel = session->waitForWindow(QStringLiteral("^Orvanta$"));
  ASSERT_TRUE(panel) << outputOf(program);
  ASSERT_TRUE(waitUntil([&] { return session->focusedWindow() == *panel; }))
      << "focus on " << session->focusedWindow().value_or(QStringLiteral("none")).toStdString();

  ASSERT_TRUE(session->typeAndEnter(QStringLiteral("quarterly report")));
  const QString expected = QStringLiteral("/search&s=x?q=quarterly+report&ie=UTF-8");
  EXPECT_TRUE(waitFor([&] { return server.targets().contains(expected); }, 20000))
      << server.targets().join(u' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Compositors, WaylandE2eTest,
                         ::testing::Values(Compositor::Mutter, Compositor::KWin, Compositor::Sway),
                         [](const ::testing::TestParamInfo<Compositor>& info) {
                           switch (info.param) {
                             case Compositor::Mutter:
                               return "Mutter";
                             case Compositor::KWin:
                               return "KWin";
                             case Compositor::Sway:
                               return "Sway";
                           }
                           return "";
                         });

}  // namespace
}  // namespace orvanta::testing
