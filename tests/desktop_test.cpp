// The button window and the set of windows without a display: start-up
// placement, the click, keeping on top, the backdrop's load, and CloseForm
// unloading every window in order.
#include "desktop/windows.h"

#include "fake_preferences.h"
#include "fake_window_system.h"
#include "gui_application.h"
#include "temp_registry.h"
#include "wait_for.h"
#include "platform/twips.h"
#include "settings/settings_table.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace orvanta::desktop {
namespace {

using testing::waitFor;

class DesktopTest : public ::testing::Test {
 protected:
  DesktopTest() : preferences(&log) { testing::guiApplication(); }

  Windows& start() {
    windows = std::make_unique<Windows>(temp.regKeys(), windowSystem, preferences);
    windows->setAllWindowsGoneHandler([this] { log << QStringLiteral("all gone"); });
    MenuButton& button = windows->menuButton();
    button.show();
    return *windows;
  }
  void store(const char* name, const char* value) {
    settings::writeSetting(temp.regKeys(), QString::fromLatin1(name), QString::fromLatin1(value));
  }

  testing::TempRegistry temp;
  testing::FakeWindowSystem windowSystem;
  QStringList log;
  testing::FakePreferences preferences;
  std::unique_ptr<Windows> windows;
};

TEST_F(DesktopTest, ButtonSitsAboveTheRightEndOfTheAnchor) {
  const int screenWidth = platform::screenWidthTwips();
  const struct {
    const char* left;
    const char* top;
    int expectedLeft;  // twips
    int expectedTop;
  } cases[] = {
      // Default anchor: right edge 100 twips past the screen's, top 0.
      {"", "", 5115 + (screenWidth - 5115) + 100 - 690, 0},
      // The button would stand 130 twips above the screen, further out
      // than at its default place: it is moved in to the top.
      {"3000", "200", 5115 + 3100 - 690, 0},
      {"3000", "1200", 5115 + 3100 - 690, 870},
      // 1234.5 + 100 = 1334.5 rounds to the even 1334.
      {"1234.5", "330", 5115 + 1334 - 690, 0},
      {"1235.5", "945.5", 5115 + 1336 - 690, 616},
  };
  for (const auto& c : cases) {
    store("LeftPosition", c.left);
    store("TopPosition", c.top);
    Windows& w = start();
    MenuButton& button = w.menuButton();
    EXPECT_TRUE(w.isForm1Loaded());
    EXPECT_FALSE(w.form1().isVisible());
    EXPECT_EQ(button.size(), QSize(platform::twipsToPixelsX(690), platform::twipsToPixelsY(330)));
    EXPECT_EQ(button.x(), platform::twipsToPixelsX(c.expectedLeft)) << c.left << " " << c.top;
    EXPECT_EQ(button.y(), platform::twipsToPixelsY(c.expectedTop)) << c.left << " " << c.top;
    windows.reset();
  }
}

TEST_F(DesktopTest, FirstStartWritesTheDefaultsBeforeTheButtonReadsThem) {
  Windows& w = start();
  EXPECT_EQ(settings::readSetting(temp.regKeys(), u"TopPosition"), QStringLiteral(" 330"));
  EXPECT_GE(preferences.shown, 1);
  EXPECT_EQ(w.menuButton().y(), 0);
  const int rightEdgeTwips = platform::screenWidthTwips() + 100;
  EXPECT_EQ(w.menuButton().x() + w.menuButton().width(), platform::twipsToPixelsX(rightEdgeTwips));
}

TEST_F(DesktopTest, ClickShowsThePressedPictureAndThePanelOnce) {
  Windows& w = start();
  MenuButton& button = w.menuButton();
  EXPECT_TRUE(button.Image1()->isHidden());
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_TRUE(button.Image1()->isVisible());
  EXPECT_TRUE(w.form1().isVisible());

  w.form1().hide();
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_FALSE(w.form1().isVisible());
  EXPECT_TRUE(button.Image1()->isVisible());
}

TEST_F(DesktopTest, ThePanelDroppedAgainSelectsItsWordsSoThatTypingReplacesThem) {
  Windows& w = start();
  w.menuButton().dropPanel();
  QLineEdit* box = w.form1().Text1();
  box->setText(QStringLiteral("quarterly report"));
  box->deselect();
  w.menuButton().dropPanel();
  EXPECT_EQ(box->selectedText(), QStringLiteral("quarterly report"));
  QTest::keyClicks(box, QStringLiteral("tax"));
  EXPECT_EQ(box->text(), QStringLiteral("tax"));
}

TEST_F(DesktopTest, ButtonKeepsItselfOnTopEveryTick) {
  Windows& w = start();
  EXPECT_EQ(w.menuButton().Timer1()->interval(), 150);
  ASSERT_TRUE(waitFor([&] { return windowSystem.keepOnTopCalls.count(QStringLiteral("MenuButton")) >= 3; }));
}

TEST_F(DesktopTest, BackdropLoadBringsThePanelToTheFront) {
  Windows& w = start();
  EXPECT_FALSE(w.isBorderBackgroundLoaded());
  BorderBackground& backdrop = w.borderBackground();
  EXPECT_EQ(windowSystem.bringToFrontCalls, QStringList{QStringLiteral("Form1")});
  EXPECT_EQ(backdrop.windowTitle(), QStringLiteral(" "));
  EXPECT_EQ(backdrop.palette().color(QPalette::Window), QColor(255, 255, 0));
  EXPECT_TRUE(backdrop.isHidden());
}

TEST_F(DesktopTest, CloseFormUnloadsEveryWindowInOrderAndTheLastEndsTheProgram) {
  Windows& w = start();
  results_window::Form1& form1 = w.form1();
  MenuButton& button = w.menuButton();
  BorderBackground& backdrop = w.borderBackground();
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 10));
  ASSERT_TRUE(preferences.isPreferencesLoaded());
  QObject::connect(&backdrop, &BorderBackground::unloaded, [&] { log << QStringLiteral("BorderBackground"); });
  QObject::connect(&button, &MenuButton::unloaded, [&] {
    EXPECT_TRUE(button.Image1()->isHidden());
    log << QStringLiteral("MenuButton");
  });
  QObject::connect(&form1, &results_window::Form1::unloaded, [&] { log << QStringLiteral("Form1"); });
  log.clear();

  form1.CloseForm();
  EXPECT_EQ(log, QStringList({"preferences", "BorderBackground", "MenuButton", "Form1", "all gone"}));
  EXPECT_TRUE(w.allWindowsGone());
}

