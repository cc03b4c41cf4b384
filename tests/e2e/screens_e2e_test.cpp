// The built program on the desktops people run: under a top bar (a dock
// window reserving the top of the screen, as a desktop's panel does) and
// on two monitors side by side.
#include "x11_session.h"

#include "gui_application.h"
#include "platform/file_registry.h"
#include "settings/reg_keys.h"
#include "settings/settings_table.h"
#include "wait_for.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace orvanta::testing {
namespace {

class ScreensE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    guiApplication();
    ASSERT_TRUE(configHome.isValid());
  }

  void startSession(const QString& screenSize = QStringLiteral("1280x800")) {
    session = std::make_unique<X11Session>(screenSize);
    ASSERT_TRUE(session->error().isEmpty()) << session->error().toStdString();
  }

  // A top bar reserving the top `height` pixels over `width` pixels from
  // the left; waits until the window manager has taken it out of the work
  // area. A bar mapped while the window manager was still starting up is
  // not managed; it is mapped again until it is.
  ::testing::AssertionResult startTopBar(int width, int height, const QString& workArea) {
    QProcess& bar = session->start(QStringLiteral(ORVANTA_TOP_BAR),
                                   {"0", "0", QString::number(width), QString::number(height)}, session->environment());
    std::optional<QString> area;
    const bool done = waitUntil([&] {
      area = session->run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_WORKAREA")});
      if (area && area->startsWith(QStringLiteral("_NET_WORKAREA(CARDINAL) = ") + workArea)) return true;
      const auto window = session->xdotool({"search", "--name", "^Top Bar$"});
      if (window && !window->isEmpty()) {
        const auto state = session->run(QStringLiteral("xprop"), {"-id", *window, "WM_STATE"});
        if (state && !state->contains(QStringLiteral("Normal"))) {
          session->xdotool({"windowunmap", "--sync", *window, "windowmap", *window});
        }
      }
      return false;
    });
    if (done) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "work area " << area.value_or(QStringLiteral("unknown")).toStdString()
                                         << ", the bar " << (bar.state() == QProcess::Running ? "runs" : "ended");
  }

  QProcess& startProgram(const QStringList& arguments = {}) {
    QProcessEnvironment environment = session->environment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome.path());
    return session->start(QStringLiteral(ORVANTA_BINARY), arguments, environment);
  }

  QString registryPath() const { return configHome.path() + QStringLiteral("/orvanta/registry.reg"); }

  // Stores the search address and the anchor, so that the program starts
  // without the preferences window.
  void storeSettings(const QString& left, const QString& top) {
    platform::FileRegistry registry(registryPath());
    settings::RegKeys regKeys(registry);
    settings::writeSetting(regKeys, u"SearchPrefix", QStringLiteral("http://127.0.0.1:4664/search&s=x?q="));
    settings::writeSetting(regKeys, u"SearchSuffix", QStringLiteral("&ie=UTF-8"));
    settings::writeSetting(regKeys, u"LeftPosition", left);
    settings::writeSetting(regKeys, u"TopPosition", top);
  }

  QString stored(QStringView name) const {
    platform::FileRegistry registry(registryPath());
    settings::RegKeys regKeys(registry);
    return settings::readSetting(regKeys, name);
  }

  std::optional<QRect> buttonPlace() {
    const auto button = session->waitForWindow(QStringLiteral("^Orvanta Button$"));
    return button ? session->geometry(*button) : std::nullopt;
  }

  // Clicks the button and returns the panel's place once it shows.
  std::optional<QRect> dropThePanel(const QRect& button) {
    if (!session->clickAt(button.center())) return std::nullopt;
    const auto panel = session->waitForWindow(QStringLiteral("^Orvanta$"));
    return panel ? session->geometry(*panel) : std::nullopt;
  }

  // Two monitors of 1280 x 800 side by side on one screen of 2560 pixels,
  // the left one primary; Qt sees each as a screen of its own.
  void startTwoMonitors() {
    startSession(QStringLiteral("2560x800"));
    ASSERT_TRUE(session->run(QStringLiteral("xrandr"), {"--setmonitor", "LEFT", "1280/338x800/211+0+0", "screen"}));
    ASSERT_TRUE(session->run(QStringLiteral("xrandr"), {"--setmonitor", "RIGHT", "1280/338x800/211+1280+0", "none"}));
    const auto monitors = session->run(QStringLiteral("xrandr"), {"--listmonitors"});
    ASSERT_TRUE(monitors && monitors->startsWith(QStringLiteral("Monitors: 2"))) << monitors.value_or("").toStdString();
  }

  QTemporaryDir configHome;
  std::unique_ptr<X11Session> session;
};

