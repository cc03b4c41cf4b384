// The built program on scaled screens of a virtual X display with a window
// manager: at 144 dpi (a scale factor of 1.5) the button's bottom edge
// meets the panel's top edge to the device pixel, and the preferences
// window, larger than the screen, stays reachable and closed untouched
// keeps the anchor set on a wider screen; at a scale factor of 2 the
// button and the panel show the artwork drawn at twice the size, pixel for
// pixel.
#include "x11_session.h"

#include "gui_application.h"
#include "artwork/artwork.h"
#include "platform/file_registry.h"
#include "settings/reg_keys.h"
#include "settings/settings_table.h"
#include "wait_for.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace orvanta::testing {
namespace {

class ScaledScreenE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    guiApplication();
    session = std::make_unique<X11Session>();
    ASSERT_TRUE(session->error().isEmpty()) << session->error().toStdString();
  }

  // Stores every setting with the anchor given, so the program starts
  // without the preferences.
  static void storeSettings(const QTemporaryDir& configHome, const QString& left, const QString& top) {
    platform::FileRegistry registry(configHome.path() + QStringLiteral("/orvanta/registry.reg"));
    settings::RegKeys regKeys(registry);
    settings::writeSetting(regKeys, u"SearchPrefix", QStringLiteral("http://127.0.0.1:4664/search&s=x?q="));
    settings::writeSetting(regKeys, u"SearchSuffix", QStringLiteral("&ie=UTF-8"));
    settings::writeSetting(regKeys, u"LeftPosition", left);
    settings::writeSetting(regKeys, u"TopPosition", top);
  }

  QProcess& startProgram(const QTemporaryDir& configHome, const QProcessEnvironment& base) {
    QProcessEnvironment environment = base;
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome.path());
    return session->start(QStringLiteral(ORVANTA_BINARY), {}, environment);
  }

  // The number of pixels that differ between two pictures of one size.
  static int differingPixels(const QImage& a, const QImage& b) {
    if (a.isNull() || a.size() != b.size()) return -1;
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
      for (int x = 0; x < a.width(); ++x) count += a.pixel(x, y) != b.pixel(x, y);
    }
    return count;
  }

  struct Places {
    QRect button;
    QRect panel;
  };

  // Clicks the button once it shows, and returns where the button and the
  // dropped panel stand (device pixels).
  std::optional<Places> dropThePanel() {
    const auto button = session->waitForWindow(QStringLiteral("^Orvanta Button$"));
    if (!button) return std::nullopt;
    const auto buttonPlace = session->geometry(*button);
    if (!buttonPlace || !session->clickAt(buttonPlace->center())) return std::nullopt;
    const auto panel = session->waitForWindow(QStringLiteral("^Orvanta$"));
    if (!panel) return std::nullopt;
    const auto panelPlace = session->geometry(*panel);
    if (!panelPlace) return std::nullopt;
    return Places{*session->geometry(*button), *panelPlace};
  }

  std::unique_ptr<X11Session> session;
};

TEST_F(ScaledScreenE2eTest, AtOneHundredFortyFourDpiTheButtonMeetsThePanel) {
  // The desktop's font resolution, as a desktop's settings store it: Qt
  // scales every window of the program by 1.5.
  ASSERT_TRUE(session->run(QStringLiteral("xprop"),
                           {QStringLiteral("-root"), QStringLiteral("-f"), QStringLiteral("RESOURCE_MANAGER"),
                            QStringLiteral("8s"), QStringLiteral("-set"), QStringLiteral("RESOURCE_MANAGER"),
                            QStringLiteral("Xft.dpi:\t144\n")}));
  const struct {
    const char* left;
    const char* top;
  } anchors[] = {{"3000", "330"}, {"3000", "1500"}, {"4005", "345"}, {"2010", "2085"}};
  for (const auto& anchor : anchors) {
    SCOPED_TRACE(std::string(anchor.left) + ", " + anchor.top);
    QTemporaryDir configHome;
    ASSERT_TRUE(configHome.isValid());
    storeSettings(configHome, QString::fromLatin1(anchor.left), QString::fromLatin1(anchor.top));
    QProcess& program = startProgram(configHome, session->environment());
    const auto places = dropThePanel();
    ASSERT_TRUE(places);
    // 46 x 22 pixels are 69 x 33 device pixels; the panel is 341 pixels
    // (511.5) wide and 470 twips (31 pixels, 46.5) high.
    EXPECT_EQ(places->button.size(), QSize(69, 33));
    EXPECT_EQ(places->panel.size(), QSize(512, 47));
    EXPECT_EQ(places->button.y() + places->button.height(), places->panel.y());
    // Its right end 100 twips (10 device pixels) past the panel's.
    EXPECT_NEAR(places->button.right(), places->panel.right() + 10, 1);
    program.kill();
    EXPECT_TRUE(program.waitForFinished(5000));
  }
}

