// The results window without a display: its load with the settings and
// their defaults, its design, the progress strip, the focus timer, the
// Enter key, CloseForm and the deactivation hook.
#include "results_window/form1.h"
#include "results_window/form1_controls.h"

#include "fake_preferences.h"
#include "fake_program_windows.h"
#include "fake_window_system.h"
#include "gui_application.h"
#include "temp_registry.h"
#include "wait_for.h"
#include "platform/twips.h"
#include "settings/conversions.h"
#include "settings/settings_table.h"

#include <QGuiApplication>
#include <QScreen>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

#include <algorithm>

namespace orvanta::results_window {
namespace {

using settings::readSetting;
using settings::writeSetting;

using testing::FakeProgramWindows;
using testing::waitFor;

class Form1Test : public ::testing::Test {
 protected:
  Form1Test() : preferences(&log), windows(&log) { testing::guiApplication(); }

  Form1& load() {
    form = std::make_unique<Form1>(temp.regKeys(), windowSystem, preferences, windows);
    windows.form1 = form.get();
    form->Form_Load();
    return *form;
  }
  QString stored(const char* name) { return readSetting(temp.regKeys(), QString::fromLatin1(name)); }
  void store(const char* name, const char* value) {
    writeSetting(temp.regKeys(), QString::fromLatin1(name), QString::fromLatin1(value));
  }
  void pressKey(int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(form->Text1(), &press);
  }
  void releaseKey(int key, const QString& text) {
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(form->Text1(), &release);
  }

