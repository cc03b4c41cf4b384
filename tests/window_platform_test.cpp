// Twips and pixels through the screen's logical dpi, the stand-ins for
// the design fonts that the system lacks, and windows kept within a work
// area.
#include "platform/fonts.h"
#include "platform/twips.h"
#include "platform/window_geometry.h"

#include "gui_application.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QScreen>

#include <gtest/gtest.h>

namespace orvanta::platform {
namespace {

TEST(Twips, FifteenTwipsAPixelAt96Dpi) {
  testing::guiApplication();
  if (logicalDpiX() != 96 || logicalDpiY() != 96) GTEST_SKIP() << "the screen is not at 96 dpi";
  const struct {
    double twips;
    int pixels;
  } cases[] = {{0, 0}, {15, 1}, {5115, 341}, {470, 31}, {-130, -9}, {11160, 744}, {7, 0}, {8, 1}};
  for (const auto& c : cases) {
    EXPECT_EQ(twipsToPixelsX(c.twips), c.pixels) << c.twips;
    EXPECT_EQ(twipsToPixelsY(c.twips), c.pixels) << c.twips;
  }
  EXPECT_EQ(pixelsToTwipsX(341), 5115);
  EXPECT_EQ(pixelsToTwipsY(-9), -135);
  EXPECT_EQ(twipsToPixels(2100, 105, 2505, 255), QRect(140, 7, 167, 17));
  EXPECT_EQ(screenWidthTwips(), QGuiApplication::primaryScreen()->geometry().width() * 15);
}

TEST(WindowGeometry, WindowsAreMovedIntoTheWorkAreaAsLittleAsNeeded) {
  // A work area below a 27-pixel top panel of a 1280 x 800 screen.
  const QRect area(0, 27, 1280, 773);
  const struct {
    QRect frame;
    QPoint place;
  } cases[] = {
      {{144, 147, 665, 620}, {144, 147}},    // fits where it is
      {{144, 300, 665, 620}, {144, 180}},    // bottom edge up to the area's
      {{900, 100, 665, 620}, {615, 100}},    // right edge in
      {{-50, 0, 665, 620}, {0, 27}},         // left and top edges in
      {{144, 147, 998, 915}, {144, 27}},     // taller than the area: title bar at its top
      {{500, 500, 1400, 900}, {0, 27}},      // larger both ways: top left corner at the area's
      {{1280, 800, 100, 100}, {1180, 700}},  // wholly outside
  };
  for (const auto& c : cases) {
    EXPECT_EQ(placeWithin(c.frame, area), c.place) << c.frame.x() << ", " << c.frame.y();
  }
  // Without a work area the window stays.
  EXPECT_EQ(placeWithin(QRect(5000, 5000, 10, 10), QRect()), QPoint(5000, 5000));
}

TEST(Fonts, MissingDesignFontsFallBackAtTheirPointSizes) {
  testing::guiApplication();
  installFontSubstitutions();
  const QStringList families = QFontDatabase::families();
  for (const char* name : {"Lucida Grande", "MACGrande", "Small Fonts"}) {
    const QString family = QString::fromLatin1(name);
    const QFont font = designFont(family, 6.75, true);
    EXPECT_EQ(font.family(), family);
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 6.75);
    EXPECT_EQ(font.weight(), QFont::Bold);
    const QStringList substitutes = QFont::substitutes(family);
    EXPECT_TRUE(substitutes.contains(QStringLiteral("DejaVu Sans"), Qt::CaseInsensitive)) << name;
    // On a system without the font, what is drawn is a sans-serif stand-in.
    if (!families.contains(family) && families.contains(QStringLiteral("DejaVu Sans"))) {
      EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("DejaVu Sans")) << name;
    }
  }
}

}  // namespace
}  // namespace orvanta::platform