TEST_F(ScaledScreenE2eTest, AtOneHundredFortyFourDpiThePreferencesStayReachableAndKeepTheAnchor) {
  ASSERT_TRUE(session->run(QStringLiteral("xprop"),
                           {QStringLiteral("-root"), QStringLiteral("-f"), QStringLiteral("RESOURCE_MANAGER"),
                            QStringLiteral("8s"), QStringLiteral("-set"), QStringLiteral("RESOURCE_MANAGER"),
                            QStringLiteral("Xft.dpi:\t144\n")}));
  // Settings made at 96 dpi on a 1920-pixel screen (the panel at its right
  // edge), but no search address: the preferences window opens at the start.
  QTemporaryDir configHome;
  ASSERT_TRUE(configHome.isValid());
  const QString registryFile = configHome.path() + QStringLiteral("/orvanta/registry.reg");
  {
    platform::FileRegistry registry(registryFile);
    settings::RegKeys regKeys(registry);
    settings::writeSetting(regKeys, u"LeftPosition", QStringLiteral("23685"));
    settings::writeSetting(regKeys, u"TopPosition", QStringLiteral("345"));
    settings::writeSetting(regKeys, u"MaxSearchResults", QStringLiteral("12"));
  }
  QProcess& program = startProgram(configHome, session->environment());
  const auto window = session->waitForWindow(QStringLiteral("^Orvanta Preferences$"), 30000);
  ASSERT_TRUE(window);

  // 665 x 590 pixels are 998 x 885 device pixels, more than the screen's
  // 800: the window stands with its title bar at the screen's top, wholly
  // within its width.
  std::optional<QRect> place;
  int titleBar = -1;
  ASSERT_TRUE(waitUntil([&] {
    place = session->geometry(*window);
    const auto extents = session->run(QStringLiteral("xprop"),
                                      {QStringLiteral("-id"), *window, QStringLiteral("_NET_FRAME_EXTENTS")});
    const QStringList parts = extents ? extents->section(QLatin1Char('='), 1).split(QLatin1Char(',')) : QStringList();
    titleBar = parts.size() == 4 ? parts[2].trimmed().toInt() : -1;
    return place && place->size() == QSize(998, 885) && titleBar > 0;
  })) << (place ? place->x() : -1) << ", " << (place ? place->y() : -1) << ", title bar " << titleBar;
  EXPECT_GE(place->x(), 0);
  EXPECT_LE(place->x() + place->width(), 1280);
  EXPECT_TRUE(waitUntil([&] {
    place = session->geometry(*window);
    return place && place->y() - titleBar >= 0 && place->y() - titleBar < 40;
  })) << "frame top at " << (place ? place->y() - titleBar : -1);

  // Closed untouched (the window manager's close, Alt+F4, as the title
  // bar's close button), it leaves every setting as it was.
  EXPECT_TRUE(waitUntil([&] {
    const auto found = session->xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                         QStringLiteral("--name"), QStringLiteral("^Orvanta Preferences$")});
    if (!found || found->isEmpty()) return true;
    session->xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), *window, QStringLiteral("key"),
                      QStringLiteral("--clearmodifiers"), QStringLiteral("alt+F4")});
    return false;
  }));
  platform::FileRegistry registry(registryFile);
  settings::RegKeys regKeys(registry);
  EXPECT_EQ(settings::readSetting(regKeys, u"LeftPosition"), QStringLiteral("23685"));
  EXPECT_EQ(settings::readSetting(regKeys, u"TopPosition"), QStringLiteral("345"));
  EXPECT_EQ(settings::readSetting(regKeys, u"MaxSearchResults"), QStringLiteral("12"));
  program.kill();
  EXPECT_TRUE(program.waitForFinished(5000));
}

TEST_F(ScaledScreenE2eTest, AtAScaleFactorOfTwoTheArtworkShowsAtTwiceTheSize) {
  QTemporaryDir configHome;
  ASSERT_TRUE(configHome.isValid());
  storeSettings(configHome, QStringLiteral("3000"), QStringLiteral("1500"));
  QProcessEnvironment environment = session->environment();
  environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
  startProgram(configHome, environment);
  const QString grabTool = QStringLiteral(ORVANTA_SCREEN_GRAB);

  // The idle button before the click, pixel for pixel the larger picture
  // as the resources hold it.
  const auto button = session->waitForWindow(QStringLiteral("^Orvanta Button$"));
  ASSERT_TRUE(button);
  const auto buttonPlace = session->geometry(*button);
  ASSERT_TRUE(buttonPlace);
  ASSERT_EQ(buttonPlace->size(), QSize(92, 44));
  const QImage idle = QImage(artwork::doubleSizeName(artwork::kMenuButtonIdle));
  EXPECT_TRUE(waitUntil([&] { return differingPixels(session->grab(grabTool, *buttonPlace), idle) == 0; }))
      << differingPixels(session->grab(grabTool, *buttonPlace), idle) << " pixels differ";

  ASSERT_TRUE(session->clickAt(buttonPlace->center()));
  const QImage pressed = QImage(artwork::doubleSizeName(artwork::kMenuButtonPressed));
  EXPECT_TRUE(waitUntil([&] { return differingPixels(session->grab(grabTool, *buttonPlace), pressed) == 0; }))
      << differingPixels(session->grab(grabTool, *buttonPlace), pressed) << " pixels differ";

  // The panel's header left of the search field, where no control lies.
  const auto panel = session->waitForWindow(QStringLiteral("^Orvanta$"));
  ASSERT_TRUE(panel);
  const auto panelPlace = session->geometry(*panel);
  ASSERT_TRUE(panelPlace);
  EXPECT_EQ(panelPlace->y(), buttonPlace->y() + buttonPlace->height());
  const QRect header(0, 0, 240, 60);
  const QImage background = QImage(artwork::doubleSizeName(artwork::kForm1Background)).copy(header);
  EXPECT_TRUE(waitUntil([&] {
    return differingPixels(session->grab(grabTool, header.translated(panelPlace->topLeft())), background) == 0;
  })) << differingPixels(session->grab(grabTool, header.translated(panelPlace->topLeft())), background)
      << " pixels differ";
}

}  // namespace
}  // namespace orvanta::testing
