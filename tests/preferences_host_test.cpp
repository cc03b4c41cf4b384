// The preferences window over the program's real windows, without a
// display: the first run opening it while the panel loads, the live preview
// placing the panel, the frame and the button, its close, and its part in
// CloseForm and the deactivation rule.
#include "desktop/preferences_host.h"
#include "desktop/windows.h"

#include "fake_browser.h"
#include "fake_window_system.h"
#include "gui_application.h"
#include "wait_for.h"
#include "temp_registry.h"
#include "platform/twips.h"
#include "settings/settings_table.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

namespace orvanta::desktop {
namespace {

class PreferencesHostTest : public ::testing::Test {
 protected:
  PreferencesHostTest()
      : host(temp.regKeys(), windowSystem, browsers.factory(), [this](const QString& address) {
          fetched << address;
          return std::optional<QString>(QStringLiteral("<a href=\"/ok?url=x\">"));
        }) {
    testing::guiApplication();
  }

  ~PreferencesHostTest() override {
    windows.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  Windows& start() {
    windows = std::make_unique<Windows>(temp.regKeys(), windowSystem, host);
    host.setWindows(*windows);
    windows->setAllWindowsGoneHandler([this] { log << QStringLiteral("all gone"); });
    windows->menuButton().show();
    return *windows;
  }

  // Every setting the panel's load would otherwise open the window for.
  void storeAddress() {
    settings::writeSetting(temp.regKeys(), u"SearchPrefix", QStringLiteral("http://127.0.0.1:4664/search?q="));
    settings::writeSetting(temp.regKeys(), u"SearchSuffix", QStringLiteral("&ie=UTF-8"));
  }

  QString setting(const char16_t* name) { return settings::readSetting(temp.regKeys(), name); }

  template <typename T>
  T* control(const char* name) {
    settings::Form_OrvantaPreferences* window = host.window();
    return window ? window->findChild<T*>(QLatin1StringView(name)) : nullptr;
  }

  // Logs the close of the preferences window when it happens.
  void logCloseOf(QWidget* window) {
    struct CloseLogger : QObject {
      QStringList* log;
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Close) *log << QStringLiteral("preferences");
        return false;
      }
    };
    auto* logger = new CloseLogger;
    logger->setParent(window);
    logger->log = &log;
    window->installEventFilter(logger);
  }

  testing::TempRegistry temp;
  testing::FakeWindowSystem windowSystem;
  testing::FakeBrowserFactory browsers;
  QStringList fetched;
  QStringList log;
  PreferencesHost host;
  std::unique_ptr<Windows> windows;
};

TEST_F(PreferencesHostTest, FirstRunOpensTheWindowAfterThePanelLoadsAndItsCloseKeepsTheDefaults) {
  Windows& w = start();
  results_window::Form1& form1 = w.form1();
  ASSERT_TRUE(host.isPreferencesLoaded());
  settings::Form_OrvantaPreferences* window = host.window();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Orvanta Preferences"));
  EXPECT_EQ(browsers.created, 1);
  EXPECT_FALSE(form1.isVisible());
  EXPECT_FALSE(form1.Opening.PreferencesOpen);

  // The window loaded once the panel's load had set its rows per group and
  // moved it to the default anchor: it shows the defaults.
  const int defaultLeft = platform::screenWidthTwips() - 5115;
  EXPECT_EQ(control<QLineEdit>("TextMaxSearchResults")->text(), QStringLiteral("7"));
  EXPECT_EQ(form1.Panel.MaxSearchResults, 7);
  EXPECT_EQ(control<QSlider>("LeftSideSlider")->value(), defaultLeft);
  EXPECT_EQ(control<QSlider>("TopSideSlider")->value(), 330);
  EXPECT_EQ(setting(u"MaxSearchResults"), QStringLiteral(" 7"));
  EXPECT_EQ(setting(u"TopPosition"), QStringLiteral(" 330"));

  // Only one window, however often the load asks for it.
  int windowsNamed = 0;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    windowsNamed += widget->objectName() == QStringLiteral("Form_OrvantaPreferences");
  }
  EXPECT_EQ(windowsNamed, 1);

