// The preferences window over a registry file, fake peers and a fake
// browser: its design, its load, the box rules, the stores and their order,
// the live preview, the address workbench and its close.
#include "fake_browser.h"
#include "fake_preferences_peers.h"
#include "pseudo_language.h"
#include "gui_application.h"
#include "wait_for.h"
#include "temp_registry.h"

#include "platform/process_browser.h"
#include "platform/twips.h"
#include "settings/preferences_design.h"
#include "settings/preferences_window.h"
#include "settings/search_instructions.h"
#include "settings/settings_table.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace orvanta::settings {
namespace {

using testing::FakeBrowserFactory;
using testing::FakePreferencesPeers;
using testing::TempRegistry;

// Passes every call to a registry and logs each value stored.
class RecordingRegistry : public platform::Registry {
 public:
  RecordingRegistry(platform::Registry& inner, QStringList& log) : inner_(inner), log_(log) {}

  platform::RegStatus openKey(RegRoot root, const QString& path, quint32 access,
                              platform::RegKeyHandle* key) override {
    return inner_.openKey(root, path, access, key);
  }
  platform::RegStatus createKey(RegRoot root, const QString& path, quint32 access,
                                platform::RegKeyHandle* key) override {
    return inner_.createKey(root, path, access, key);
  }
  platform::RegStatus queryValue(platform::RegKeyHandle key, const QString& name, quint32 bufferSize,
                                 quint32* type, QByteArray* data) override {
    return inner_.queryValue(key, name, bufferSize, type, data);
  }
  platform::RegStatus setValue(platform::RegKeyHandle key, const QString& name, quint32 type,
                               const QByteArray& data) override {
    log_ << QStringLiteral("write %1=%2").arg(name, QString::fromUtf8(data));
    return inner_.setValue(key, name, type, data);
  }
  void closeKey(platform::RegKeyHandle key) override { inner_.closeKey(key); }

 private:
  platform::Registry& inner_;
  QStringList& log_;
};

const QString kPrefix = QStringLiteral("http://127.0.0.1:4664/search&s=abcdefghijklmnopqrstuvwxyz0?q=");
const QString kSuffix = QStringLiteral("&ie=UTF-8");

class PreferencesWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::guiApplication();
    peers.left = 1200;
    peers.top = 330;
    peers.maxSearchResults = 12;
  }

  void TearDown() override { delete window.data(); }

  void storeAddress() {
    writeSetting(temp.regKeys(), u"SearchPrefix", kPrefix);
    writeSetting(temp.regKeys(), u"SearchSuffix", kSuffix);
  }

  Form_OrvantaPreferences* create() {
    window = new Form_OrvantaPreferences(recordingKeys, peers, browsers.factory(), [this](const QString& address) {
      fetched << address;
      const auto page = pages.find(address);
      return page == pages.end() ? std::nullopt : std::optional<QString>(page->second);
    });
    return window;
  }

  Form_OrvantaPreferences* open() {
    create()->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    return window;
  }

  template <class T>
  T* child(const char* name) const {
    T* found = window->findChild<T*>(QLatin1StringView(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }

  QString stored(const char16_t* name) { return readSetting(temp.regKeys(), name); }

  QStringList writes() const { return log.filter(QStringLiteral("write ")); }

  // The values of the anchor and the box the user has changed.
  struct Changed {
    bool top = false;
    bool left = false;
    bool maxSearchResults = false;
  };

  // The stores the window makes of the changed values, in its order.
  QStringList positionWrites(Changed changed) const {
    QStringList expected;
    if (changed.top) {
      expected << QStringLiteral("write TopPosition=%1").arg(child<QSlider>("TopSideSlider")->value());
    }
    if (changed.left) {
      expected << QStringLiteral("write LeftPosition=%1").arg(child<QSlider>("LeftSideSlider")->value());
    }
    if (changed.maxSearchResults) {
      expected << QStringLiteral("write MaxSearchResults=%1").arg(child<QLineEdit>("TextMaxSearchResults")->text());
    }
    return expected;
  }

  QStringList log;
  TempRegistry temp;
  RecordingRegistry recording{temp.registry(), log};
  RegKeys recordingKeys{recording};
  FakePreferencesPeers peers{log};
  FakeBrowserFactory browsers;
  std::map<QString, QString> pages;
  QStringList fetched;
  QPointer<Form_OrvantaPreferences> window;
};

platform::TwipsScale screenScale() { return platform::TwipsScale::forScreen(QGuiApplication::primaryScreen()); }

QSize screenTwips() {
  const QSize pixels = QGuiApplication::primaryScreen()->geometry().size();
  const auto scale = screenScale();
  return QSize(qRound(scale.toTwips(pixels.width())), qRound(scale.toTwips(pixels.height())));
}

TEST_F(PreferencesWindowTest, EveryControlStandsWhereTheDesignTablePutsIt) {
  storeAddress();
  open();
  const auto scale = screenScale();
  for (const platform::ControlDesign& design : kPreferencesControls) {
    const QString name = QString::fromUtf16(design.name);
    const auto* widget = window->findChild<QWidget*>(name);
    ASSERT_NE(widget, nullptr) << name.toStdString();
    EXPECT_EQ(widget->geometry(), scale.toPixels(QRect(design.left, design.top, design.width, design.height)))
        << name.toStdString();
    EXPECT_EQ(widget->font().bold(), design.bold) << name.toStdString();
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
      // The instructions name this system's way to the search page.
      const QString caption = design.caption ? QString::fromUtf16(design.caption) : QString();
      EXPECT_EQ(label->text(), name == u"Label5" ? searchAddressInstructions(caption) : caption) << name.toStdString();
    }
  }
}