TEST_F(ScreensE2eTest, UnderATopBarTheButtonStandsJustBelowItOnAFirstRun) {
  startSession();
  ASSERT_TRUE(startTopBar(1280, 32, QStringLiteral("0, 32, 1280, 768")));
  startProgram();
  const auto button = buttonPlace();
  ASSERT_TRUE(button);
  EXPECT_EQ(*button, QRect(1241, 32, 46, 22));
  ASSERT_TRUE(session->waitForWindow(QStringLiteral("^Orvanta Preferences$")));
  // The default anchor is stored: 32 pixels (480 twips) further down.
  EXPECT_EQ(stored(u"TopPosition"), QStringLiteral(" 810"));
  EXPECT_EQ(stored(u"LeftPosition"), QStringLiteral(" 14085"));
  const auto panel = dropThePanel(*button);
  ASSERT_TRUE(panel);
  EXPECT_EQ(*panel, QRect(939, 54, 341, 31));
}

TEST_F(ScreensE2eTest, UnderATopBarAStoredAnchorIsKeptAndTheWindowsMovedBelowTheBar) {
  startSession();
  ASSERT_TRUE(startTopBar(1280, 32, QStringLiteral("0, 32, 1280, 768")));
  // The anchor of a desktop without the bar: the button would stand at
  // y 13, half under it.
  storeSettings(QStringLiteral("6000"), QStringLiteral("525"));
  QProcess& program = startProgram();
  const auto button = buttonPlace();
  ASSERT_TRUE(button);
  EXPECT_EQ(*button, QRect(702, 32, 46, 22));
  const auto panel = dropThePanel(*button);
  ASSERT_TRUE(panel);
  EXPECT_EQ(*panel, QRect(400, 54, 341, 31));
  EXPECT_EQ(stored(u"LeftPosition"), QStringLiteral("6000"));
  EXPECT_EQ(stored(u"TopPosition"), QStringLiteral("525"));
  EXPECT_EQ(program.state(), QProcess::Running);
}

TEST_F(ScreensE2eTest, OnTwoMonitorsThePanelDropsWhollyOnTheMonitorOfTheButton) {
  startTwoMonitors();
  // The panel at the anchor would cross the seam (1050 to 1391), more of it
  // on the left monitor; the button above its right end is on the right
  // one.
  storeSettings(QStringLiteral("15750"), QStringLiteral("1500"));
  startProgram();
  const auto button = buttonPlace();
  ASSERT_TRUE(button);
  EXPECT_EQ(*button, QRect(1352, 78, 46, 22));
  const auto panel = dropThePanel(*button);
  ASSERT_TRUE(panel);
  EXPECT_EQ(*panel, QRect(1280, 100, 341, 31));
  EXPECT_EQ(stored(u"LeftPosition"), QStringLiteral("15750"));
}

TEST_F(ScreensE2eTest, AMonitorRemovedWhileTheProgramRunsLeavesTheButtonWithinReach) {
  startTwoMonitors();
  storeSettings(QStringLiteral("27000"), QStringLiteral("1500"));
  QProcess& program = startProgram();
  const auto button = session->waitForWindow(QStringLiteral("^Orvanta Button$"));
  ASSERT_TRUE(button);
  // Above the right end of the panel at 1800 pixels, on the right monitor.
  EXPECT_EQ(session->geometry(*button), QRect(2102, 78, 46, 22));
  ASSERT_TRUE(session->run(QStringLiteral("xrandr"), {"--delmonitor", "RIGHT"}));
  // On the left monitor, no further out than at its default place there.
  EXPECT_TRUE(waitUntil([&] { return session->geometry(*button) == QRect(1241, 78, 46, 22); }))
      << session->geometry(*button).value_or(QRect()).x();
  const auto panel = dropThePanel(QRect(1241, 78, 46, 22));
  ASSERT_TRUE(panel);
  EXPECT_EQ(*panel, QRect(939, 100, 341, 31));
  EXPECT_EQ(stored(u"LeftPosition"), QStringLiteral("27000"));
  EXPECT_EQ(program.state(), QProcess::Running);
}

TEST_F(ScreensE2eTest, OnTwoMonitorsThePreferencesPreviewMovesThePanelAcrossTheSeam) {
  startTwoMonitors();
  // A first run opens the preferences window, the keyboard on the slider
  // of the anchor's left.
  startProgram();
  const auto preferences = session->waitForWindow(QStringLiteral("^Orvanta Preferences$"), 30000);
  ASSERT_TRUE(preferences);
  ASSERT_TRUE(session->xdotool({"windowactivate", "--sync", *preferences}));
  // The slider's far end puts the panel flush with the right monitor's
  // right edge.
  ASSERT_TRUE(session->xdotool({"key", "End"}));
  const auto panel = session->waitForWindow(QStringLiteral("^Orvanta$"));
  ASSERT_TRUE(panel);
  EXPECT_TRUE(waitUntil([&] { return session->geometry(*panel).value_or(QRect()).x() == 2560 - 341; }))
      << session->geometry(*panel).value_or(QRect()).x();
  // Back over the seam with the page keys, ten pixels a key.
  ASSERT_TRUE(session->xdotool({"key", "--repeat", "100", "--delay", "5", "Page_Down"}));
  EXPECT_TRUE(waitUntil([&] { return session->geometry(*panel).value_or(QRect()).x() == 2560 - 341 - 1000; }))
      << session->geometry(*panel).value_or(QRect()).x();
}

}  // namespace
}  // namespace orvanta::testing
