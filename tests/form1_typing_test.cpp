// The search box beyond Enter, without a display: the last searches
// brought back with Up and Down.
#include "results_window/form1.h"

#include "fake_preferences.h"
#include "fake_program_windows.h"
#include "fake_window_system.h"
#include "gui_application.h"
#include "temp_registry.h"
#include "settings/search_history.h"

#include <QKeyEvent>

#include <gtest/gtest.h>

namespace orvanta::results_window {
namespace {

class Form1TypingTest : public ::testing::Test {
 protected:
  Form1TypingTest() : windows(&log) { testing::guiApplication(); }

  Form1& load() {
    form = std::make_unique<Form1>(temp.regKeys(), windowSystem, preferences, windows);
    windows.form1 = form.get();
    form->Form_Load();
    return *form;
  }
  void pressKey(int key, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(form->Text1(), &press);
  }
  void type(const QString& text) {
    for (QChar c : text) pressKey(c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - 'A') : Qt::Key_Space, c);
  }

  testing::TempRegistry temp;
  testing::FakeWindowSystem windowSystem;
  QStringList log;
  testing::FakePreferences preferences;
  testing::FakeProgramWindows windows;
  std::unique_ptr<Form1> form;
};

TEST_F(Form1TypingTest, UpInAnEmptyBoxGoesBackThroughTheLastSearchesAndDownForwardToAnEmptyBox) {
  for (const char* words : {"oldest", "middle", "newest"}) rememberSearch(temp.regKeys(), QString::fromLatin1(words));
  Form1& f = load();
  QLineEdit* box = f.Text1();
  const struct {
    int key;
    const char* text;
  } steps[] = {
      {Qt::Key_Up, "newest"},   {Qt::Key_Up, "middle"},
      {Qt::Key_Up, "oldest"},   {Qt::Key_Up, "oldest"},  // the oldest stays
      {Qt::Key_Down, "middle"}, {Qt::Key_Down, "newest"},
      {Qt::Key_Down, ""},       {Qt::Key_Down, ""},  // past the newest: the box stays empty
      {Qt::Key_Up, "newest"},
  };
  for (const auto& step : steps) {
    pressKey(step.key);
    EXPECT_EQ(box->text(), QString::fromLatin1(step.text)) << (step.key == Qt::Key_Up ? "Up" : "Down");
  }
  // Words the user changed are their own: Up leaves them.
  pressKey(Qt::Key_S, QStringLiteral("s"));
  EXPECT_EQ(box->text(), QStringLiteral("newests"));
  pressKey(Qt::Key_Up);
  EXPECT_EQ(box->text(), QStringLiteral("newests"));
}

TEST_F(Form1TypingTest, EnterKeepsTheWordsForTheNextRun) {
  Form1& f = load();
  QStringList searched;
  f.setSearchCallback([&](const QString& text) {
    searched << text;
    return true;
  });
  type(QStringLiteral("tax report"));
  pressKey(Qt::Key_Return, QStringLiteral("\r"));
  ASSERT_EQ(searched, QStringList{QStringLiteral("tax report")});
  EXPECT_EQ(settings::readSearchHistory(temp.regKeys()), QStringList{QStringLiteral("tax report")});

  // A later run brings them back.
  form.reset();
  windows.form1 = nullptr;
  Form1& next = load();
  pressKey(Qt::Key_Up);
  EXPECT_EQ(next.Text1()->text(), QStringLiteral("tax report"));
}

}  // namespace
}  // namespace orvanta::results_window
