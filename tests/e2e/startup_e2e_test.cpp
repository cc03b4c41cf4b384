// The built program on a virtual X display with a window manager: the
// button at the anchor, the panel dropping down with the caret in the
// search box, and the two ways the program ends.
#include "x11_session.h"

#include "gui_application.h"
#include "platform/file_registry.h"
#include "settings/reg_keys.h"
#include "settings/settings_table.h"
#include "wait_for.h"

#include <QTcpServer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace orvanta::testing {
namespace {

// The screen is 1280 px wide at 96 dpi: 19200 twips.
constexpr int kScreenWidth = 1280;

class StartupE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    guiApplication();
    ASSERT_TRUE(configHome.isValid());
    session = std::make_unique<X11Session>();
    ASSERT_TRUE(session->error().isEmpty()) << session->error().toStdString();
  }

  QProcess& startProgram(const QStringList& arguments = {}) {
    QProcessEnvironment environment = session->environment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome.path());
    return session->start(QStringLiteral(ORVANTA_BINARY), arguments, environment);
  }

  // Stores every setting, so the program starts without the preferences.
  void storeSettings() {
    platform::FileRegistry registry(configHome.path() + QStringLiteral("/orvanta/registry.reg"));
    settings::RegKeys regKeys(registry);
    settings::writeSetting(regKeys, u"SearchPrefix", QStringLiteral("http://127.0.0.1:4664/search&s=x?q="));
    settings::writeSetting(regKeys, u"SearchSuffix", QStringLiteral("&ie=UTF-8"));
    settings::writeSetting(regKeys, u"LeftPosition", QStringLiteral("6000"));
    settings::writeSetting(regKeys, u"TopPosition", QStringLiteral("1500"));
  }

  // The number of pixels that differ between two pictures of one size.
  static int differingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
      for (int x = 0; x < a.width(); ++x) count += a.pixel(x, y) != b.pixel(x, y);
    }
    return count;
  }

  bool waitForFocus(const QString& window) {
    return waitUntil([&] { return session->focusedWindow() == window; });
  }

  // Clicks the button and returns the panel's window once it shows.
  QString dropThePanel() {
    const auto button = session->waitForWindow(QStringLiteral("^Orvanta Button$"));
    if (!button) return {};
    const auto place = session->geometry(*button);
    if (!place || !session->clickAt(place->center())) return {};
    return session->waitForWindow(QStringLiteral("^Orvanta$")).value_or(QString());
  }

  // Types into the focused window and checks that the panel's search box
  // at `panelPlace` shows it.
  bool typingShowsInSearchBox(const QRect& panelPlace) {
    const QRect searchBox(panelPlace.x() + 140, panelPlace.y() + 7, 167, 17);
    const QString grabTool = QStringLiteral(ORVANTA_SCREEN_GRAB);
    // The empty search box, once its picture holds still (a blinking caret
    // aside).
    QImage before = session->grab(grabTool, searchBox);
    const bool still = waitUntil([&] {
      const QImage now = session->grab(grabTool, searchBox);
      const bool same = !now.isNull() && differingPixels(before, now) >= 0 && differingPixels(before, now) < 30;
      before = now;
      return same;
    });
    if (!still) return false;
    if (!session->xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"),
                           QStringLiteral("WWWWWW")})) {
      return false;
    }
    // More than a blinking caret could change.
    return waitUntil([&] { return differingPixels(before, session->grab(grabTool, searchBox)) > 100; }, 5000);
  }

  QTemporaryDir configHome;
  std::unique_ptr<X11Session> session;
};