  testing::TempRegistry temp;
  testing::FakeWindowSystem windowSystem;
  QStringList log;
  testing::FakePreferences preferences;
  FakeProgramWindows windows;
  std::unique_ptr<Form1> form;
};

TEST_F(Form1Test, FirstRunStoresEveryDefaultDuringTheOneLoad) {
  // What the preferences window finds when it loads: the load has finished,
  // so it shows the defaults (and keeps them when closed untouched).
  struct {
    QString prefix, maxSearchResults, leftPosition, topPosition;
    qint32 maxInWindow = 0;
    QPoint place;
    int height = 0;
  } seen;
  preferences.onLoad = [&] {
    seen = {stored("SearchPrefix"), stored("MaxSearchResults"), stored("LeftPosition"), stored("TopPosition"),
            form->Panel.MaxSearchResults, form->pos(), form->height()};
  };
  Form1& f = load();

  EXPECT_EQ(stored("SearchPrefix"), settings::defaultSearchPrefix(temp.regKeys()));
  EXPECT_EQ(stored("SearchSuffix"), QStringLiteral("&ie=UTF-8"));
  for (const char* list : {"Extensions_Audio", "Extensions_Documents", "Extensions_Images", "Extensions_PDFs",
                           "Extensions_Video", "Extensions_Widgets"}) {
    EXPECT_EQ(stored(list), settings::fixedDefault(QString::fromLatin1(list))) << list;
  }
  EXPECT_EQ(stored("MaxSearchResults"), QStringLiteral(" 7"));
  EXPECT_EQ(stored("TopPosition"), QStringLiteral(" 330"));
  const int expectedLeft = platform::screenWidthTwips() - 5115;
  EXPECT_EQ(stored("LeftPosition"), settings::numberToText(expectedLeft));

  // The preferences window shows once, after the load has stored every
  // default and placed the window.
  EXPECT_EQ(preferences.shown, 1);
  EXPECT_EQ(seen.prefix, settings::defaultSearchPrefix(temp.regKeys()));
  EXPECT_EQ(seen.maxSearchResults, QStringLiteral(" 7"));
  EXPECT_EQ(seen.leftPosition, settings::numberToText(expectedLeft));
  EXPECT_EQ(seen.topPosition, QStringLiteral(" 330"));
  EXPECT_EQ(seen.maxInWindow, 7);
  EXPECT_EQ(seen.place, QPoint(platform::twipsToPixelsX(expectedLeft), platform::twipsToPixelsY(330)));
  EXPECT_EQ(seen.height, platform::twipsToPixelsY(470));

  EXPECT_EQ(f.Panel.MaxSearchResults, 7);
  EXPECT_EQ(f.Anchor.LeftPosition, expectedLeft);
  EXPECT_EQ(f.Anchor.TopPosition, 330);
  EXPECT_EQ(f.Extensions.Extensions_Applications, QStringLiteral("|exe|msi|"));
  EXPECT_EQ(f.Extensions.Extensions_PDFs, QStringLiteral("|pdf|"));
  EXPECT_EQ(f.Search.searchSuffix, QStringLiteral("&ie=UTF-8"));
  EXPECT_EQ(f.Opening.WindowsDirectory, QStringLiteral("C:\\WINDOWS"));
  EXPECT_EQ(f.Panel.RowIndex, 1);
  EXPECT_EQ(f.Panel.RowTop, 1360);
  EXPECT_EQ(f.Panel.BottomRowOffset, 100);
  EXPECT_EQ(f.Panel.WindowExtraHeight, 420);
  // The window stands flush with the screen's right edge, at the top anchor,
  // only the search strip high, still hidden; the hook is in place.
  EXPECT_EQ(f.x(), platform::twipsToPixelsX(expectedLeft));
  EXPECT_EQ(f.y(), platform::twipsToPixelsY(330));
  EXPECT_EQ(f.height(), platform::twipsToPixelsY(470));
  EXPECT_EQ(f.width(), platform::twipsToPixelsX(5115));
  EXPECT_FALSE(f.isVisible());
  EXPECT_FALSE(f.Text1()->isHidden());
  EXPECT_TRUE(windowSystem.hasActivationHook());
  // The timers wait for the window to show: hidden, they would only wake
  // the idle program.
  EXPECT_FALSE(f.Timer1()->isActive());
  EXPECT_FALSE(f.Timer2()->isActive());
  f.show();
  EXPECT_TRUE(f.Timer1()->isActive());
  EXPECT_TRUE(f.Timer2()->isActive());
}

TEST_F(Form1Test, StoredSettingsAreUsedAndKept) {
  store("SearchPrefix", "http://127.0.0.1:4664/search&s=abc?q=");
  store("SearchSuffix", "&x=1");
  for (const char* list : {"Extensions_Audio", "Extensions_Documents", "Extensions_Images", "Extensions_PDFs",
                           "Extensions_Video", "Extensions_Widgets"}) {
    store(list, "|zz|");
  }
  store("LeftPosition", "-40");
  store("TopPosition", "600");
  const struct {
    const char* stored;
    qint32 value;
    const char* afterLoad;
  } cases[] = {{"12", 12, "12"}, {"0", 7, " 7"}, {"letters", 7, " 7"}, {"", 7, " 7"}, {" 3", 3, " 3"}};
  for (const auto& c : cases) {
    store("MaxSearchResults", c.stored);
    Form1& f = load();
    EXPECT_EQ(f.Panel.MaxSearchResults, c.value) << c.stored;
    EXPECT_EQ(stored("MaxSearchResults"), QString::fromLatin1(c.afterLoad)) << c.stored;
    EXPECT_EQ(f.Extensions.Extensions_Audio, QStringLiteral("|zz|"));
    EXPECT_EQ(f.Search.searchPrefix, QStringLiteral("http://127.0.0.1:4664/search&s=abc?q="));
    // A negative anchor is used as it is.
    EXPECT_EQ(f.Anchor.LeftPosition, -40);
    EXPECT_EQ(stored("LeftPosition"), QStringLiteral("-40"));
    EXPECT_EQ(f.y(), platform::twipsToPixelsY(600));
    form.reset();
  }
  EXPECT_EQ(preferences.shown, 0);
}

TEST_F(Form1Test, DefaultPrefixStoredBeforeTheServiceHadItsCodeIsWorkedOutAgain) {
  const QString noCode = QStringLiteral("http://localhost:4664/search&s=?q=");
  const QString withCode = QStringLiteral("http://localhost:4664/search&s=abcdefghijklmnopqrstuvwxyz0?q=");
  const struct {
    const char* stored;
    bool serviceHasCode;
    QString expected;
    bool preferencesShown;
  } cases[] = {
      // The useless default counts as not set: worked out again, and the
      // preferences window shows as on a first run. (The service has no code
      // until a case needs it.)
      {"http://localhost:4664/search&s=?q=", false, noCode, true},
      {"http://localhost:4664/search&s=?q=", true, withCode, true},
      // A prefix the user typed is never touched.
      {"http://localhost:4664/search&s=?q=&hl=en", true, QStringLiteral("http://localhost:4664/search&s=?q=&hl=en"),
       false},
      {"http://127.0.0.1:4664/search&s=?q=", true, QStringLiteral("http://127.0.0.1:4664/search&s=?q="), false},
      {" ", true, QStringLiteral(" "), false},
      {"http://localhost:4664/search&s=old?q=", true, QStringLiteral("http://localhost:4664/search&s=old?q="), false},
  };
  store("SearchSuffix", "&ie=UTF-8");
  for (const auto& c : cases) {
    if (c.serviceHasCode) {
      temp.regKeys().WriteRegValue(settings::RegRoot::LocalMachine, settings::kServiceKey,
                                   settings::kServiceSecurityCode, QStringLiteral("abcdefghijklmnopqrstuvwxyz0"));
    }
    store("SearchPrefix", c.stored);
    preferences.shown = 0;
    Form1& f = load();
    EXPECT_EQ(f.Search.searchPrefix, c.expected) << c.stored << " " << c.serviceHasCode;
    EXPECT_EQ(stored("SearchPrefix"), c.expected) << c.stored << " " << c.serviceHasCode;
    EXPECT_EQ(preferences.shown > 0, c.preferencesShown) << c.stored << " " << c.serviceHasCode;
    form.reset();
  }
}

TEST_F(Form1Test, AnchorOutOfReachIsMovedInAndKeptAsStored) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const int screenRight = platform::pixelsToTwipsX(screen.right() + 1);
  const int stripWidth = platform::twipsToPixelsX(5115);
  const int stripHeight = platform::twipsToPixelsY(470);
  const struct {
    int left, top;  // twips, as stored
    QPoint expected;
  } cases[] = {
      // 4 pixels left in view: moved flush right.
      {screenRight - 60, 330, {screen.right() + 1 - stripWidth, platform::twipsToPixelsY(330)}},
      {screenRight * 3, 330, {screen.right() + 1 - stripWidth, platform::twipsToPixelsY(330)}},
      {-40, 330, {0, platform::twipsToPixelsY(330)}},
      {1500, 100000, {platform::twipsToPixelsX(1500), screen.bottom() + 1 - stripHeight}},
      // Within the screen: as stored.
      {1500, 600, {platform::twipsToPixelsX(1500), platform::twipsToPixelsY(600)}},
  };
  store("SearchPrefix", "http://127.0.0.1:4664/search&s=abc?q=");
  store("SearchSuffix", "&ie=UTF-8");
  for (const auto& c : cases) {
    store("LeftPosition", QByteArray::number(c.left).constData());
    store("TopPosition", QByteArray::number(c.top).constData());
    Form1& f = load();
    EXPECT_EQ(f.pos(), c.expected) << c.left << " " << c.top;
    EXPECT_EQ(f.Anchor.LeftPosition, c.left);
    EXPECT_EQ(f.Anchor.TopPosition, c.top);
    EXPECT_EQ(stored("LeftPosition"), QString::number(c.left));
    EXPECT_EQ(stored("TopPosition"), QString::number(c.top));
    form.reset();
  }
}

TEST_F(Form1Test, WindowManagersCloseRunsCloseForm) {
  Form1& f = load();
  f.show();
  // With the preferences opened from the panel, nothing closes.
  f.Opening.PreferencesOpen = true;
  EXPECT_FALSE(f.close());
  EXPECT_TRUE(log.isEmpty());
  EXPECT_TRUE(f.isVisible());
  EXPECT_FALSE(f.isUnloaded());

  f.Opening.PreferencesOpen = false;
  f.close();
  // The first run's preferences window goes too.
  EXPECT_EQ(log, QStringList({QStringLiteral("hide Image1"), QStringLiteral("preferences"),
                              QStringLiteral("BorderBackground"),
                              QStringLiteral("MenuButton"), QStringLiteral("Form1")}));
  EXPECT_TRUE(f.isUnloaded());
  EXPECT_FALSE(windowSystem.hasActivationHook());
}

TEST_F(Form1Test, DesignCarriesTheControlArraysWithTheirIndexSets) {
  Form1& f = load();
  auto range = [](int first, int last, QList<int> extra = {}) {
    QList<int> result;
    for (int i = first; i <= last; ++i) result << i;
    return result + extra;
  };
  EXPECT_EQ(f.LeftsideLabelArray().indices(), range(0, 123, {999}));
  EXPECT_EQ(f.IconImgArray().indices(), range(0, 106));
  EXPECT_EQ(f.FileNameArray().indices(), range(0, 110, {999}));
  EXPECT_EQ(f.MenuScrollerArray().indices(), range(0, 81, {999}));
  EXPECT_EQ(f.IconImg(999), nullptr);
  EXPECT_EQ(f.FileName(111), nullptr);
  EXPECT_EQ(f.MenuScroller(82), nullptr);
  EXPECT_EQ(f.LeftsideLabel(124), nullptr);
  EXPECT_EQ(f.findChild<QLabel*>(QStringLiteral("FileName_999")), f.FileName(999));
  EXPECT_EQ(f.findChild<QLabel*>(QStringLiteral("MenuScroller_81")), f.MenuScroller(81));

  EXPECT_EQ(f.FileName(0)->text(), QStringLiteral("Show All"));
  EXPECT_EQ(f.FileName(999)->text(), QStringLiteral("Orvanta Preferences..."));
  EXPECT_EQ(f.LeftsideLabel(1)->text(), QStringLiteral("Top Hit"));
  int visibleIcons = 0, visibleNames = 0, narrowNames = 0, boldNames = 0;
  for (int i : f.IconImgArray().indices()) visibleIcons += !f.IconImg(i)->isHidden();
  for (int i : f.FileNameArray().indices()) {
    visibleNames += !f.FileName(i)->isHidden();
    narrowNames += f.FileName(i)->width() == platform::twipsToPixelsX(2685);
    boldNames += f.FileName(i)->font().bold();
    if (i >= 3 && i <= 110) {
      EXPECT_EQ(f.FileName(i)->text(), QStringLiteral("FILE")) << i;
    }
  }
  EXPECT_EQ(visibleIcons, 46);
  EXPECT_EQ(visibleNames, 4);
  EXPECT_EQ(narrowNames, 13);
  EXPECT_EQ(boldNames, 14);
  EXPECT_FALSE(f.IconImg(0)->hasScaledContents());
  EXPECT_TRUE(f.IconImg(1)->hasScaledContents());
  EXPECT_EQ(f.MenuScroller(0)->width(), platform::twipsToPixelsX(3270));
  EXPECT_EQ(f.MenuScroller(5)->width(), platform::twipsToPixelsX(6630));
  // Only the telling rows lie inside the client area.
  const int clientWidth = platform::twipsToPixelsX(5115);
  for (int i : f.LeftsideLabelArray().indices()) {
    EXPECT_EQ(f.LeftsideLabel(i)->x() < clientWidth, i <= 1) << "LeftsideLabel " << i;
  }
  EXPECT_EQ(f.LeftsideLabel(0)->pos(), QPoint(platform::twipsToPixelsX(45), platform::twipsToPixelsY(675)));
  EXPECT_EQ(f.FileName(0)->pos(), QPoint(platform::twipsToPixelsX(2280), platform::twipsToPixelsY(525)));
  EXPECT_EQ(f.MenuScroller(1)->pos(), QPoint(platform::twipsToPixelsX(3195), platform::twipsToPixelsY(1110)));

  // An ampersand in a file name shows as typed.
  f.FileName(5)->setText(QStringLiteral("Tom & Jerry.txt"));
  EXPECT_EQ(f.FileName(5)->textFormat(), Qt::PlainText);
  EXPECT_EQ(f.FileName(5)->buddy(), nullptr);

  EXPECT_TRUE(f.Progress()->isHidden());
  EXPECT_TRUE(f.CloseButton()->isHidden());
  EXPECT_TRUE(f.Line1()->isHidden());
  EXPECT_FALSE(f.Text2()->isHidden());
  EXPECT_EQ(f.Timer1()->interval(), 60);
  EXPECT_EQ(f.Timer2()->interval(), 150);
  EXPECT_EQ(f.Text1()->font().family(), QStringLiteral("Lucida Grande"));
  EXPECT_DOUBLE_EQ(f.Label1()->font().pointSizeF(), 8.25);
}

TEST_F(Form1Test, SingleControlsStandWhereTheDesignTablePutsThem) {
  Form1& f = load();
  for (const platform::ControlDesign& design : kForm1Controls) {
    const QString name = QString::fromUtf16(design.name);
    const auto* control = f.findChild<QWidget*>(name);
    ASSERT_NE(control, nullptr) << name.toStdString();
    EXPECT_EQ(control->geometry(), design.pixels()) << name.toStdString();
    if (design.fontFamily) {
      EXPECT_EQ(control->font().family(), QString::fromUtf16(design.fontFamily)) << name.toStdString();
      EXPECT_DOUBLE_EQ(control->font().pointSizeF(), design.fontPoints) << name.toStdString();
    }
  }
  // The search box and the band where the design fixes them.
  EXPECT_EQ(f.Text1()->geometry(), platform::twipsToPixels(2100, 105, 2505, 255));
  EXPECT_EQ(f.SelectionBand()->geometry(), platform::twipsToPixels(6075, 9780, 6000, 270));
  EXPECT_EQ(f.CloseButton()->geometry(), platform::twipsToPixels(4740, 135, 210, 210));
}

TEST_F(Form1Test, RowArraysAreMadeAsTheDesignTableSays) {
  Form1& f = load();
  f.completeDesign();
  for (const platform::ControlArrayDesign& array : kForm1RowArrays) {
    const QString arrayName = QString::fromUtf16(array.name);
    QList<int> made;
    for (const QLabel* element : f.findChildren<QLabel*>()) {
      const QString name = element->objectName();
      if (!name.startsWith(arrayName + u'_')) continue;
      const int index = name.mid(arrayName.size() + 1).toInt();
      made.append(index);
      const bool narrow = arrayName == u"FileName" && index >= 34 && index <= 46;
      EXPECT_EQ(element->height(), platform::twipsToPixelsY(array.height)) << name.toStdString();
      if (!narrow && !platform::findControl(kForm1RowElements, name)) {
        EXPECT_EQ(element->width(), platform::twipsToPixelsX(array.width)) << name.toStdString();
      }
    }
    std::sort(made.begin(), made.end());
    QList<int> expected;
    for (int i = array.first; i <= array.last; ++i) expected.append(i);
    if (array.extra != 0) expected.append(array.extra);
    EXPECT_EQ(made, expected) << arrayName.toStdString();
  }
  for (const platform::ControlDesign& design : kForm1RowElements) {
    const QString name = QString::fromUtf16(design.name);
    const auto* element = f.findChild<QLabel*>(name);
    ASSERT_NE(element, nullptr) << name.toStdString();
    EXPECT_EQ(element->geometry(), design.pixels()) << name.toStdString();
    EXPECT_EQ(element->text(), design.caption ? QString::fromUtf16(design.caption) : QString()) << name.toStdString();
  }
}

TEST_F(Form1Test, RowsMadeAfterTheLoadKeepTheirVisibilityAndPlaceInTheZOrder) {
  // Shown before anything asked for a row: the rows the design shows are
  // shown with the window.
  {
    Form1& f = load();
    f.show();
    ASSERT_TRUE(f.isVisible());
    EXPECT_TRUE(f.LeftsideLabel(0)->isVisible());
    EXPECT_TRUE(f.MenuScroller(1)->isVisible());
    EXPECT_TRUE(f.FileName(0)->isVisible());
    EXPECT_TRUE(f.FileName(999)->isVisible());
    EXPECT_TRUE(f.IconImg(45)->isVisible());
    EXPECT_FALSE(f.IconImg(46)->isVisible());
    EXPECT_FALSE(f.FileName(3)->isVisible());
    EXPECT_EQ(f.Text2()->toPlainText(), QStringLiteral("Text2"));
    form.reset();
  }
  // Above the band, below every other control, in their own design order;
  // the controls in the order they are painted, lowest first, the
  // controls inside a container right after the container.
  Form1& f = load();
  f.completeDesign();
  QObjectList children;
  const std::function<void(const QObject*)> paintOrder = [&](const QObject* parent) {
    for (QObject* child : parent->children()) {
      children << child;
      paintOrder(child);
    }
  };
  paintOrder(&f);
  QList<qsizetype> order;
  for (const QObject* control : {static_cast<const QObject*>(f.SelectionBand()),
                                 static_cast<const QObject*>(f.MenuScroller(0)),
                                 static_cast<const QObject*>(f.MenuScroller(999)),
                                 static_cast<const QObject*>(f.LeftsideLabel(0)),
                                 static_cast<const QObject*>(f.IconImg(106)),
                                 static_cast<const QObject*>(f.FileName(999)),
                                 static_cast<const QObject*>(f.IconsApplications()),
                                 static_cast<const QObject*>(f.Label1()),
                                 static_cast<const QObject*>(f.Text1())}) {
    order << children.indexOf(control);
  }
  EXPECT_FALSE(order.contains(-1));
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end())) << QStringList([&] {
    QStringList text;
    for (qsizetype i : order) text << QString::number(i);
    return text;
  }()).join(u' ').toStdString();
}