  const QPointer<settings::Form_OrvantaPreferences> closing(window);
  form1.setEnabled(false);
  window->close();
  EXPECT_FALSE(host.isPreferencesLoaded());
  EXPECT_TRUE(form1.isEnabled());
  // Closed untouched, it stores nothing: the defaults stay as the panel's
  // load stored them.
  EXPECT_EQ(setting(u"MaxSearchResults"), QStringLiteral(" 7"));
  EXPECT_EQ(setting(u"LeftPosition"), QLatin1Char(' ') + QString::number(defaultLeft));
  EXPECT_EQ(setting(u"TopPosition"), QStringLiteral(" 330"));
  EXPECT_TRUE(testing::waitFor([&] { return closing.isNull(); }));
  // The other windows stay; nothing ends.
  EXPECT_TRUE(w.isForm1Loaded() && w.isMenuButtonLoaded());
  EXPECT_TRUE(log.isEmpty());
}

TEST_F(PreferencesHostTest, SliderMovementPlacesThePanelTheFrameAndTheButton) {
  storeAddress();
  Windows& w = start();
  results_window::Form1& form1 = w.form1();
  MenuButton& button = w.menuButton();
  EXPECT_FALSE(host.isPreferencesLoaded());
  form1.Opening.PreferencesOpen = true;
  form1.setEnabled(false);
  host.showPreferences();
  ASSERT_TRUE(host.isPreferencesLoaded());
  EXPECT_FALSE(w.isBorderBackgroundLoaded());

  // Twips on whole pixels (15 twips each).
  const struct {
    int left;
    int top;
  } moves[] = {{3000, 1500}, {1500, 2250}, {4500, 600}};
  for (const auto& move : moves) {
    control<QSlider>("LeftSideSlider")->setValue(move.left);
    control<QSlider>("TopSideSlider")->setValue(move.top);
    EXPECT_EQ(form1.Left(), move.left);
    EXPECT_EQ(form1.Top(), move.top);
    EXPECT_TRUE(form1.isVisible());
    ASSERT_TRUE(w.isBorderBackgroundLoaded());
    BorderBackground& backdrop = w.borderBackground();
    EXPECT_TRUE(backdrop.isVisible());
    // 60 twips, 4 pixels, of yellow on every side.
    EXPECT_EQ(backdrop.geometry(), form1.geometry().adjusted(-4, -4, 4, 4));
    EXPECT_EQ(button.x(), form1.x());
    EXPECT_EQ(button.y() + button.height(), form1.y());
  }
  // The backdrop loaded once, bringing the panel to the front; the panel
  // and the preferences window are kept on top.
  EXPECT_EQ(windowSystem.bringToFrontCalls, QStringList{QStringLiteral("Form1")});
  EXPECT_TRUE(windowSystem.keepOnTopCalls.contains(QStringLiteral("Form1")));
  EXPECT_TRUE(windowSystem.keepOnTopCalls.contains(QStringLiteral("Form_OrvantaPreferences")));

  const QRect panelPlace = form1.geometry();
  const QPoint buttonPlace = button.pos();
  host.unloadPreferences();
  EXPECT_FALSE(host.isPreferencesLoaded());
  EXPECT_FALSE(w.isBorderBackgroundLoaded());
  EXPECT_TRUE(form1.isEnabled());
  EXPECT_FALSE(form1.Opening.PreferencesOpen);
  EXPECT_EQ(setting(u"LeftPosition"), QStringLiteral("4500"));
  EXPECT_EQ(setting(u"TopPosition"), QStringLiteral("600"));
  // The panel and the button stay where the preview left them.
  EXPECT_EQ(form1.geometry(), panelPlace);
  EXPECT_TRUE(form1.isVisible());
  EXPECT_EQ(button.pos(), buttonPlace);

  // Showing it again opens a new window, even before the old one is gone.
  host.showPreferences();
  EXPECT_TRUE(host.isPreferencesLoaded());
  EXPECT_EQ(browsers.created, 2);
}