TEST_F(DesktopTest, WithTheButtonKeptOnScreenCloseFormClosesOnlyThePanel) {
  store("SearchPrefix", "p");
  store("SearchSuffix", "s");
  store("KeepButtonOnScreen", " 1");
  Windows& w = start();
  results_window::Form1& form1 = w.form1();
  MenuButton& button = w.menuButton();
  // What ends the panel's use: an opened hit or Escape (CloseForm), the
  // switch to another program (the hook), the window manager's close.
  const struct {
    const char* name;
    std::function<void()> close;
  } ways[] = {
      {"CloseForm", [&] { form1.CloseForm(); }},
      {"Escape", [&] { QTest::keyClick(form1.Text1(), Qt::Key_Escape); }},
      {"another program", [&] { windowSystem.changeActivation(false); }},
      {"window manager", [&] { form1.close(); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_TRUE(form1.isVisible());
    ASSERT_TRUE(button.Image1()->isVisible());
    preferences.showPreferences();
    w.borderBackground().show();
    log.clear();
    way.close();
    // The panel, its backdrop and the preferences window go; the program
    // and its button stay, the button idle again, the hook in place.
    EXPECT_FALSE(form1.isVisible());
    EXPECT_FALSE(form1.isUnloaded());
    EXPECT_FALSE(form1.Timer1()->isActive());
    EXPECT_FALSE(form1.Timer2()->isActive());
    EXPECT_TRUE(w.isForm1Loaded());
    EXPECT_TRUE(w.isMenuButtonLoaded());
    EXPECT_TRUE(button.isVisible());
    EXPECT_TRUE(button.Image1()->isHidden());
    EXPECT_FALSE(w.isBorderBackgroundLoaded());
    EXPECT_FALSE(preferences.isPreferencesLoaded());
    EXPECT_EQ(log, QStringList{QStringLiteral("preferences")});
    EXPECT_TRUE(windowSystem.hasActivationHook());
    EXPECT_FALSE(w.allWindowsGone());
  }
  // The preferences window opened from the panel still keeps the panel up.
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 10));
  form1.Opening.PreferencesOpen = true;
  form1.CloseForm();
  EXPECT_TRUE(form1.isVisible());
  form1.Opening.PreferencesOpen = false;
  // The button's own close still ends the program.
  log.clear();
  button.close();
  EXPECT_EQ(log, QStringList{QStringLiteral("all gone")});
  EXPECT_TRUE(w.allWindowsGone());
}