TEST_F(Form1Test, ProgressStripRunsThroughTwelveFramesAndNeverPastTheLast) {
  Form1& f = load();
  f.show();
  EXPECT_EQ(f.progressFrameTop(), 0);
  QList<int> tops;
  QObject::connect(f.Timer1(), &QTimer::timeout, &f, [&] { tops << f.progressFrameTop(); });
  ASSERT_TRUE(waitFor([&] { return tops.size() >= 25; }));
  f.Timer1()->stop();
  QList<int> expected;
  for (int i = 0; i < 25; ++i) expected << -450 * (i % 11 + 1);
  EXPECT_EQ(tops.mid(0, 25), expected);
  EXPECT_EQ(f.ProgressFrame()->y(), platform::twipsToPixelsY(tops.last()));
  // Each tick first lets pending events run.
  EXPECT_GE(windowSystem.pendingEventRuns, 25);
}

TEST_F(Form1Test, FocusTimerWaitsForTheWindowToShow) {
  Form1& f = load();
  // Whatever the load left to run later has run: still no timer.
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  EXPECT_FALSE(f.Timer2()->isActive());
  f.show();
  EXPECT_TRUE(f.Timer2()->isActive());
  ASSERT_TRUE(waitFor([&] { return !f.Timer2()->isActive(); }));
  EXPECT_EQ(f.focusWidget(), f.Text1());
  EXPECT_TRUE(f.Text1()->isVisible());
}

