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
  // area.
  bool startTopBar(int width, int height, const QString& workArea) {
    session->start(QStringLiteral(ORVANTA_TOP_BAR), {"0", "0", QString::number(width), QString::number(height)},
                   session->environment());
    return waitUntil([&] {
      const auto area =
          session->run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_WORKAREA")});
      return area && area->startsWith(QStringLiteral("_NET_WORKAREA(CARDINAL) = ") + workArea);
    });
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

}  // namespace
}  // namespace orvanta::testing