TEST_F(PreferencesWindowTest, DesignPlacesEveryControl) {
  storeAddress();
  open();
  const auto scale = screenScale();
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Orvanta Preferences"));
  EXPECT_EQ(window->size(), QSize(scale.toPixels(9975), scale.toPixels(8850)));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());  // fixed border
  EXPECT_FALSE(window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

  const struct {
    const char* name;
    QRect twips;
    const char* text;  // nullptr: not checked
  } controls[] = {
      {"Label8",
       {225, 165, 9075, 525},
       "WARNING: IF THIS IS THE FIRST TIME YOU HAVE USED THIS PROGRAM, YOU MUST ENTER IN ALL OF THE FOLLOWING "
       "INFORMATION"},
      {"Label5",
       {225, 900, 9030, 660},
       "Do a search on the local search service's page, http://localhost:4664/, in the web browser.  When the "
       "results page appears, copy the first part "
       "of the url that is BEFORE what you searched for.  Then copy the last part of the url AFTER what you searched "
       "for.  When you are finished, it should the url below should match the one in the browser."},
      {"TextSearchPrefix", {240, 1695, 5450, 285}, nullptr},
      {"Label6", {5775, 1695, 840, 285}, "XXXXX"},
      {"TextSearchSuffix", {6720, 1710, 2715, 285}, nullptr},
      {"Label4", {270, 2205, 3210, 210}, "Enter Search Criteria:"},
      {"SearchCriteria", {255, 2460, 4125, 315}, ""},
      {"Command1", {4515, 2430, 1485, 330}, "Search"},
      {"Command3", {6075, 2445, 1440, 315}, "Sniff URL"},
      {"Label7", {300, 2895, 690, 285}, "Address:"},
      {"AddressBar", {1020, 2850, 7650, 315}, ""},
      {"Command2", {8700, 2835, 735, 345}, "Go"},
      {"WebBrowser1", {270, 3240, 9210, 1935}, nullptr},
      {"Label9", {270, 5250, 2115, 285}, "RAW Html:"},
      {"HTMLBox", {255, 5475, 9225, 1920}, ""},
      {"Label2", {435, 7590, 2490, 255}, "Maximum search results per group:"},
      {"TextMaxSearchResults", {2970, 7545, 570, 300}, "12"},
      {"Label3", {3555, 7620, 600, 210}, "1-30"},
      {"InitiateURL", {4860, 7560, 3045, 315}, "Text1"},
      {"ApplySettings", {8160, 7530, 1200, 360}, "Apply"},
      {"Label1",
       {3315, 7965, 6120, 345},
       "Use the sliders on the bottom and right side of the settings window to align the menu."},
      {"LeftSideSlider", {45, 8415, 9555, 360}, nullptr},
      {"TopSideSlider", {9570, 0, 300, 8445}, nullptr},
  };
  for (const auto& c : controls) {
    QWidget* widget = child<QWidget>(c.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->geometry(), scale.toPixels(c.twips)) << c.name;
    EXPECT_TRUE(widget->isVisible()) << c.name;
    if (!c.text) continue;
    QString text;
    if (auto* label = qobject_cast<QLabel*>(widget)) text = label->text();
    if (auto* button = qobject_cast<QPushButton*>(widget)) text = button->text();
    if (auto* box = qobject_cast<QLineEdit*>(widget)) text = box->text();
    if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) text = box->toPlainText();
    EXPECT_EQ(text, QString::fromUtf8(c.text)) << c.name;
  }
  EXPECT_EQ(child<QSlider>("LeftSideSlider")->orientation(), Qt::Horizontal);
  EXPECT_EQ(child<QSlider>("TopSideSlider")->orientation(), Qt::Vertical);

  const QFont warning = child<QLabel>("Label8")->font();
  EXPECT_TRUE(warning.bold());
  EXPECT_DOUBLE_EQ(warning.pointSizeF(), 9.0);
  EXPECT_DOUBLE_EQ(child<QLabel>("Label3")->font().pointSizeF(), 6.75);
  EXPECT_EQ(child<QLabel>("Label8")->palette().color(QPalette::Window), QColor(255, 255, 0));
  EXPECT_TRUE(child<QLabel>("Label8")->autoFillBackground());
  EXPECT_EQ(child<QLabel>("Label6")->palette().color(QPalette::Window), QColor(255, 255, 255));
  EXPECT_EQ(child<QLabel>("Label6")->frameShape(), QFrame::Box);

  // Every caption fits its box.
  for (const QLabel* label : window->findChildren<QLabel*>()) {
    const QRect box = label->contentsRect();
    const int flags = static_cast<int>(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
    const QRect needed = label->fontMetrics().boundingRect(box, flags, label->text());
    EXPECT_LE(needed.width(), box.width()) << label->objectName().toStdString();
    EXPECT_LE(needed.height(), box.height()) << label->objectName().toStdString();
  }

  // The horizontal slider has the focus on opening; the tab order runs from it.
  EXPECT_EQ(window->focusWidget(), child<QWidget>("LeftSideSlider"));
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  const char* order[] = {"LeftSideSlider", "TopSideSlider", "TextMaxSearchResults", "ApplySettings",
                         "TextSearchPrefix", "TextSearchSuffix", "SearchCriteria", "Command1",
                         "HTMLBox", "WebBrowser1", "AddressBar", "Command2", "Command3", "InitiateURL"};
  for (std::size_t i = 1; i < std::size(order); ++i) {
    QWidget* expected = child<QWidget>(order[i]);
    QWidget* proxy = expected->focusProxy() ? expected->focusProxy() : expected;
    QTest::keyClick(window->focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(window->focusWidget(), proxy)
        << "after " << order[i - 1] << ": " << window->focusWidget()->objectName().toStdString();
  }
}

TEST_F(PreferencesWindowTest, LoadFillsTheWindowWithoutPreviewing) {
  storeAddress();
  create();
  EXPECT_EQ(browsers.created, 0);  // no browser before the window loads
  window->show();
  EXPECT_EQ(browsers.created, 1);

  const QSize screen = screenTwips();
  auto* left = child<QSlider>("LeftSideSlider");
  auto* top = child<QSlider>("TopSideSlider");
  EXPECT_EQ(left->minimum(), 0);
  EXPECT_EQ(left->maximum(), screen.width() - 5115);
  EXPECT_EQ(left->value(), 1200);
  EXPECT_EQ(top->minimum(), 0);
  EXPECT_EQ(top->maximum(), screen.height() - 470);
  EXPECT_EQ(top->value(), 330);
  EXPECT_EQ(child<QLineEdit>("TextMaxSearchResults")->text(), QStringLiteral("12"));
  EXPECT_EQ(child<QLineEdit>("TextSearchPrefix")->text(), kPrefix);
  EXPECT_EQ(child<QLineEdit>("TextSearchSuffix")->text(), kSuffix);

  // Nothing moved and nothing stored by the load.
  EXPECT_TRUE(log.filter(QStringLiteral("move")).isEmpty()) << log.join(u'\n').toStdString();
  EXPECT_TRUE(writes().isEmpty()) << writes().join(u'\n').toStdString();

  // Activation keeps the window on top.
  log.clear();
  window->activateWindow();
  EXPECT_TRUE(testing::waitFor([&] { return log.contains(QStringLiteral("keepOnTop Form_OrvantaPreferences")); }));
}

TEST_F(PreferencesWindowTest, InThePseudoLanguageEveryShownTextIsTranslatedAndFitsItsControl) {
  if (!testing::PseudoLanguage::isBuilt()) GTEST_SKIP() << "built without Qt Linguist's tools";
  const testing::PseudoLanguage pseudo;
  ASSERT_TRUE(pseudo.isLoaded());
  storeAddress();
  open();
  // The boxes that show the user's address, words, numbers and pages.
  const QStringList data{"TextSearchPrefix", "TextSearchSuffix", "TextMaxSearchResults",
                         "SearchCriteria",   "AddressBar",       "HTMLBox"};
  const QStringList problems =
      testing::shownTextProblems(*window, [&](const QWidget& widget) { return data.contains(widget.objectName()); });
  EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
  EXPECT_TRUE(testing::isPseudoText(child<QLabel>("Label5")->text()));
}

TEST_F(PreferencesWindowTest, BlankHalvesOfTheAddressAreKept) {
  writeSetting(temp.regKeys(), u"SearchPrefix", QString());  // stored as one blank
  writeSetting(temp.regKeys(), u"SearchSuffix", QStringLiteral("  x"));
  open();
  EXPECT_EQ(child<QLineEdit>("TextSearchPrefix")->text(), QStringLiteral(" "));
  EXPECT_EQ(child<QLineEdit>("TextSearchSuffix")->text(), QStringLiteral("  x"));
  EXPECT_TRUE(writes().isEmpty());
}

TEST_F(PreferencesWindowTest, FirstRunLoadShowsOneAndClosingUntouchedStoresNothing) {
  // Opened from the results window's own load: its MaxSearchResults is still
  // 0 and it stands at its design place and height.
  peers.maxSearchResults = 0;
  peers.left = 240;
  peers.top = 1395;
  peers.height = 11160;
  open();

  EXPECT_EQ(child<QLineEdit>("TextMaxSearchResults")->text(), QStringLiteral("1"));
  const QString prefix = defaultSearchPrefix(temp.regKeys());
  EXPECT_TRUE(prefix.startsWith(QStringLiteral("http://localhost:4664/search&s=")));
  EXPECT_EQ(child<QLineEdit>("TextSearchPrefix")->text(), prefix);
  EXPECT_EQ(child<QLineEdit>("TextSearchSuffix")->text(), QStringLiteral("&ie=UTF-8"));
  EXPECT_EQ(writes(), (QStringList{QStringLiteral("write SearchPrefix=") + prefix,
                                   QStringLiteral("write SearchSuffix=&ie=UTF-8")}));

  // The panel is taller than the screen: the range widens to hold its top.
  auto* top = child<QSlider>("TopSideSlider");
  EXPECT_EQ(top->value(), 1395);
  EXPECT_EQ(top->maximum(), std::max(1395, screenTwips().height() - 11160));
  EXPECT_EQ(child<QSlider>("LeftSideSlider")->value(), 240);

  // Nothing the user left alone is stored: the load's defaults stay.
  log.clear();
  window->close();
  EXPECT_TRUE(writes().isEmpty()) << writes().join(u'\n').toStdString();
  EXPECT_EQ(stored(u"MaxSearchResults"), QString());
  EXPECT_EQ(stored(u"TopPosition"), QString());
  EXPECT_EQ(stored(u"LeftPosition"), QString());
}

TEST_F(PreferencesWindowTest, SliderRangesWidenToHoldThePanelsPlace) {
  storeAddress();
  // Stored on a wider screen, the panel moved in a little.
  writeSetting(temp.regKeys(), u"LeftPosition", QStringLiteral("30123"));
  peers.left = 30000;
  peers.top = -300;
  open();
  auto* left = child<QSlider>("LeftSideSlider");
  auto* top = child<QSlider>("TopSideSlider");
  EXPECT_EQ(left->value(), 30000);
  EXPECT_EQ(left->maximum(), 30000);
  EXPECT_EQ(top->value(), -300);
  EXPECT_EQ(top->minimum(), -300);
  window->close();
  EXPECT_EQ(stored(u"LeftPosition"), QStringLiteral("30123"));
  EXPECT_EQ(stored(u"TopPosition"), QString());
}

TEST_F(PreferencesWindowTest, MaximumResultsBoxRules) {
  storeAddress();
  open();
  auto* box = child<QLineEdit>("TextMaxSearchResults");
  const struct {
    const char* text;
    const char* result;
  } cases[] = {
      {"45", "30"},     {"", "7"},         {"0", "1"},         {"-3", "-3"},    {"00", "00"},
      {"12.5", "12.5"}, {"30", "30"},      {"31", "30"},       {"30.004", "30.004"},  // 30.00 as shown
      {"30.006", "30"}, {"1e3", "30"},     {"abc", "abc"},     {" 5 ", " 5 "},  {"0.0", "0.0"},
  };
  for (const auto& c : cases) {
    box->setText(QString::fromUtf8(c.text));
    EXPECT_EQ(box->text(), QString::fromUtf8(c.result)) << '"' << c.text << '"';
  }

  // Typed key by key: "4" passes, "45" becomes "30".
  box->setFocus();
  box->selectAll();
  QTest::keyClicks(box, QStringLiteral("45"));
  EXPECT_EQ(box->text(), QStringLiteral("30"));
  // Deleting everything leaves "7".
  box->selectAll();
  QTest::keyClick(box, Qt::Key_Backspace);
  EXPECT_EQ(box->text(), QStringLiteral("7"));
}

TEST_F(PreferencesWindowTest, KeyReleaseInTheBoxStoresItsTextAsTyped) {
  storeAddress();
  open();
  auto* box = child<QLineEdit>("TextMaxSearchResults");
  const struct {
    const char* typed;
    const char* stored;
  } cases[] = {{"-3", "-3"}, {"abc", "abc"}, {"0", "1"}, {"99", "30"}, {"8", "8"}};
  for (const auto& c : cases) {
    box->setFocus();
    box->selectAll();
    log.clear();
    QTest::keyClicks(box, QString::fromUtf8(c.typed));
    EXPECT_EQ(stored(u"MaxSearchResults"), QString::fromUtf8(c.stored)) << c.typed;
    // Every key release stores what the user changed: the box only, the
    // sliders have not moved.
    const QStringList all = writes();
    ASSERT_EQ(all.size(), static_cast<int>(qstrlen(c.typed))) << c.typed;
    EXPECT_EQ(all.mid(all.size() - 1), positionWrites({.maxSearchResults = true})) << c.typed;
  }
}

TEST_F(PreferencesWindowTest, SavePositionSettingsStoresPlainNumbersInOrder) {
  storeAddress();
  open();
  auto* left = child<QSlider>("LeftSideSlider");
  auto* top = child<QSlider>("TopSideSlider");

  const auto expectOneSave = [&](const char* trigger, Changed changed) {
    const QStringList all = writes();
    EXPECT_EQ(all, positionWrites(changed)) << trigger;
    for (const QString& write : all) EXPECT_FALSE(write.contains(QStringLiteral("= "))) << trigger;
  };

  // Before anything changed, the events store nothing.
  auto* box = child<QLineEdit>("TextMaxSearchResults");
  box->setFocus();
  log.clear();
  QTest::keyRelease(box, Qt::Key_Shift);
  expectOneSave("key release in the box before any change", {});

  log.clear();
  QTest::mouseClick(left, Qt::LeftButton, {}, QPoint(left->width() / 4, left->height() / 2));
  ASSERT_NE(left->value(), 1200);
  expectOneSave("release on the horizontal slider", {.left = true});
  EXPECT_EQ(stored(u"LeftPosition"), QString::number(left->value()));

  log.clear();
  QTest::mouseClick(top, Qt::LeftButton, {}, QPoint(top->width() / 2, top->height() / 2));
  ASSERT_NE(top->value(), 330);
  expectOneSave("click on the vertical slider", {.top = true, .left = true});
  EXPECT_EQ(stored(u"TopPosition"), QString::number(top->value()));

  log.clear();
  box->setFocus();
  QTest::keyRelease(box, Qt::Key_Shift);
  expectOneSave("key release in the box", {.top = true, .left = true});

  log.clear();
  window->close();
  expectOneSave("close", {.top = true, .left = true});
  // The box, never edited, stored nothing.
  EXPECT_EQ(stored(u"MaxSearchResults"), QString());
}

TEST_F(PreferencesWindowTest, ClosingStoresOnlyWhatTheUserChanged) {
  // What a run stored before: the panel stands elsewhere (moved onto a
  // smaller screen, rounded to pixels) and read the rows per group at its
  // start.
  const struct {
    const char* what;
    std::function<void(Form_OrvantaPreferences&)> act;
    const char* top;
    const char* left;
    const char* maxSearchResults;
  } cases[] = {
      {"nothing", [](Form_OrvantaPreferences&) {}, "345", "31234", "9"},
      {"focus moved through every control",
       [](Form_OrvantaPreferences& w) {
         for (int i = 0; i < 16; ++i) QTest::keyClick(w.focusWidget(), Qt::Key_Tab);
       },
       "345", "31234", "9"},
      {"horizontal slider one step right",
       [](Form_OrvantaPreferences& w) {
         QTest::keyClick(w.findChild<QSlider*>(QStringLiteral("LeftSideSlider")), Qt::Key_Right);
       },
       "345", nullptr, "9"},
      {"vertical slider one step down",
       [](Form_OrvantaPreferences& w) {
         QTest::keyClick(w.findChild<QSlider*>(QStringLiteral("TopSideSlider")), Qt::Key_Down);
       },
       nullptr, "31234", "9"},
      {"box typed into",
       [](Form_OrvantaPreferences& w) {
         auto* box = w.findChild<QLineEdit*>(QStringLiteral("TextMaxSearchResults"));
         box->setFocus();
         box->selectAll();
         QTest::keyClicks(box, QStringLiteral("12"));
       },
       "345", "31234", "12"},
  };
  storeAddress();
  peers.left = 1200;
  peers.top = 330;
  peers.maxSearchResults = 7;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    writeSetting(temp.regKeys(), u"TopPosition", QStringLiteral("345"));
    writeSetting(temp.regKeys(), u"LeftPosition", QStringLiteral("31234"));
    writeSetting(temp.regKeys(), u"MaxSearchResults", QStringLiteral("9"));
    delete window.data();
    open();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    c.act(*window);
    const int top = child<QSlider>("TopSideSlider")->value();
    const int left = child<QSlider>("LeftSideSlider")->value();
    window->close();
    EXPECT_EQ(stored(u"TopPosition"), c.top ? QString::fromLatin1(c.top) : QString::number(top));
    EXPECT_EQ(stored(u"LeftPosition"), c.left ? QString::fromLatin1(c.left) : QString::number(left));
    EXPECT_EQ(stored(u"MaxSearchResults"), QString::fromLatin1(c.maxSearchResults));
  }
}

