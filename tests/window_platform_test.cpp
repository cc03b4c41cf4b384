// Twips and pixels through the screen's logical dpi, and the stand-ins for
// the design fonts that the system lacks.
#include "platform/fonts.h"
#include "platform/twips.h"

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
