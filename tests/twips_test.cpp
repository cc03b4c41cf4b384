// Twips to pixels and back at several screen resolutions.
#include "platform/twips.h"

#include <gtest/gtest.h>

namespace orvanta::platform {
namespace {

TEST(TwipsScale, ConvertsAtTheScreensResolution) {
  const struct {
    double dpi;
    double twipsPerPixel;
    int twips;
    int pixels;
  } cases[] = {
      {96, 15, 9975, 665},  {96, 15, 8850, 590}, {96, 15, 7, 0},       {96, 15, 8, 1},
      {96, 15, -60, -4},    {120, 12, 5115, 426}, {144, 10, 5115, 512}, {192, 7.5, 690, 92},
      {0, 15, 330, 22},  // no resolution known: 96 dpi
  };
  for (const auto& c : cases) {
    const TwipsScale scale(c.dpi);
    EXPECT_DOUBLE_EQ(scale.twipsPerPixel(), c.twipsPerPixel) << c.dpi;
    EXPECT_EQ(scale.toPixels(c.twips), c.pixels) << c.dpi << " dpi, " << c.twips << " twips";
  }
  EXPECT_DOUBLE_EQ(TwipsScale(96).toTwips(341), 5115);
  EXPECT_EQ(TwipsScale(96).toPixels(QRect(2160, 2205, 9975, 8850)), QRect(144, 147, 665, 590));
}

}  // namespace
}  // namespace orvanta::platform