TEST_F(PreferencesWindowTest, TheBoxShowsTheRowsPerGroupANextStartWouldTake) {
  // The panel read 7 at its start; a value stored since (by an earlier
  // opening of this window) is shown, one a start would not take is not.
  const struct {
    const char* stored;
    const char* shown;
  } cases[] = {{"12", "12"}, {" 9", "9"}, {"-3", "-3"}, {"45", "30"}, {"abc", "7"}, {"0", "7"}, {"", "7"}};
  storeAddress();
  peers.maxSearchResults = 7;
  for (const auto& c : cases) {
    writeSetting(temp.regKeys(), u"MaxSearchResults", QString::fromLatin1(c.stored));
    delete window.data();
    open();
    EXPECT_EQ(child<QLineEdit>("TextMaxSearchResults")->text(), QString::fromLatin1(c.shown)) << c.stored;
    log.clear();
    window->close();
    EXPECT_TRUE(writes().isEmpty()) << c.stored << ": " << writes().join(u'\n').toStdString();
  }
}

TEST_F(PreferencesWindowTest, TheWindowOpensWithinTheWorkArea) {
  // Placed where it does not fit (as its design place does on a small or
  // scaled screen), it is moved in, its title bar first.
  storeAddress();
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  const QPoint places[] = {{2160 / 15, 2205 / 15},
                           {area.right() - 100, area.bottom() - 100},
                           {area.left() - 300, area.top() - 50},
                           {area.right() + 500, area.top() + 10}};
  for (const QPoint& place : places) {
    delete window.data();
    create()->move(place);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    const QRect frame = window->frameGeometry();
    EXPECT_TRUE(area.contains(frame.topLeft())) << place.x() << ", " << place.y();
    if (frame.width() <= area.width()) {
      EXPECT_GE(frame.left(), area.left());
      EXPECT_LE(frame.right(), area.right());
    }
    if (frame.height() <= area.height()) {
      EXPECT_LE(frame.bottom(), area.bottom()) << place.x() << ", " << place.y();
    }
  }
}

