// The built program on a virtual X display with a window manager: the
// button at the anchor, the panel dropping down with the caret in the
// search box, and the two ways the program ends.
#include "x11_session.h"

#include "qt_application.h"
#include "platform/file_registry.h"
#include "settings/reg_keys.h"
#include "settings/settings_table.h"

#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace orvanta::testing {
namespace {

// The screen is 1280 px wide at 96 dpi: 19200 twips.
constexpr int kScreenWidth = 1280;

class StartupE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qtApplication();
    ASSERT_TRUE(configHome.isValid());
    session = std::make_unique<X11Session>();
    ASSERT_TRUE(session->error().isEmpty()) << session->error().toStdString();
  }

  QProcess& startProgram(const QStringList& arguments = {}) {
    QProcessEnvironment environment = session->environment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome.path());
    return session->start(QStringLiteral(ORVANTA_BINARY), arguments, environment);
  }

  // Stores every setting, so the program starts without the preferences.
  void storeSettings() {
    platform::FileRegistry registry(configHome.path() + QStringLiteral("/orvanta/registry.reg"));
    settings::RegKeys regKeys(registry);
    settings::writeSetting(regKeys, u"SearchPrefix", QStringLiteral("http://127.0.0.1:4664/search&s=x?q="));
    settings::writeSetting(regKeys, u"SearchSuffix", QStringLiteral("&ie=UTF-8"));
    settings::writeSetting(regKeys, u"LeftPosition", QStringLiteral("6000"));
    settings::writeSetting(regKeys, u"TopPosition", QStringLiteral("1500"));
  }

  // The number of pixels that differ between two pictures of one size.
  static int differingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
      for (int x = 0; x < a.width(); ++x) count += a.pixel(x, y) != b.pixel(x, y);
    }
    return count;
  }

  // Polls `condition` every 50 ms until it holds or `timeoutMs` pass.
  template <typename Condition>
  static bool waitUntil(Condition condition, int timeoutMs = 10000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
      if (deadline.hasExpired()) return false;
      QThread::msleep(50);
    }
    return true;
  }

  bool waitForFocus(const QString& window) {
    return waitUntil([&] { return session->focusedWindow() == window; });
  }

  // Clicks the button and returns the panel's window once it shows.
  QString dropThePanel() {
    const auto button = session->waitForWindow(QStringLiteral("^Orvanta Button$"));
    if (!button) return {};
    const auto place = session->geometry(*button);
    if (!place || !session->clickAt(place->center())) return {};
    return session->waitForWindow(QStringLiteral("^Orvanta$")).value_or(QString());
  }

  // Types into the focused window and checks that the panel's search box
  // at `panelPlace` shows it.
  bool typingShowsInSearchBox(const QRect& panelPlace) {
    const QRect searchBox(panelPlace.x() + 140, panelPlace.y() + 7, 167, 17);
    const QString grabTool = QStringLiteral(ORVANTA_SCREEN_GRAB);
    // The empty search box, once its picture holds still (a blinking caret
    // aside).
    QImage before = session->grab(grabTool, searchBox);
    const bool still = waitUntil([&] {
      const QImage now = session->grab(grabTool, searchBox);
      const bool same = !now.isNull() && differingPixels(before, now) >= 0 && differingPixels(before, now) < 30;
      before = now;
      return same;
    });
    if (!still) return false;
    if (!session->xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"),
                           QStringLiteral("WWWWWW")})) {
      return false;
    }
    // More than a blinking caret could change.
    return waitUntil([&] { return differingPixels(before, session->grab(grabTool, searchBox)) > 100; }, 5000);
  }

  QTemporaryDir configHome;
  std::unique_ptr<X11Session> session;
};