TEST_F(StartupE2eTest, PanelDropsDownWithTheCaretAndAnotherApplicationEndsTheProgram) {
  QProcess& program = startProgram();

  // First run: the defaults put the panel flush right at top 330 twips,
  // the button above its right end, 100 twips past the screen's edge.
  const auto button = session->waitForWindow(QStringLiteral("^Orvanta Button$"));
  ASSERT_TRUE(button);
  const auto buttonPlace = session->geometry(*button);
  ASSERT_TRUE(buttonPlace);
  EXPECT_EQ(*buttonPlace, QRect(1241, 0, 46, 22));
  ASSERT_TRUE(session->waitForWindow(QStringLiteral("^Orvanta Preferences$")));

  ASSERT_TRUE(session->clickAt(buttonPlace->center()));
  const auto panel = session->waitForWindow(QStringLiteral("^Orvanta$"));
  ASSERT_TRUE(panel);
  const auto panelPlace = session->geometry(*panel);
  ASSERT_TRUE(panelPlace);
  // LeftPosition 19200 - 5115 = 14085 twips is 939 px; 330 twips are 22 px.
  EXPECT_EQ(*panelPlace, QRect((kScreenWidth * 15 - 5115) / 15, 22, 341, 31));
  // Both stay above normal windows.
  for (const QString& window : {*button, *panel}) {
    EXPECT_TRUE(waitUntil([&] {
      const auto state = session->run(QStringLiteral("xprop"), {QStringLiteral("-id"), window,
                                                                QStringLiteral("_NET_WM_STATE")});
      return state && state->contains(QStringLiteral("_NET_WM_STATE_ABOVE"));
    })) << window.toStdString();
  }

  // The focus timer puts the caret into the search box: what is typed
  // shows there.
  ASSERT_TRUE(waitForFocus(*panel));
  EXPECT_TRUE(typingShowsInSearchBox(*panelPlace));

  // Another application takes the activation: every window closes and the
  // program ends with status 0.
  QProcess& other = session->start(QStringLiteral("xmessage"), {QStringLiteral("-name"), QStringLiteral("other"),
                                                                QStringLiteral("other application")},
                                   session->environment());
  const auto otherWindow = session->waitForWindow(QStringLiteral("^other$"));
  ASSERT_TRUE(otherWindow);
  ASSERT_TRUE(session->xdotool({QStringLiteral("windowactivate"), *otherWindow}));
  EXPECT_EQ(X11Session::waitForExit(program), 0);
  other.kill();
}