TEST_F(PreferencesWindowTest, MovingASliderPreviewsThePanelFrameAndButton) {
  storeAddress();
  peers.buttonHeight = 330;
  open();
  auto* left = child<QSlider>("LeftSideSlider");
  auto* top = child<QSlider>("TopSideSlider");
  const int step = left->singleStep();
  EXPECT_EQ(step, qRound(screenScale().twipsPerPixel()));

  left->setFocus();
  log.clear();
  QTest::keyClick(left, Qt::Key_Right);
  const int l = 1200 + step;
  EXPECT_EQ(log, (QStringList{
                     QStringLiteral("keepOnTop Form_OrvantaPreferences"),
                     QStringLiteral("moveResults %1 330").arg(l),
                     QStringLiteral("showResults"),
                     QStringLiteral("loadBackdrop"),
                     QStringLiteral("moveBackdrop %1 270 5235 590").arg(l - 60),
                     QStringLiteral("moveMenuButton %1 0").arg(l),
                     QStringLiteral("showBackdrop"),
                 }));
  EXPECT_TRUE(writes().isEmpty());  // keys move the anchor, the mouse release stores it

  // Downwards on the vertical slider moves the panel down.
  top->setFocus();
  log.clear();
  QTest::keyClick(top, Qt::Key_Down);
  EXPECT_EQ(top->value(), 330 + step);
  EXPECT_TRUE(log.contains(QStringLiteral("moveResults %1 %2").arg(l).arg(330 + step)));
  EXPECT_TRUE(log.contains(QStringLiteral("moveMenuButton %1 %2").arg(l).arg(step)));
  EXPECT_EQ(peers.backdrop, QRect(l - 60, 330 + step - 60, 5235, 590));
  EXPECT_TRUE(peers.resultsVisible && peers.backdropVisible);
}