TEST_F(StartupE2eTest, PanelDropsDownWithTheCaretAndAnotherApplicationEndsTheProgram) {
  QProcess& program = startProgram();

  // First run: the defaults put the panel flush right at top 330 twips,
  // the button above its right end, 100 twips past the screen's edge.
  const auto button = session->waitForWindow(QStringLiteral("^Orvanta Button$"));
  ASSERT_TRUE(button);
  const auto buttonPlace = session->geometry(*button);
  ASSERT_TRUE(buttonPlace);
  EXPECT_EQ(*buttonPlace, QRect(1241, 0, 46, 22));
  ASSERT_TRUE(session->waitForWindow(QStringLiteral("^Orvanta Preferences$")));

  ASSERT_TRUE(session->clickAt(buttonPlace->center()));
  const auto panel = session->waitForWindow(QStringLiteral("^Orvanta$"));
  ASSERT_TRUE(panel);
  const auto panelPlace = session->geometry(*panel);
  ASSERT_TRUE(panelPlace);
  // LeftPosition 19200 - 5115 = 14085 twips is 939 px; 330 twips are 22 px.
  EXPECT_EQ(*panelPlace, QRect((kScreenWidth * 15 - 5115) / 15, 22, 341, 31));
  // Both stay above normal windows.
  for (const QString& window : {*button, *panel}) {
    EXPECT_TRUE(waitUntil([&] {
      const auto state = session->run(QStringLiteral("xprop"), {QStringLiteral("-id"), window,
                                                                QStringLiteral("_NET_WM_STATE")});
      return state && state->contains(QStringLiteral("_NET_WM_STATE_ABOVE"));
    })) << window.toStdString();
  }

  // The focus timer puts the caret into the search box: what is typed
  // shows there.
  ASSERT_TRUE(waitForFocus(*panel));
  EXPECT_TRUE(typingShowsInSearchBox(*panelPlace));

  // Another application takes the activation: every window closes and the
  // program ends with status 0.
  QProcess& other = session->start(QStringLiteral("xmessage"), {QStringLiteral("-name"), QStringLiteral("other"),
                                                                QStringLiteral("other application")},
                                   session->environment());
  const auto otherWindow = session->waitForWindow(QStringLiteral("^other$"));
  ASSERT_TRUE(otherWindow);
  ASSERT_TRUE(session->xdotool({QStringLiteral("windowactivate"), *otherWindow}));
  EXPECT_EQ(X11Session::waitForExit(program), 0);
  other.kill();
}