TEST_F(StartupE2eTest, CloseButtonEndsTheProgram) {
  storeSettings();
  QProcess& program = startProgram();
  const QString panel = dropThePanel();
  ASSERT_FALSE(panel.isEmpty());
  const auto panelPlace = session->geometry(panel);
  ASSERT_TRUE(panelPlace);
  // The stored anchor: 6000 and 1500 twips are 400 and 100 px.
  EXPECT_EQ(panelPlace->topLeft(), QPoint(400, 100));

  // Enter shows the close button at the end of the search field.
  ASSERT_TRUE(waitForFocus(panel));
  ASSERT_TRUE(session->xdotool({QStringLiteral("type"), QStringLiteral("report")}));
  ASSERT_TRUE(session->xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
  // Until the Enter is handled the close button is hidden and a click
  // there lands on the label of the search field, which closes nothing.
  const QPoint closeButton = panelPlace->topLeft() + QPoint(316 + 7, 9 + 7);
  EXPECT_TRUE(waitUntil([&] {
    session->clickAt(closeButton);
    return program.waitForFinished(200);
  }));
  EXPECT_EQ(X11Session::waitForExit(program), 0);
}

TEST_F(StartupE2eTest, ShowPanelStartsWithThePanelDownAndTheCaretInTheSearchBox) {
  storeSettings();
  QProcess& program = startProgram({QStringLiteral("--show-panel")});
  const auto panel = session->waitForWindow(QStringLiteral("^Orvanta$"));
  ASSERT_TRUE(panel);
  const auto panelPlace = session->geometry(*panel);
  ASSERT_TRUE(panelPlace);
  EXPECT_EQ(panelPlace->topLeft(), QPoint(400, 100));
  ASSERT_TRUE(waitForFocus(*panel));
  EXPECT_TRUE(typingShowsInSearchBox(*panelPlace));
  EXPECT_FALSE(program.waitForFinished(200));
}

TEST_F(StartupE2eTest, ALaterStartHandsOverToTheRunningProgramWhichDropsItsPanel) {
  storeSettings();
  QProcess& program = startProgram();
  ASSERT_TRUE(session->waitForWindow(QStringLiteral("^Orvanta Button$")));
  // Only the button is up.
  EXPECT_FALSE(session->waitForWindow(QStringLiteral("^Orvanta$"), 500));

  QProcess& second = startProgram({QStringLiteral("--show-panel")});
  EXPECT_EQ(X11Session::waitForExit(second), 0);
  const auto panel = session->waitForWindow(QStringLiteral("^Orvanta$"));
  ASSERT_TRUE(panel);
  EXPECT_TRUE(waitForFocus(*panel));

  // A plain start while the panel is down hands over as well; the running
  // program goes on.
  QProcess& third = startProgram();
  EXPECT_EQ(X11Session::waitForExit(third), 0);
  EXPECT_FALSE(program.waitForFinished(200));
}

class StalledSearchE2eTest : public StartupE2eTest {
 protected:
  // The panel's place once a second search waits for a service that takes
  // the connection and never answers; the first search found nothing
  // listening and ended at once. Empty when a step failed.
  std::optional<QRect> startAStalledSearch() {
    const quint16 port = [] {
      QTcpServer probe;
      probe.listen(QHostAddress(QHostAddress::LocalHost), 0);
      return probe.serverPort();
    }();
    if (port == 0) return std::nullopt;
    storeSettings();
    {
      platform::FileRegistry registry(configHome.path() + QStringLiteral("/orvanta/registry.reg"));
      settings::RegKeys regKeys(registry);
      settings::writeSetting(regKeys, u"SearchPrefix", QStringLiteral("http://127.0.0.1:%1/search&s=x?q=").arg(port));
    }
    program = &startProgram();
    panel = dropThePanel();
    if (panel.isEmpty()) return std::nullopt;
    const auto panelPlace = session->geometry(panel);
    if (!panelPlace || !waitForFocus(panel)) return std::nullopt;

    // The first search: the panel drops its rows at once.
    if (!session->xdotool({QStringLiteral("type"), QStringLiteral("report")}) ||
        !session->xdotool({QStringLiteral("key"), QStringLiteral("Return")}) || !waitUntil([&] {
          const auto place = session->geometry(panel);
          return place && place->height() > panelPlace->height();
        })) {
      return std::nullopt;
    }
    // The second one waits.
    if (!stalled.listen(QHostAddress(QHostAddress::LocalHost), port) ||
        !session->xdotool({QStringLiteral("key"), QStringLiteral("Return")}) || !stalled.waitForNewConnection(10000)) {
      return std::nullopt;
    }
    return panelPlace;
  }

  QTcpServer stalled;
  QProcess* program = nullptr;
  QString panel;
};

TEST_F(StalledSearchE2eTest, WhileASearchWaitsTypingReachesTheBoxAndTheCloseButtonEndsTheProgram) {
  const std::optional<QRect> panelPlace = startAStalledSearch();
  ASSERT_TRUE(panelPlace);

  // What is typed during the wait shows in the box at once.
  const QRect searchBox(panelPlace->x() + 140, panelPlace->y() + 7, 167, 17);
  const QString grabTool = QStringLiteral(ORVANTA_SCREEN_GRAB);
  const QImage before = session->grab(grabTool, searchBox);
  ASSERT_FALSE(before.isNull());
  ASSERT_TRUE(session->xdotool({QStringLiteral("type"), QStringLiteral("WWWWWW")}));
  EXPECT_TRUE(waitUntil([&] { return differingPixels(before, session->grab(grabTool, searchBox)) > 100; }, 5000));

  // And the close button ends the program, well before the request's time
  // would run out.
  const QPoint closeButton = panelPlace->topLeft() + QPoint(316 + 7, 9 + 7);
  ASSERT_TRUE(session->clickAt(closeButton));
  EXPECT_EQ(X11Session::waitForExit(*program, 10000), 0);
}

TEST_F(StalledSearchE2eTest, WhileASearchWaitsAnotherApplicationEndsTheProgram) {
  ASSERT_TRUE(startAStalledSearch());
  QProcess& other = session->start(QStringLiteral("xmessage"), {QStringLiteral("-name"), QStringLiteral("other"),
                                                                QStringLiteral("other application")},
                                   session->environment());
  const auto otherWindow = session->waitForWindow(QStringLiteral("^other$"));
  ASSERT_TRUE(otherWindow);
  ASSERT_TRUE(session->xdotool({QStringLiteral("windowactivate"), *otherWindow}));
  EXPECT_EQ(X11Session::waitForExit(*program, 10000), 0);
  other.kill();
}

TEST_F(StartupE2eTest, WindowManagersCloseOfThePanelOrTheButtonEndsTheProgram) {
  storeSettings();
  {
    // Alt+F4 on the dropped panel runs CloseForm: nothing is left behind,
    // not a pressed and dead button.
    QProcess& program = startProgram();
    const QString panel = dropThePanel();
    ASSERT_FALSE(panel.isEmpty());
    ASSERT_TRUE(waitForFocus(panel));
    ASSERT_TRUE(session->xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("alt+F4")}));
    EXPECT_EQ(X11Session::waitForExit(program), 0);
  }
  {
    // Alt+F4 on the button ends the program.
    QProcess& program = startProgram();
    const auto button = session->waitForWindow(QStringLiteral("^Orvanta Button$"));
    ASSERT_TRUE(button);
    ASSERT_TRUE(session->xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), *button,
                                  QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("alt+F4")}));
    EXPECT_EQ(X11Session::waitForExit(program), 0);
  }
}