TEST_F(PreferencesWindowTest, CloseRunsItsStepsInOrderOnce) {
  storeAddress();
  open();
  QTest::keyClick(child<QSlider>("LeftSideSlider"), Qt::Key_Right);
  log.clear();
  window->close();
  QStringList expected{QStringLiteral("unloadBackdrop"), QStringLiteral("setResultsEnabled 1")};
  expected << positionWrites({.left = true}) << QStringLiteral("clearPreferencesOpen");
  EXPECT_EQ(log, expected);
  EXPECT_TRUE(peers.resultsEnabled);
  EXPECT_FALSE(peers.preferencesOpen);
  EXPECT_FALSE(peers.backdropLoaded);
  // A second close before the window is gone repeats nothing.
  log.clear();
  window->close();
  EXPECT_TRUE(log.isEmpty()) << log.join(u'\n').toStdString();
  // The window goes away with its close.
  EXPECT_TRUE(testing::waitFor([&] { return window.isNull(); }));
}

TEST_F(PreferencesWindowTest, EscapeClosesTheWindowAsItsCloseDoes) {
  const struct {
    const char* control;  // where the key goes; nullptr: the window itself
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool closes;
  } cases[] = {
      {"TextSearchPrefix", Qt::Key_Escape, Qt::NoModifier, true},
      {"LeftSideSlider", Qt::Key_Escape, Qt::NoModifier, true},
      {nullptr, Qt::Key_Escape, Qt::NoModifier, true},
      {"TextSearchPrefix", Qt::Key_Escape, Qt::ControlModifier, false},
      {nullptr, Qt::Key_Q, Qt::NoModifier, false},
  };
  storeAddress();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.control ? c.control : "window");
    delete window.data();
    open();
    log.clear();
    QWidget* target = c.control ? child<QWidget>(c.control) : static_cast<QWidget*>(window.data());
    QKeyEvent press(QEvent::KeyPress, c.key, c.modifiers);
    QCoreApplication::sendEvent(target, &press);
    if (c.closes) {
      EXPECT_TRUE(log.contains(QStringLiteral("clearPreferencesOpen"))) << log.join(u'\n').toStdString();
      EXPECT_TRUE(testing::waitFor([&] { return window.isNull(); }));
    } else {
      EXPECT_FALSE(log.contains(QStringLiteral("clearPreferencesOpen")));
      EXPECT_TRUE(window->isVisible());
    }
  }
}