TEST_F(DesktopTest, UnloadingWindowsNeverLoadedCreatesNothing) {
  store("SearchPrefix", "p");
  store("SearchSuffix", "s");
  Windows& w = start();
  w.form1().CloseForm();
  EXPECT_EQ(log, QStringList({"all gone"}));
  EXPECT_FALSE(w.isBorderBackgroundLoaded());
  for (QWidget* widget : QApplication::allWidgets()) {
    EXPECT_NE(widget->objectName(), QStringLiteral("BorderBackground"));
  }
  EXPECT_FALSE(preferences.isPreferencesLoaded());
}

TEST_F(DesktopTest, PreferencesOpenKeepsEveryWindowOpen) {
  store("SearchPrefix", "p");
  store("SearchSuffix", "s");
  Windows& w = start();
  QTest::mouseClick(&w.menuButton(), Qt::LeftButton, {}, QPoint(10, 10));
  w.borderBackground().show();
  preferences.showPreferences();
  w.form1().Opening.PreferencesOpen = true;
  windowSystem.changeActivation(false);
  w.form1().CloseForm();
  EXPECT_TRUE(log.isEmpty());
  EXPECT_TRUE(w.isMenuButtonLoaded() && w.isBorderBackgroundLoaded() && w.isForm1Loaded());
  EXPECT_TRUE(w.menuButton().isVisible() && w.menuButton().Image1()->isVisible());
  EXPECT_TRUE(w.form1().isVisible() && w.borderBackground().isVisible());
  EXPECT_TRUE(preferences.isPreferencesLoaded());
}

TEST_F(DesktopTest, ButtonAndPanelOutOfReachAreMovedInAtStartAndWhenThePanelDrops) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const int screenRightTwips = platform::pixelsToTwipsX(screen.right() + 1);
  // A settings file from a wider screen: the panel would start 60 twips
  // (4 pixels) before the screen's right edge.
  const QByteArray left = QByteArray::number(screenRightTwips - 60);
  store("SearchPrefix", "p");
  store("SearchSuffix", "s");
  store("LeftPosition", left.constData());
  store("TopPosition", "330");
  Windows& w = start();
  MenuButton& button = w.menuButton();
  results_window::Form1& form1 = w.form1();
  // The button goes no further out than at its default place: its right
  // edge 100 twips past the screen's.
  EXPECT_EQ(button.x() + button.width(), platform::twipsToPixelsX(screenRightTwips + 100));
  EXPECT_EQ(button.y(), 0);
  EXPECT_EQ(form1.x() + form1.width(), screen.right() + 1);

  // The layout changes while the program runs; the drop moves both in
  // again. The stored anchor stays.
  button.move(screen.right() + 500, screen.bottom() + 500);
  form1.move(-2000, screen.bottom() + 500);
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 10));
  ASSERT_TRUE(form1.isVisible());
  EXPECT_EQ(form1.pos(), QPoint(0, screen.bottom() + 1 - platform::twipsToPixelsY(470)));
  EXPECT_EQ(button.x() + button.width(), platform::twipsToPixelsX(screenRightTwips + 100));
  EXPECT_EQ(button.y() + button.height(), screen.bottom() + 1);
  EXPECT_EQ(settings::readSetting(temp.regKeys(), u"LeftPosition"), QString::fromLatin1(left));
  EXPECT_EQ(settings::readSetting(temp.regKeys(), u"TopPosition"), QStringLiteral("330"));
}

