// The windows' colours whatever the desktop does to them: under a dark
// desktop palette (as a dark GTK theme hands Qt, for the application and
// for each kind of control) the designs keep their own colours, text
// included; and the panel's pictures look the same while the panel is
// disabled (as it is while the preferences window is open).
#include "results_window/form1.h"

#include "fake_preferences.h"
#include "fake_preferences_peers.h"
#include "fake_program_windows.h"
#include "fake_window_system.h"
#include "gui_application.h"
#include "temp_registry.h"
#include "settings/preferences_window.h"
#include "settings/settings_table.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace orvanta {
namespace {

// A dark desktop theme's palette: light text on near-black.
QPalette darkPalette() {
  QPalette dark(QColor(238, 238, 236), QColor(53, 53, 53), QColor(80, 80, 80), QColor(30, 30, 30), QColor(45, 45, 45),
                QColor(238, 238, 236), QColor(36, 36, 36));
  dark.setColor(QPalette::ButtonText, QColor(238, 238, 236));
  dark.setColor(QPalette::Button, QColor(60, 60, 60));
  return dark;
}

// The number of pixels of `image` for which `test` holds.
int countPixels(const QImage& image, const std::function<bool(QColor)>& test) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += test(image.pixelColor(x, y));
  }
  return count;
}

bool isDark(QColor c) { return std::max({c.red(), c.green(), c.blue()}) < 100; }

class WindowColoursTest : public ::testing::Test {
 protected:
  WindowColoursTest() : preferences(&log), programWindows(&log), peers(log) {
    testing::guiApplication();
    const QPalette dark = darkPalette();
    QApplication::setPalette(dark);
    for (const char* kind : {"QLineEdit", "QPlainTextEdit", "QTextEdit", "QLabel", "QAbstractButton", "QPushButton"}) {
      QApplication::setPalette(dark, kind);
    }
  }

  ~WindowColoursTest() override { delete preferencesWindow.data(); }

  results_window::Form1& loadForm1() {
    settings::writeSetting(temp.regKeys(), u"SearchPrefix", QStringLiteral("http://127.0.0.1:4664/search?q="));
    settings::writeSetting(temp.regKeys(), u"SearchSuffix", QStringLiteral("&ie=UTF-8"));
    form1 = std::make_unique<results_window::Form1>(temp.regKeys(), windowSystem, preferences, programWindows);
    programWindows.form1 = form1.get();
    form1->Form_Load();
    return *form1;
  }

  settings::Form_OrvantaPreferences& openPreferences() {
    preferencesWindow = new settings::Form_OrvantaPreferences(temp.regKeys(), peers, {}, {});
    preferencesWindow->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(preferencesWindow));
    return *preferencesWindow;
  }

  testing::TempRegistry temp;
  testing::FakeWindowSystem windowSystem;
  QStringList log;
  testing::FakePreferences preferences;
  testing::FakeProgramWindows programWindows;
  testing::FakePreferencesPeers peers;
  std::unique_ptr<results_window::Form1> form1;
  QPointer<settings::Form_OrvantaPreferences> preferencesWindow;
};

TEST_F(WindowColoursTest, PreferencesControlsKeepTheDesignsColours) {
  settings::Form_OrvantaPreferences& window = openPreferences();
  const QColor black(0, 0, 0);
  const QColor white(255, 255, 255);
  const QColor face(240, 240, 240);
  EXPECT_EQ(window.palette().color(QPalette::Window), face);
  for (const QLineEdit* box : window.findChildren<QLineEdit*>()) {
    EXPECT_EQ(box->palette().color(QPalette::Base), white) << box->objectName().toStdString();
    EXPECT_EQ(box->palette().color(QPalette::Text), black) << box->objectName().toStdString();
  }
  for (const QPlainTextEdit* box : window.findChildren<QPlainTextEdit*>()) {
    EXPECT_EQ(box->palette().color(QPalette::Base), white) << box->objectName().toStdString();
    EXPECT_EQ(box->palette().color(QPalette::Text), black) << box->objectName().toStdString();
  }
  for (const QLabel* label : window.findChildren<QLabel*>()) {
    EXPECT_EQ(label->palette().color(QPalette::WindowText), black) << label->objectName().toStdString();
  }
  for (const QPushButton* button : window.findChildren<QPushButton*>()) {
    EXPECT_EQ(button->palette().color(QPalette::ButtonText), black) << button->objectName().toStdString();
    EXPECT_EQ(button->palette().color(QPalette::Button), face) << button->objectName().toStdString();
  }

  // As drawn: the warning banner is black text on yellow (nothing light
  // in it), the address boxes black text on white.
  const QImage banner = window.findChild<QLabel*>(QStringLiteral("Label8"))->grab().toImage();
  EXPECT_EQ(countPixels(banner, [](QColor c) { return c.blue() > 64; }), 0);
  EXPECT_GT(countPixels(banner, isDark), 0);
  auto* prefix = window.findChild<QLineEdit*>(QStringLiteral("TextSearchPrefix"));
  const QImage box = prefix->grab().toImage();
  EXPECT_EQ(box.pixelColor(box.width() - 4, box.height() / 2), white);
  EXPECT_GT(countPixels(box, isDark), 0);
  // The window's own face, left of the "Address:" caption's box.
  const QImage face_ = window.grab(QRect(2, 150, 10, 10)).toImage();
  EXPECT_EQ(face_.pixelColor(5, 5), face);
}

TEST_F(WindowColoursTest, SearchBoxIsBlackOnWhite) {
  results_window::Form1& form = loadForm1();
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QLineEdit* box = form.Text1();
  box->setText(QStringLiteral("report"));
  EXPECT_EQ(box->palette().color(QPalette::Text), QColor(0, 0, 0));
  EXPECT_EQ(box->palette().color(QPalette::Base), QColor(255, 255, 255));
  const QImage drawn = box->grab().toImage();
  EXPECT_EQ(drawn.pixelColor(drawn.width() - 4, drawn.height() / 2), QColor(255, 255, 255));
  EXPECT_GT(countPixels(drawn, isDark), 0);
}

TEST_F(WindowColoursTest, PanelPicturesLookTheSameWhileThePanelIsDisabled) {
  results_window::Form1& form = loadForm1();
  form.setHeight(4455);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  form.CloseButton()->show();
  const QWidget* pictures[] = {form.IconImg(0), form.CloseButton()};
  const QImage enabled = form.grab().toImage();
  form.setEnabled(false);
  const QImage disabled = form.grab().toImage();
  ASSERT_EQ(enabled.size(), disabled.size());
  for (const QWidget* picture : pictures) {
    ASSERT_NE(picture, nullptr);
    ASSERT_TRUE(picture->isVisible()) << picture->objectName().toStdString();
    const QRect area(picture->mapTo(&form, QPoint(0, 0)) * enabled.devicePixelRatio(),
                     picture->size() * enabled.devicePixelRatio());
    ASSERT_TRUE(enabled.rect().contains(area)) << picture->objectName().toStdString();
    const QImage before = enabled.copy(area);
    const QImage after = disabled.copy(area);
    // The picture is there (not one field of colour), and unchanged.
    EXPECT_GT(countPixels(before, [&](QColor c) { return c != before.pixelColor(0, 0); }), 0);
    EXPECT_EQ(countPixels(after, [&](QColor c) { return c.red() > 200 && c.green() < 80 && c.blue() > 200; }), 0)
        << picture->objectName().toStdString() << " turns magenta";
    EXPECT_TRUE(before == after) << picture->objectName().toStdString();
  }
}

}  // namespace
}  // namespace orvanta