// A managed window of the window manager's "above" layer that takes no
// focus, made with the session's X server directly: it asks for the state
// before it maps.
class AboveWindow {
 public:
  AboveWindow(const QString& display, QRect place) {
    connection_ = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    if (xcb_connection_has_error(connection_)) return;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    window_ = xcb_generate_id(connection_);
    const uint32_t background = screen->black_pixel;
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, int16_t(place.x()),
                      int16_t(place.y()), uint16_t(place.width()), uint16_t(place.height()), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL, &background);
    const xcb_atom_t state = atom("_NET_WM_STATE");
    const xcb_atom_t above = atom("_NET_WM_STATE_ABOVE");
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, state, XCB_ATOM_ATOM, 32, 1, &above);
    // It takes no keyboard focus: another application taking the focus
    // would end the program.
    const uint32_t hints[9] = {1 /* input hint given */, 0 /* no input */};
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, 9,
                        hints);
    xcb_map_window(connection_, window_);
    xcb_flush(connection_);
  }
  ~AboveWindow() { xcb_disconnect(connection_); }

  QString id() const { return QString::number(window_); }

 private:
  xcb_atom_t atom(const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
  }

  xcb_connection_t* connection_ = nullptr;
  xcb_window_t window_ = XCB_NONE;
};

TEST_F(StartupE2eTest, ButtonComesBackOverAnotherTopmostWindow) {
  storeSettings();
  startProgram();
  const auto button = session->waitForWindow(QStringLiteral("^Orvanta Button$"));
  ASSERT_TRUE(button);
  const auto place = session->geometry(*button);
  ASSERT_TRUE(place);
  // The window manager's stack, bottom to top, as decimal window ids.
  auto stack = [&]() -> QStringList {
    const auto stacking =
        session->run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    QStringList ids;
    if (!stacking) return ids;
    for (const QString& word : stacking->section(QLatin1Char('#'), 1).split(QLatin1Char(','))) {
      bool ok = false;
      const qulonglong id = word.trimmed().toULongLong(&ok, 16);
      if (ok) ids << QString::number(id);
    }
    return ids;
  };
  ASSERT_TRUE(waitUntil([&] { return stack().value(stack().size() - 1) == *button; }));

  // Another topmost window maps over the button; the window manager puts
  // it on top of its layer, and the button's ticks bring the button back
  // over it.
  AboveWindow other(session->display(), place->adjusted(-20, -20, 20, 20));
  ASSERT_TRUE(waitUntil([&] { return stack().contains(other.id()); }, 5000));
  EXPECT_TRUE(waitUntil(
      [&] {
        const QStringList ids = stack();
        return ids.indexOf(*button) > ids.indexOf(other.id());
      },
      5000));
}

// Without a display the program says so in one line and ends with status
// 1, without aborting. Needs no X session.
TEST(StartupWithoutDisplay, OneLineNamingTheDisplayAndStatusOne) {
  guiApplication();
  QTemporaryDir configHome;
  ASSERT_TRUE(configHome.isValid());
  // A display number no server here answers on.
  int number = 4999;
  while (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number))) ++number;
  const QString display = QStringLiteral(":%1").arg(number);
  const struct {
    const char* what;
    std::optional<QString> displayVariable;
    std::optional<QString> platform;
    std::optional<QString> wayland;
    QString expected;
  } cases[] = {
      {"X display missing", display, std::nullopt, std::nullopt, QStringLiteral("\"%1\"").arg(display)},
      {"xcb asked for", display, QStringLiteral("xcb"), std::nullopt, QStringLiteral("\"%1\"").arg(display)},
      {"Wayland without XWayland", display, std::nullopt, QStringLiteral("orvanta-test-no-compositor"),
       QStringLiteral("XWayland")},
      {"DISPLAY not set", std::nullopt, std::nullopt, std::nullopt, QStringLiteral("DISPLAY is not set")},
  };
  for (const auto& c : cases) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY"}) environment.remove(QLatin1StringView(name));
    if (c.displayVariable) environment.insert(QStringLiteral("DISPLAY"), *c.displayVariable);
    if (c.platform) environment.insert(QStringLiteral("QT_QPA_PLATFORM"), *c.platform);
    if (c.wayland) environment.insert(QStringLiteral("WAYLAND_DISPLAY"), *c.wayland);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome.path());
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(ORVANTA_BINARY), {});
    ASSERT_TRUE(program.waitForFinished(30000)) << c.what;
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << c.what;
    EXPECT_EQ(program.exitCode(), 1) << c.what;
    const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
    EXPECT_EQ(errors.count(QLatin1Char('\n')), 1) << c.what << ": " << errors.toStdString();
    EXPECT_TRUE(errors.startsWith(QStringLiteral("orvanta: "))) << c.what << ": " << errors.toStdString();
    EXPECT_TRUE(errors.contains(c.expected)) << c.what << ": " << errors.toStdString();
    EXPECT_EQ(errors.contains(QStringLiteral("XWayland")), c.wayland.has_value()) << c.what;
    EXPECT_TRUE(program.readAllStandardOutput().isEmpty()) << c.what;
  }
}

}  // namespace
}  // namespace orvanta::testing