TEST_F(DesktopTest, TopBarsAndDocksKeepTheButtonAndThePanelInTheWorkArea) {
  // One screen of 1280 x 800 pixels with the desktop's bars taking part of
  // it. The default anchor comes from the work area; a stored anchor stays
  // stored as it is, the windows moved into the work area.
  const struct {
    const char* what;
    QRect workArea;
    const char* left;  // "": unset
    const char* top;
    const char* storedLeft;  // what the start leaves stored
    const char* storedTop;
    QPoint button;
    QPoint panel;  // after the click
  } cases[] = {
      {"no bar, first run", {0, 0, 1280, 800}, "", "", " 14085", " 330", {1241, 0}, {939, 22}},
      {"top bar, first run", {0, 32, 1280, 768}, "", "", " 14085", " 810", {1241, 32}, {939, 54}},
      {"top bar, anchor stored without it", {0, 32, 1280, 768}, "14085", "330", "14085", "330", {1241, 32}, {939, 54}},
      {"top bar, button half under it",
       {0, 32, 1280, 768},
       "6000",
       "525",
       "6000",
       "525",
       {6000 / 15 + 341 + 7 - 46, 32},
       {400, 54}},
      {"top bar, anchor below it: kept",
       {0, 32, 1280, 768},
       "6000",
       "1500",
       "6000",
       "1500",
       {6000 / 15 + 341 + 7 - 46, 78},
       {400, 100}},
      {"dock on the right, first run", {0, 0, 1232, 800}, "", "", " 13365", " 330", {891 + 341 + 7 - 46, 0}, {891, 22}},
      {"bars at the top and on the left, first run",
       {64, 40, 1216, 760},
       "",
       "",
       " 14085",
       " 930",
       {1241, 40},
       {939, 62}},
  };
  for (const auto& c : cases) {
    store("SearchPrefix", "p");
    store("SearchSuffix", "s");
    store("LeftPosition", c.left);
    store("TopPosition", c.top);
    windowSystem.screenWorkAreas = QList<QRect>{c.workArea};
    Windows& w = start();
    MenuButton& button = w.menuButton();
    EXPECT_EQ(button.pos(), c.button) << c.what;
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(w.form1().pos(), c.panel) << c.what;
    EXPECT_EQ(button.y() + button.height(), w.form1().y()) << c.what;
    EXPECT_EQ(settings::readSetting(temp.regKeys(), u"LeftPosition"), QString::fromLatin1(c.storedLeft)) << c.what;
    EXPECT_EQ(settings::readSetting(temp.regKeys(), u"TopPosition"), QString::fromLatin1(c.storedTop)) << c.what;
    windows.reset();
  }
}

TEST_F(DesktopTest, TwoScreensThePanelDropsOnTheButtonsScreenAndARemovedScreenIsFollowed) {
  const QRect left(0, 0, 1280, 800);
  const QRect right(1280, 0, 1280, 800);
  windowSystem.screenWorkAreas = QList<QRect>{left, right};
  store("SearchPrefix", "p");
  store("SearchSuffix", "s");
  // The panel would cross the seam, the button above its right end.
  store("LeftPosition", "15750");
  store("TopPosition", "1500");
  Windows& w = start();
  MenuButton& button = w.menuButton();
  EXPECT_EQ(button.pos(), QPoint(1352, 78));
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(w.form1().pos(), QPoint(1280, 100));

  // The right screen goes: the button and the shown panel move onto the
  // left one; the stored anchor stays.
  windowSystem.screenWorkAreas = QList<QRect>{left};
  button.followScreens();
  EXPECT_EQ(button.pos(), QPoint(1280 + 7 - 46, 78));
  EXPECT_EQ(w.form1().pos(), QPoint(1280 - 341, 100));
  EXPECT_EQ(settings::readSetting(temp.regKeys(), u"LeftPosition"), QStringLiteral("15750"));
}

TEST_F(DesktopTest, WindowManagersCloseOfThePanelRunsCloseFormAndOfTheButtonEndsTheProgram) {
  store("SearchPrefix", "p");
  store("SearchSuffix", "s");
  {
    // The panel's close, as CloseForm: every window goes, the program ends.
    Windows& w = start();
    QTest::mouseClick(&w.menuButton(), Qt::LeftButton, {}, QPoint(10, 10));
    preferences.showPreferences();
    w.form1().close();
    EXPECT_EQ(log, QStringList({"preferences", "all gone"}));
    EXPECT_TRUE(w.allWindowsGone());
    windows.reset();
  }
  {
    // The button's close ends the program even while the preferences window
    // opened from the panel keeps the panel's close from acting.
    log.clear();
    Windows& w = start();
    QTest::mouseClick(&w.menuButton(), Qt::LeftButton, {}, QPoint(10, 10));
    preferences.showPreferences();
    w.form1().Opening.PreferencesOpen = true;
    w.form1().close();
    EXPECT_TRUE(log.isEmpty());
    EXPECT_TRUE(w.form1().isVisible());
    w.menuButton().close();
    EXPECT_EQ(log, QStringList({"preferences", "all gone"}));
    EXPECT_TRUE(w.allWindowsGone());
    EXPECT_FALSE(windowSystem.hasActivationHook());
  }
}

}  // namespace
}  // namespace orvanta::desktop