TEST_F(Form1Test, ActivationKeepsTheWindowOnTopAndResizeMovesTheBottomRule) {
  Form1& f = load();
  f.show();
  f.activateWindow();
  ASSERT_TRUE(waitFor([&] { return windowSystem.keepOnTopCalls.contains(QStringLiteral("Form1")); }));

  f.setHeight(3180);
  EXPECT_EQ(f.Line1()->X1(), 0);
  EXPECT_EQ(f.Line1()->X2(), f.Width());
  EXPECT_EQ(f.Line1()->Y1(), f.Height() - 15);
  EXPECT_EQ(f.Line1()->Y2(), f.Height() - 15);
  EXPECT_EQ(f.Height(), platform::pixelsToTwipsY(platform::twipsToPixelsY(3180)));
}

TEST_F(Form1Test, EnterStartsOneSearchAndIsSwallowed) {
  Form1& f = load();
  QStringList searches;
  f.setSearchCallback([&](const QString& text) {
    searches << text;
    // A second Enter while the search runs is dropped.
    pressKey(Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_TRUE(f.isSearchRunning());
    return true;
  });
  const int runsBefore = windowSystem.pendingEventRuns;
  pressKey(Qt::Key_A, QStringLiteral("a"));
  EXPECT_EQ(f.Text1()->text(), QStringLiteral("a"));
  EXPECT_EQ(windowSystem.pendingEventRuns, runsBefore + 1);
  EXPECT_TRUE(searches.isEmpty());

  f.Panel.RowTop = 5000;
  f.Panel.RowIndex = 9;
  pressKey(Qt::Key_Return, QStringLiteral("\r"));
  EXPECT_EQ(searches, QStringList{QStringLiteral("a")});
  EXPECT_EQ(f.Text1()->text(), QStringLiteral("a"));
  EXPECT_TRUE(f.Interaction.EnterPending);
  EXPECT_EQ(f.Panel.RowTop, 1360);
  EXPECT_EQ(f.Panel.RowIndex, 1);
  EXPECT_FALSE(f.Progress()->isHidden());
  EXPECT_FALSE(f.CloseButton()->isHidden());
  EXPECT_FALSE(f.isSearchRunning());

  // The release of that Enter is swallowed; a later key-up passes on. A
  // recorder filtering the search box after the window does sees what the
  // window lets through to the box.
  struct ReleaseRecorder : QObject {
    QList<int> keys;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::KeyRelease) keys.append(static_cast<QKeyEvent*>(event)->key());
      return false;
    }
  } passedOn;
  f.Text1()->removeEventFilter(&f);
  f.Text1()->installEventFilter(&passedOn);
  f.Text1()->installEventFilter(&f);  // the newest filter runs first
  releaseKey(Qt::Key_Return, QStringLiteral("\r"));
  EXPECT_FALSE(f.Interaction.EnterPending);
  EXPECT_TRUE(passedOn.keys.isEmpty());
  releaseKey(Qt::Key_A, QStringLiteral("a"));
  EXPECT_EQ(passedOn.keys, QList<int>{Qt::Key_A});
  // The release of the dropped second Enter is not swallowed either.
  releaseKey(Qt::Key_Return, QStringLiteral("\r"));
  EXPECT_EQ(passedOn.keys, (QList<int>{Qt::Key_A, Qt::Key_Return}));
  f.Text1()->removeEventFilter(&passedOn);

  pressKey(Qt::Key_Enter, QStringLiteral("\r"));
  EXPECT_EQ(searches.size(), 2);
}