TEST_F(PreferencesWindowTest, ApplyStoresBothHalvesAsTheyAre) {
  storeAddress();
  open();
  auto* prefix = child<QLineEdit>("TextSearchPrefix");
  auto* suffix = child<QLineEdit>("TextSearchSuffix");
  prefix->clear();
  suffix->setText(QStringLiteral(" &num=5 "));
  log.clear();
  QTest::mouseClick(child<QPushButton>("ApplySettings"), Qt::LeftButton);
  EXPECT_EQ(writes(), (QStringList{QStringLiteral("write SearchPrefix= "), QStringLiteral("write SearchSuffix= &num=5 ")}));
  EXPECT_EQ(stored(u"SearchPrefix"), QStringLiteral(" "));
  EXPECT_EQ(stored(u"SearchSuffix"), QStringLiteral(" &num=5 "));
}

TEST_F(PreferencesWindowTest, TheTwoPreferenceBoxesShowAndStoreTheirSwitch) {
  storeAddress();
  writeSetting(temp.regKeys(), u"KeepButtonOnScreen", QStringLiteral(" 1"));
  open();
  const struct {
    const char* box;
    const char16_t* setting;
    const char* caption;
    bool onAtLoad;
  } cases[] = {
      {"Check1", u"ShowHitsWhileTyping", "Show hits while typing", false},
      {"Check2", u"KeepButtonOnScreen", "Keep the button on screen", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.box);
    auto* box = child<QCheckBox>(c.box);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QString::fromLatin1(c.caption));
    EXPECT_EQ(box->isChecked(), c.onAtLoad);
    // Inside the window, clear of every control of the design.
    EXPECT_TRUE(window->rect().contains(box->geometry()));
    for (QWidget* other : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (other == box || !other->isVisible() || qobject_cast<QCheckBox*>(other)) continue;
      EXPECT_FALSE(box->geometry().intersects(other->geometry())) << other->objectName().toStdString();
    }
    log.clear();
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
    EXPECT_EQ(box->isChecked(), !c.onAtLoad);
    EXPECT_EQ(stored(c.setting), c.onAtLoad ? QStringLiteral(" 0") : QStringLiteral(" 1"));
    EXPECT_EQ(writes().size(), 1);
  }
  // One under the other.
  EXPECT_LT(child<QCheckBox>("Check1")->geometry().bottom(), child<QCheckBox>("Check2")->geometry().top());
}

