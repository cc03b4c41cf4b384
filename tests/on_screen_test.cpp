// Moving the panel's search strip and the button into reach, driven with
// screen rectangles: one screen, several screens side by side or offset,
// and positions stored for a layout that is gone.
#include "results_window/on_screen.h"

#include <gtest/gtest.h>

namespace orvanta::results_window {
namespace {

const QRect kSmall(0, 0, 1024, 768);
const QRect kWide(0, 0, 1280, 800);
// A second screen to the right of the wide one, lower by 200 pixels.
const QRect kRightLower(1280, 200, 1024, 768);
// A screen to the left of the wide one, at negative coordinates.
const QRect kLeft(-1024, 0, 1024, 768);

// The panel's search strip is 341 x 31 pixels at 96 dpi.
constexpr int kStripWidth = 341;
constexpr int kStripHeight = 31;

TEST(OnScreen, PanelStripEndsWhollyInsideTheScreenThatHoldsIt) {
  const struct {
    const char* what;
    QList<QRect> screens;
    QPoint stored;
    QPoint expected;
  } cases[] = {
      {"inside: used as stored", {kWide}, {400, 100}, {400, 100}},
      {"flush right: used as stored", {kWide}, {1280 - kStripWidth, 22}, {1280 - kStripWidth, 22}},
      {"from a wider screen: 4 pixels left in view", {kSmall}, {1020, 22}, {1024 - kStripWidth, 22}},
      {"left of the screen", {kSmall}, {-40, 22}, {0, 22}},
      {"above the screen", {kSmall}, {100, -20}, {100, 0}},
      {"below the screen", {kSmall}, {100, 760}, {100, 768 - kStripHeight}},
      {"far off every screen: the nearest takes it", {kWide}, {5000, 3000}, {1280 - kStripWidth, 800 - kStripHeight}},
      {"on the second screen: kept there", {kWide, kRightLower}, {1500, 300}, {1500, 300}},
      {"past the second screen's right edge", {kWide, kRightLower}, {2290, 300}, {2304 - kStripWidth, 300}},
      {"beside the second screen, above its top", {kWide, kRightLower}, {2000, 100}, {2304 - kStripWidth, 200}},
      {"across two screens: the one holding more", {kWide, kRightLower}, {1200, 300}, {1280, 300}},
      {"across two screens, more on the first", {kWide, kRightLower}, {1000, 300}, {1280 - kStripWidth, 300}},
      {"on a screen at negative coordinates", {kWide, kLeft}, {-1100, 50}, {-1024, 50}},
      {"a monitor unplugged: moved to the one left", {kWide}, {1500, 300}, {1280 - kStripWidth, 300}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(panelInReach(QRect(c.stored, QSize(kStripWidth, kStripHeight)), c.screens), c.expected) << c.what;
  }
}

TEST(OnScreen, ButtonGoesNoFurtherOutThanItsDefaultPlace) {
  // 46 x 22 pixels; at its default place its right edge passes the
  // screen's by 7 pixels (100 twips).
  const QSize button(46, 22);
  const struct {
    const char* what;
    QList<QRect> screens;
    QPoint stored;
    QPoint expected;
  } cases[] = {
      {"default place: kept", {kWide}, {1241, 0}, {1241, 0}},
      {"inside: kept", {kWide}, {600, 300}, {600, 300}},
      {"4 pixels in view on a narrower screen", {kSmall}, {1020, 0}, {1024 + 7 - 46, 0}},
      {"above the screen", {kWide}, {600, -9}, {600, 0}},
      {"left of the screen", {kWide}, {-30, 40}, {0, 40}},
      {"below the screen", {kSmall}, {100, 1000}, {100, 768 - 22}},
      {"at the right edge of the second screen", {kWide, kRightLower}, {2300, 250}, {2304 + 7 - 46, 250}},
      {"between two screens: the right one holds more", {kWide, kRightLower}, {1270, 300}, {1280, 300}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(buttonInReach(QRect(c.stored, button), c.screens, 7), c.expected) << c.what;
  }
}

TEST(OnScreen, TopBarsLeaveRoomForTheButtonAboveThePanel) {
  // Work areas: the wide screen under a top bar of 32 pixels, and a second
  // screen to its right with a bar of 27 pixels.
  const QRect underBar(0, 32, 1280, 768);
  const QRect secondUnderBar(1280, 27, 1280, 773);
  const struct {
    const char* what;
    QList<QRect> areas;
    QPoint stored;
    QPoint panel;
    QPoint button;  // the button stored 22 pixels above the panel
  } cases[] = {
      {"anchor of a screen without a bar", {underBar}, {939, 22}, {939, 54}, {1241, 32}},
      {"anchor just under the bar", {underBar}, {939, 35}, {939, 54}, {1241, 32}},
      {"anchor below the bar and the button", {underBar}, {939, 54}, {939, 54}, {1241, 32}},
      {"anchor further down: kept", {underBar}, {400, 300}, {400, 300}, {702, 278}},
      {"second screen's own bar", {underBar, secondUnderBar}, {2000, 22}, {2000, 49}, {2302, 27}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(panelInReach(QRect(c.stored, QSize(kStripWidth, kStripHeight)), c.areas, 22), c.panel) << c.what;
    const QRect button(c.stored + QPoint(kStripWidth + 7 - 46, -22), QSize(46, 22));
    EXPECT_EQ(buttonInReach(button, c.areas, 7), c.button) << c.what;
  }
}

TEST(OnScreen, ThePanelGoesWhollyOnTheScreenOfTheButton) {
  // Two monitors side by side; the button (46 x 22) above the panel's
  // right end.
  const QRect left(0, 0, 1280, 800);
  const QRect right(1280, 0, 1280, 800);
  const struct {
    const char* what;
    QPoint strip;
    QRect button;
    QPoint expected;
  } cases[] = {
      {"across the seam, more on the left; the button on the right", {1050, 100}, {1352, 78, 46, 22}, {1280, 100}},
      {"across the seam, more on the right; the button on the right", {1200, 100}, {1502, 78, 46, 22}, {1280, 100}},
      {"across the seam; the button on the left", {1000, 100}, {1232, 78, 46, 22}, {939, 100}},
      {"wholly on the button's screen: kept", {1500, 100}, {1802, 78, 46, 22}, {1500, 100}},
      {"no button given: the strip's own screen", {1050, 100}, {}, {939, 100}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(panelInReach(QRect(c.strip, QSize(kStripWidth, kStripHeight)), {left, right}, 22, c.button), c.expected)
        << c.what;
  }
}

TEST(OnScreen, ScreenHoldingAWindowAndNoScreenAtAll) {
  EXPECT_EQ(screenHolding(QRect(1250, 300, 100, 20), {kWide, kRightLower}), kRightLower);
  EXPECT_EQ(screenHolding(QRect(1200, 300, 100, 20), {kWide, kRightLower}), kWide);
  // Off both: the nearer one, however far.
  EXPECT_EQ(screenHolding(QRect(-5000, 0, 10, 10), {kWide, kLeft}), kLeft);
  EXPECT_EQ(screenHolding(QRect(2400, 5000, 10, 10), {kWide, kRightLower}), kRightLower);
  // Without screens nothing moves.
  EXPECT_EQ(panelInReach(QRect(5000, 5000, 341, 31), {}), QPoint(5000, 5000));
}

}  // namespace
}  // namespace orvanta::results_window
