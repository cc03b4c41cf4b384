// The windows on a scaled screen, without a display: the sizes the program
// gives its top-level windows are their only sizes (so that no window
// manager rounds them), the button's bottom edge lies on the panel's top
// edge, and the pictures are the ones drawn for the screen's device pixel
// ratio. The suite runs at a scale factor of 1 and again at 1.5.
#include "desktop/windows.h"

#include "fake_preferences.h"
#include "fake_window_system.h"
#include "gui_application.h"
#include "temp_registry.h"
#include "artwork/artwork.h"
#include "platform/twips.h"
#include "settings/settings_table.h"

#include <QTest>

#include <functional>

#include <gtest/gtest.h>

namespace orvanta::desktop {
namespace {

class WindowScalingTest : public ::testing::Test {
 protected:
  WindowScalingTest() : preferences(&log) { testing::guiApplication(); }

  Windows& start() {
    windows = std::make_unique<Windows>(temp.regKeys(), windowSystem, preferences);
    windows->menuButton().show();
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

TEST_F(WindowScalingTest, EveryWindowKeepsTheSizeItIsGiven) {
  store("SearchPrefix", "p");
  store("SearchSuffix", "s");
  Windows& w = start();
  const struct {
    const char* step;
    std::function<void()> act;
    std::function<QWidget&()> window;
    QSize twips;
  } steps[] = {
      {"button shown", [] {}, [&]() -> QWidget& { return w.menuButton(); }, {690, 330}},
      {"panel loaded", [] {}, [&]() -> QWidget& { return w.form1(); }, {5115, 470}},
      {"panel dropped", [&] { QTest::mouseClick(&w.menuButton(), Qt::LeftButton, {}, QPoint(10, 10)); },
       [&]() -> QWidget& { return w.form1(); }, {5115, 470}},
      {"panel grown", [&] { w.form1().setHeight(4455); }, [&]() -> QWidget& { return w.form1(); }, {5115, 4455}},
      {"panel shrunk", [&] { w.form1().setHeight(1005); }, [&]() -> QWidget& { return w.form1(); }, {5115, 1005}},
      {"backdrop moved", [&] { w.borderBackground().Move(1000, 2000, 5235, 1125); },
       [&]() -> QWidget& { return w.borderBackground(); }, {5235, 1125}},
      {"backdrop moved again", [&] { w.borderBackground().Move(1015, 2015, 5235, 4575); },
       [&]() -> QWidget& { return w.borderBackground(); }, {5235, 4575}},
  };
  for (const auto& s : steps) {
    s.act();
    const QWidget& window = s.window();
    const QSize pixels(platform::twipsToPixelsX(s.twips.width()), platform::twipsToPixelsY(s.twips.height()));
    EXPECT_EQ(window.size(), pixels) << s.step;
    EXPECT_EQ(window.minimumSize(), pixels) << s.step;
    EXPECT_EQ(window.maximumSize(), pixels) << s.step;
    // The base of a window manager's size steps.
    EXPECT_EQ(window.baseSize(), pixels) << s.step;
  }
}

TEST_F(WindowScalingTest, ButtonBottomLiesOnThePanelTop) {
  const struct {
    const char* left;
    const char* top;
  } anchors[] = {{"3000", "330"}, {"3000", "1500"}, {"4005", "345"}, {"2010", "2085"}, {"1234.5", "945.5"}};
  for (const auto& anchor : anchors) {
    store("SearchPrefix", "p");
    store("SearchSuffix", "s");
    store("LeftPosition", anchor.left);
    store("TopPosition", anchor.top);
    Windows& w = start();
    QTest::mouseClick(&w.menuButton(), Qt::LeftButton, {}, QPoint(10, 10));
    const QRect button = w.menuButton().geometry();
    const QRect panel = w.form1().geometry();
    EXPECT_EQ(button.bottom() + 1, panel.top()) << anchor.left << ", " << anchor.top;
    windows.reset();
  }
}

TEST_F(WindowScalingTest, PicturesAreTheOnesForTheScreen) {
  Windows& w = start();
  // Qt's own rule for "@2x" files: any ratio above 1 takes them.
  const qreal ratio = qApp->devicePixelRatio() > 1.0 ? 2.0 : 1.0;
  const struct {
    const char* name;
    QPixmap picture;
    QSize size;
  } cases[] = {
      {"pressed button", w.menuButton().Image1()->pixmap(), {46, 22}},
      {"close button", w.form1().CloseButton()->pixmap(), {14, 14}},
      {"audio icon", w.form1().IconsAudio()->pixmap(), {16, 16}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.picture.devicePixelRatio(), ratio) << c.name;
    EXPECT_EQ(c.picture.deviceIndependentSize(), QSizeF(c.size)) << c.name;
  }
  EXPECT_EQ(w.menuButton().Image1()->pixmap().toImage(),
            artwork::picture(artwork::kMenuButtonPressed, ratio).toImage());
}

}  // namespace
}  // namespace orvanta::desktop