TEST_F(PreferencesWindowTest, ClickSelectsTheWholePrefixOrSuffix) {
  storeAddress();
  open();
  for (const char* name : {"TextSearchPrefix", "TextSearchSuffix"}) {
    auto* box = child<QLineEdit>(name);
    box->deselect();
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() / 2, box->height() / 2));
    EXPECT_EQ(box->selectedText(), box->text()) << name;
    EXPECT_EQ(box->selectionStart(), 0) << name;
  }
  // Other boxes place the caret as usual.
  auto* criteria = child<QLineEdit>("SearchCriteria");
  criteria->setText(QStringLiteral("some words"));
  QTest::mouseClick(criteria, Qt::LeftButton, {}, QPoint(criteria->width() - 5, criteria->height() / 2));
  EXPECT_TRUE(criteria->selectedText().isEmpty());
}

TEST_F(PreferencesWindowTest, SearchAndGoFetchTheRawPageAndNavigate) {
  storeAddress();
  open();
  const QString address = kPrefix + QStringLiteral("two words&x") + kSuffix;  // the query goes as typed
  pages[address] = QStringLiteral("<html>\n<a href=\"/ok?url=x\">hit</a>\n</html>");
  child<QLineEdit>("SearchCriteria")->setText(QStringLiteral("two words&x"));
  QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
  EXPECT_EQ(fetched, QStringList{address});
  EXPECT_EQ(child<QPlainTextEdit>("HTMLBox")->toPlainText(), pages[address]);
  EXPECT_EQ(browsers.last->navigations(), QStringList{address});
  EXPECT_EQ(child<QLineEdit>("AddressBar")->text(), address);

  // The address bar follows wherever the browser ends up.
  const QString landed = QStringLiteral("http://127.0.0.1:4664/elsewhere");
  browsers.last->arriveAt(landed);
  EXPECT_EQ(child<QLineEdit>("AddressBar")->text(), landed);

  // Go fetches what the address bar holds.
  pages[landed] = QStringLiteral("second page");
  QTest::mouseClick(child<QPushButton>("Command2"), Qt::LeftButton);
  EXPECT_EQ(fetched.last(), landed);
  EXPECT_EQ(child<QPlainTextEdit>("HTMLBox")->toPlainText(), QStringLiteral("second page"));
  EXPECT_EQ(browsers.last->navigations().last(), landed);

  // An empty answer leaves the box empty.
  const QString empty = QStringLiteral("http://127.0.0.1:4664/empty");
  pages[empty] = QString();
  child<QLineEdit>("AddressBar")->setText(empty);
  QTest::mouseClick(child<QPushButton>("Command2"), Qt::LeftButton);
  EXPECT_TRUE(child<QPlainTextEdit>("HTMLBox")->toPlainText().isEmpty());
}