TEST_F(PreferencesHostTest, OpeningAndClosingKeepsWhatTheUserSetInThisRunAndBefore) {
  // An anchor stored on a wider screen: the panel stands moved in, at the
  // screen's right edge, while the setting keeps the place for that screen.
  storeAddress();
  const QString wideLeft = QString::number(platform::screenWidthTwips() + 9600);
  settings::writeSetting(temp.regKeys(), u"LeftPosition", wideLeft);
  settings::writeSetting(temp.regKeys(), u"TopPosition", QStringLiteral("345"));
  Windows& w = start();
  results_window::Form1& form1 = w.form1();
  ASSERT_LT(form1.Left(), platform::screenWidthTwips());

  host.showPreferences();
  host.unloadPreferences();
  EXPECT_EQ(setting(u"LeftPosition"), wideLeft);
  EXPECT_EQ(setting(u"TopPosition"), QStringLiteral("345"));
  EXPECT_EQ(setting(u"MaxSearchResults"), QStringLiteral(" 7"));

  // The rows per group changed in one opening stay changed through the
  // next, which shows them.
  host.showPreferences();
  auto* box = control<QLineEdit>("TextMaxSearchResults");
  ASSERT_NE(box, nullptr);
  box->setFocus();
  box->selectAll();
  QTest::keyClicks(box, QStringLiteral("12"));
  host.unloadPreferences();
  EXPECT_EQ(setting(u"MaxSearchResults"), QStringLiteral("12"));
  host.showPreferences();
  EXPECT_EQ(control<QLineEdit>("TextMaxSearchResults")->text(), QStringLiteral("12"));
  host.unloadPreferences();
  EXPECT_EQ(setting(u"MaxSearchResults"), QStringLiteral("12"));
  EXPECT_EQ(setting(u"LeftPosition"), wideLeft);
  // The panel of this run keeps the value it read at its start.
  EXPECT_EQ(form1.Panel.MaxSearchResults, 7);
}

TEST_F(PreferencesHostTest, DeactivationWithPreferencesOpenClosesNothing) {
  storeAddress();
  Windows& w = start();
  results_window::Form1& form1 = w.form1();
  form1.Opening.PreferencesOpen = true;
  host.showPreferences();
  control<QSlider>("LeftSideSlider")->setValue(3000);

  windowSystem.changeActivation(false);
  EXPECT_TRUE(host.isPreferencesLoaded());
  EXPECT_TRUE(w.isForm1Loaded() && w.isMenuButtonLoaded() && w.isBorderBackgroundLoaded());
  EXPECT_TRUE(log.isEmpty());

  // Its close clears the flag: the next deactivation closes everything.
  host.window()->close();
  EXPECT_FALSE(form1.Opening.PreferencesOpen);
  windowSystem.changeActivation(false);
  EXPECT_EQ(log, QStringList{QStringLiteral("all gone")});
  EXPECT_TRUE(w.allWindowsGone());
}

TEST_F(PreferencesHostTest, CloseFormClosesThePreferencesWindowFirstWithItsCloseSteps) {
  storeAddress();
  Windows& w = start();
  results_window::Form1& form1 = w.form1();
  MenuButton& button = w.menuButton();
  // Opened by a double-click: no flag.
  host.showPreferences();
  control<QSlider>("TopSideSlider")->setValue(1500);
  const QPointer<settings::Form_OrvantaPreferences> window(host.window());
  logCloseOf(window);
  QObject::connect(&w.borderBackground(), &BorderBackground::unloaded,
                   [&] { log << QStringLiteral("BorderBackground"); });
  QObject::connect(&button, &MenuButton::unloaded, [&] { log << QStringLiteral("MenuButton"); });
  QObject::connect(&form1, &results_window::Form1::unloaded, [&] { log << QStringLiteral("Form1"); });
  settings::writeSetting(temp.regKeys(), u"TopPosition", QStringLiteral("x"));

  form1.CloseForm();
  // The window's close unloads the backdrop itself; CloseForm then finds
  // it gone.
  EXPECT_EQ(log, QStringList({"preferences", "BorderBackground", "MenuButton", "Form1", "all gone"}));
  EXPECT_EQ(setting(u"TopPosition"), QStringLiteral("1500"));
  EXPECT_TRUE(w.allWindowsGone());
  EXPECT_TRUE(testing::waitFor([&] { return window.isNull(); }));
}

TEST_F(PreferencesHostTest, UnloadingAWindowNeverOpenedCreatesNothing) {
  storeAddress();
  Windows& w = start();
  host.unloadPreferences();
  EXPECT_FALSE(host.isPreferencesLoaded());
  w.form1().CloseForm();
  EXPECT_EQ(log, QStringList{QStringLiteral("all gone")});
  EXPECT_EQ(browsers.created, 0);
  EXPECT_EQ(host.window(), nullptr);
  for (QWidget* widget : QApplication::allWidgets()) {
    EXPECT_NE(widget->objectName(), QStringLiteral("Form_OrvantaPreferences"));
    EXPECT_NE(widget->objectName(), QStringLiteral("BorderBackground"));
  }
}

}  // namespace
}  // namespace orvanta::desktop