TEST_F(Form1Test, DeactivationDuringASearchClosesEverythingAndTheSearchStops) {
  Form1& f = load();
  bool touchedAfterClose = false;
  f.setSearchCallback([&](const QString&) {
    windowSystem.changeActivation(false);  // another application is activated
    if (f.isUnloaded()) return false;
    touchedAfterClose = true;
    return true;
  });
  pressKey(Qt::Key_Return, QStringLiteral("\r"));
  EXPECT_FALSE(touchedAfterClose);
  EXPECT_TRUE(f.isUnloaded());
  EXPECT_FALSE(f.isVisible());
  EXPECT_FALSE(f.Timer1()->isActive());
  EXPECT_FALSE(windowSystem.hasActivationHook());
  EXPECT_EQ(log.last(), QStringLiteral("Form1"));
}

TEST_F(Form1Test, DeactivationClosesInOrderThenPassesTheChangeOn) {
  QStringList passedOn;
  windowSystem.replaceActivationHook([&](bool active) {
    passedOn << (active ? QStringLiteral("active") : QStringLiteral("inactive"));
    log << QStringLiteral("previous receiver");
  });
  store("SearchPrefix", "p");
  store("SearchSuffix", "s");
  Form1& f = load();
  preferences.showPreferences();

  windowSystem.changeActivation(true);
  EXPECT_FALSE(f.isUnloaded());
  EXPECT_EQ(passedOn, QStringList{QStringLiteral("active")});
  log.clear();

  windowSystem.changeActivation(false);
  EXPECT_EQ(log, QStringList({"hide Image1", "preferences", "BorderBackground", "MenuButton", "Form1",
                              "previous receiver"}));
  EXPECT_TRUE(f.isUnloaded());
  // The hook is gone: the replaced receiver is back in place.
  windowSystem.changeActivation(false);
  EXPECT_EQ(passedOn.size(), 3);
}