TEST_F(PreferencesWindowTest, WithoutTheBrowserHelperTheBrowserAreaSaysSoAndTheRestWorks) {
  storeAddress();
  window = new Form_OrvantaPreferences(
      recordingKeys, peers, platform::missingBrowserFactory(QStringLiteral("The browser helper is not installed.")),
      [this](const QString& address) {
        fetched << address;
        return std::optional<QString>(QStringLiteral("page of ") + address);
      });
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  const auto* line = child<QLabel>("BrowserMissing");
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->text(), QStringLiteral("The browser helper is not installed."));
  EXPECT_TRUE(line->isVisible());
  // It fills the browser's place.
  EXPECT_EQ(line->parentWidget(), child<QWidget>("WebBrowser1"));
  EXPECT_EQ(line->size(), child<QWidget>("WebBrowser1")->size());

  // Search still fetches the page into the box; the address bar keeps what
  // was asked for, since no browser moves on from it.
  child<QLineEdit>("SearchCriteria")->setText(QStringLiteral("words"));
  QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
  const QString address = kPrefix + QStringLiteral("words") + kSuffix;
  EXPECT_EQ(fetched, QStringList{address});
  EXPECT_EQ(child<QPlainTextEdit>("HTMLBox")->toPlainText(), QStringLiteral("page of ") + address);
}

TEST_F(PreferencesWindowTest, FailedFetchSaysWhatFailedForWhichAddress) {
  storeAddress();
  open();
  const QString missing = QStringLiteral("http://127.0.0.1:1/nothing");
  child<QPlainTextEdit>("HTMLBox")->setPlainText(QStringLiteral("old page"));
  child<QLineEdit>("AddressBar")->setText(missing);
  QTest::mouseClick(child<QPushButton>("Command2"), Qt::LeftButton);
  const QString shown = child<QPlainTextEdit>("HTMLBox")->toPlainText();
  EXPECT_FALSE(shown.contains(u'\n'));
  EXPECT_TRUE(shown.contains(missing)) << shown.toStdString();
  EXPECT_TRUE(shown.contains(QStringLiteral("fetch"))) << shown.toStdString();
  EXPECT_EQ(browsers.last->navigations(), QStringList{missing});
  EXPECT_TRUE(window->isVisible());
}

TEST_F(PreferencesWindowTest, SniffUrlCutsTheFirstRedirectLink) {
  storeAddress();
  open();
  auto* html = child<QPlainTextEdit>("HTMLBox");
  auto* target = child<QLineEdit>("InitiateURL");
  const struct {
    const char* page;
    const char* result;  // nullptr: InitiateURL keeps its text
  } cases[] = {
      {"<a href=\"/ok?url=http%3A//x&s=CODE\">a</a> <a href=\"/ok?url=second\">", "/ok?url=http%3A//x&s=CODE"},
      {"<a href=\"http://localhost:4664/ok?url=abc\">", "/ok?url=abc"},
      {"/ok?url=\"", "/ok?url="},
      {"<a href=\"/search?q=x\">no link</a>", nullptr},
      {"<a href=\"/OK?URL=abc\">", nullptr},
      {"<a href=\"/ok?url=no closing quote", nullptr},
      {"", nullptr},
  };
  for (const auto& c : cases) {
    target->setText(QStringLiteral("before"));
    html->setPlainText(QString::fromUtf8(c.page));
    QTest::mouseClick(child<QPushButton>("Command3"), Qt::LeftButton);
    EXPECT_EQ(target->text(), c.result ? QString::fromUtf8(c.result) : QStringLiteral("before")) << c.page;
  }
}

}  // namespace
}  // namespace orvanta::settings