TEST_F(StartupE2eTest, CloseButtonEndsTheProgram) {
  storeSettings();
  QProcess& program = startProgram();
  const QString panel = dropThePanel();
  ASSERT_FALSE(panel.isEmpty());
  const auto panelPlace = session->geometry(panel);
  ASSERT_TRUE(panelPlace);
  // The stored anchor: 6000 and 1500 twips are 400 and 100 px.
  EXPECT_EQ(panelPlace->topLeft(), QPoint(400, 100));

  // Enter shows the close button at the end of the search field.
  ASSERT_TRUE(waitForFocus(panel));
  ASSERT_TRUE(session->xdotool({QStringLiteral("type"), QStringLiteral("report")}));
  ASSERT_TRUE(session->xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
  // Until the Enter is handled the close button is hidden and a click
  // there lands on the label of the search field, which closes nothing.
  const QPoint closeButton = panelPlace->topLeft() + QPoint(316 + 7, 9 + 7);
  EXPECT_TRUE(waitUntil([&] {
    session->clickAt(closeButton);
    return program.waitForFinished(200);
  }));
  EXPECT_EQ(X11Session::waitForExit(program), 0);
}

TEST_F(StartupE2eTest, ShowPanelStartsWithThePanelDownAndTheCaretInTheSearchBox) {
  storeSettings();
  QProcess& program = startProgram({QStringLiteral("--show-panel")});
  const auto panel = session->waitForWindow(QStringLiteral("^Orvanta$"));
  ASSERT_TRUE(panel);
  const auto panelPlace = session->geometry(*panel);
  ASSERT_TRUE(panelPlace);
  EXPECT_EQ(panelPlace->topLeft(), QPoint(400, 100));
  ASSERT_TRUE(waitForFocus(*panel));
  EXPECT_TRUE(typingShowsInSearchBox(*panelPlace));
  EXPECT_FALSE(program.waitForFinished(200));
}

TEST_F(StartupE2eTest, ALaterStartHandsOverToTheRunningProgramWhichDropsItsPanel) {
  storeSettings();
  QProcess& program = startProgram();
  ASSERT_TRUE(session->waitForWindow(QStringLiteral("^Orvanta Button$")));
  // Only the button is up.
  EXPECT_FALSE(session->waitForWindow(QStringLiteral("^Orvanta$"), 500));

  QProcess& second = startProgram({QStringLiteral("--show-panel")});
  EXPECT_EQ(X11Session::waitForExit(second), 0);
  const auto panel = session->waitForWindow(QStringLiteral("^Orvanta$"));
  ASSERT_TRUE(panel);
  EXPECT_TRUE(waitForFocus(*panel));

  // A plain start while the panel is down hands over as well; the running
  // program goes on.
  QProcess& third = startProgram();
  EXPECT_EQ(X11Session::waitForExit(third), 0);
  EXPECT_FALSE(program.waitForFinished(200));
}

class StalledSearchE2eTest : public StartupE2eTest {
 protected:
  // The panel's place once a second search waits for a service that takes
  // the connection and never answers; the first search found nothing
  // listening and ended at once. Empty when a step failed.
  std::optional<QRect> startAStalledSearch() {
    const quint16 port = [] {
      QTcpServer probe;
      probe.listen(QHostAddress(QHostAddress::LocalHost), 0);
      return probe.serverPort();
    }();
    if (port == 0) return std::nullopt;
    storeSettings();
    {
      platform::FileRegistry registry(configHome.path() + QStringLiteral("/orvanta/registry.reg"));
      settings::RegKeys regKeys(registry);
      settings::writeSetting(regKeys, u"SearchPrefix", QStringLiteral("http://127.0.0.1:%1/search&s=x?q=").arg(port));
    }
    program = &startProgram();
    panel = dropThePanel();
    if (panel.isEmpty()) return std::nullopt;
    const auto panelPlace = session->geometry(panel);
    if (!panelPlace || !waitForFocus(panel)) return std::nullopt;

    // The first search: the panel drops its rows at once.
    if (!session->xdotool({QStringLiteral("type"), QStringLiteral("report")}) ||
        !session->xdotool({QStringLiteral("key"), QStringLiteral("Return")}) || !waitUntil([&] {
          const auto place = session->geometry(panel);
          return place && place->height() > panelPlace->height();
        })) {
      return std::nullopt;
    }
    // The second one waits.
    if (!stalled.listen(QHostAddress(QHostAddress::LocalHost), port) ||
        !session->xdotool({QStringLiteral("key"), QStringLiteral("Return")}) || !stalled.waitForNewConnection(10000)) {
      return std::nullopt;
    }
    return panelPlace;
  }

  QTcpServer stalled;
  QProcess* program = nullptr;
  QString panel;
};

TEST_F(StalledSearchE2eTest, WhileASearchWaitsTypingReachesTheBoxAndTheCloseButtonEndsTheProgram) {
  const std::optional<QRect> panelPlace = startAStalledSearch();
  ASSERT_TRUE(panelPlace);

  // What is typed during the wait shows in the box at once.
  const QRect searchBox(panelPlace->x() + 140, panelPlace->y() + 7, 167, 17);
  const QString grabTool = QStringLiteral(ORVANTA_SCREEN_GRAB);
  const QImage before = session->grab(grabTool, searchBox);
  ASSERT_FALSE(before.isNull());
  ASSERT_TRUE(session->xdotool({QStringLiteral("type"), QStringLiteral("WWWWWW")}));
  EXPECT_TRUE(waitUntil([&] { return differingPixels(before, session->grab(grabTool, searchBox)) > 100; }, 5000));

  // And the close button ends the program, well before the request's time
  // would run out.
  const QPoint closeButton = panelPlace->topLeft() + QPoint(316 + 7, 9 + 7);
  ASSERT_TRUE(session->clickAt(closeButton));
  EXPECT_EQ(X11Session::waitForExit(*program, 10000), 0);
}

TEST_F(StalledSearchE2eTest, WhileASearchWaitsAnotherApplicationEndsTheProgram) {
  ASSERT_TRUE(startAStalledSearch());
  QProcess& other = session->start(QStringLiteral("xmessage"), {QStringLiteral("-name"), QStringLiteral("other"),
                                                                QStringLiteral("other application")},
                                   session->environment());
  const auto otherWindow = session->waitForWindow(QStringLiteral("^other$"));
  ASSERT_TRUE(otherWindow);
  ASSERT_TRUE(session->xdotool({QStringLiteral("windowactivate"), *otherWindow}));
  EXPECT_EQ(X11Session::waitForExit(*program, 10000), 0);
  other.kill();
}

}  // namespace
}  // namespace orvanta::testing