TEST_F(Form1Test, CloseFormWithPreferencesOpenLeavesEverythingOpen) {
  Form1& f = load();
  f.show();
  preferences.showPreferences();
  f.Opening.PreferencesOpen = true;
  log.clear();

  f.CloseForm();
  windowSystem.changeActivation(false);
  EXPECT_TRUE(log.isEmpty());
  EXPECT_FALSE(f.isUnloaded());
  EXPECT_TRUE(f.isVisible());
  EXPECT_TRUE(preferences.isPreferencesLoaded());
  EXPECT_TRUE(windowSystem.hasActivationHook());

  f.Opening.PreferencesOpen = false;
  f.CloseForm();
  EXPECT_TRUE(f.isUnloaded());
}

TEST_F(Form1Test, CloseButtonEndsTheProgramAtOnce) {
  Form1& f = load();
  f.show();
  f.CloseButton()->show();
  log.clear();
  QTest::mouseClick(f.CloseButton(), Qt::LeftButton);
  EXPECT_EQ(windowSystem.endedWith, 0);
  // Nothing is unloaded or restored.
  EXPECT_TRUE(log.isEmpty());
  EXPECT_TRUE(windowSystem.hasActivationHook());
}

TEST_F(Form1Test, DoubleClicksShowThePreferencesWithoutTheFlag) {
  Form1& f = load();
  f.show();
  const int before = preferences.shown;
  QTest::mouseDClick(f.Text1(), Qt::LeftButton);
  QTest::mouseDClick(&f, Qt::LeftButton, {}, QPoint(5, 25));
  EXPECT_EQ(preferences.shown, before + 2);
  EXPECT_FALSE(f.Opening.PreferencesOpen);
  EXPECT_TRUE(f.isEnabled());
}

}  // namespace
}  // namespace orvanta::results_window
