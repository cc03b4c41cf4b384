// The search box's held keys: which keys wait, the order they are handed
// on in, a handed-on key that lets events run again, and a stop halfway.
#include "results_window/held_keys.h"

#include "gui_application.h"

#include <QObject>

#include <gtest/gtest.h>

#include <functional>

namespace orvanta::results_window {
namespace {

QKeyEvent press(Qt::Key key, const QString& text) {
  // Keys are handed on through the application.
  testing::guiApplication();
  return QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text);
}

// Records the text of every key it receives; `onKey` runs for each.
class KeyRecorder : public QObject {
 public:
  QString typed;
  std::function<void(const QKeyEvent&)> onKey;

 protected:
  bool event(QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return QObject::event(event);
    const auto& key = static_cast<const QKeyEvent&>(*event);
    typed += key.text();
    if (onKey) onKey(key);
    return true;
  }
};

TEST(HeldKeys, AKeyWaitsOnlyWhileAnotherLetsEventsRunOrKeysStillWait) {
  HeldKeys held;
  const QKeyEvent a = press(Qt::Key_A, QStringLiteral("a"));
  EXPECT_FALSE(held.mustWait(a));
  held.beginYield();
  EXPECT_TRUE(held.mustWait(a));
  held.hold(a);
  held.endYield();
  // The yield is over, but a key that came now would overtake the held one.
  EXPECT_FALSE(held.isEmpty());
  EXPECT_TRUE(held.mustWait(press(Qt::Key_B, QStringLiteral("b"))));
  KeyRecorder box;
  held.deliver(&box, [] { return false; });
  EXPECT_TRUE(held.isEmpty());
  EXPECT_FALSE(held.mustWait(a));
}

TEST(HeldKeys, HeldKeysReachTheBoxInTheOrderTheyCame) {
  HeldKeys held;
  held.beginYield();
  for (const char* text : {"o", "r", "v"}) held.hold(press(Qt::Key_A, QString::fromLatin1(text)));
  KeyRecorder box;
  // Nothing is handed on while a key still lets events run.
  held.deliver(&box, [] { return false; });
  EXPECT_EQ(box.typed, QString());
  held.endYield();
  held.deliver(&box, [] { return false; });
  EXPECT_EQ(box.typed, QStringLiteral("orv"));
}

TEST(HeldKeys, AHandedOnKeyIsTakenAtOnceAndKeysItHoldsComeLast) {
  HeldKeys held;
  held.beginYield();
  held.hold(press(Qt::Key_A, QStringLiteral("a")));
  held.hold(press(Qt::Key_B, QStringLiteral("b")));
  held.endYield();
  KeyRecorder box;
  bool handedOnWaited = true;
  // The box handles "a" as the window does a typed key: it lets events
  // run, and a key arriving meanwhile is held.
  box.onKey = [&](const QKeyEvent& key) {
    if (key.text() != QStringLiteral("a")) return;
    handedOnWaited = held.mustWait(key);
    held.beginYield();
    const QKeyEvent c = press(Qt::Key_C, QStringLiteral("c"));
    if (held.mustWait(c)) held.hold(c);
    held.endYield();
  };
  held.deliver(&box, [] { return false; });
  EXPECT_FALSE(handedOnWaited);
  EXPECT_EQ(box.typed, QStringLiteral("abc"));
  EXPECT_TRUE(held.isEmpty());
}

TEST(HeldKeys, AStopLeavesTheRestHeld) {
  HeldKeys held;
  held.beginYield();
  held.hold(press(Qt::Key_A, QStringLiteral("a")));
  held.hold(press(Qt::Key_B, QStringLiteral("b")));
  held.endYield();
  KeyRecorder box;
  held.deliver(&box, [&] { return !box.typed.isEmpty(); });
  EXPECT_EQ(box.typed, QStringLiteral("a"));
  EXPECT_FALSE(held.isEmpty());
}

}  // namespace
}  // namespace orvanta::results_window
