// The built program's preferences window on a virtual X display, against
// the bundled local search service: on a first run the window opens, Search
// fetches the result page into the raw box and the browser, and Sniff URL
// cuts the service's redirect link out of that page.
#include "x11_session.h"

#include "gui_application.h"
#include "platform/file_registry.h"
#include "settings/reg_keys.h"
#include "settings/settings_table.h"
#include "wait_for.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace orvanta::testing {
namespace {

// The centre of a control of the preferences window, inside the window,
// from its design place in twips (15 to a pixel).
QPoint controlCentre(int left, int top, int width, int height) {
  return QPoint((left + width / 2) / 15, (top + height / 2) / 15);
}

class PreferencesE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    guiApplication();
    ASSERT_TRUE(folder.isValid() && configHome.isValid());
    const QString root = folder.path() + QStringLiteral("/files");
    ASSERT_TRUE(QDir().mkpath(root));
    QFile file(root + QStringLiteral("/report.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    session = std::make_unique<X11Session>();
    ASSERT_TRUE(session->error().isEmpty()) << session->error().toStdString();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome.path());
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), configHome.path() + QStringLiteral("/cache"));  // its index
    service.setProcessEnvironment(environment);
    service.setProcessChannelMode(QProcess::SeparateChannels);
    service.start(QStringLiteral(ORVANTA_SERVICE_BINARY),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--root"), root});
    ASSERT_TRUE(service.waitForStarted());
    static const QRegularExpression listening(QStringLiteral("listening on port (\\d+)"));
    ASSERT_TRUE(waitUntil(
        [&] {
          readServiceLog();
          return listening.match(serviceLog).hasMatch() && serviceLog.contains(QStringLiteral("indexed"));
        },
        20000))
        << serviceLog.toStdString();
    port = listening.match(serviceLog).captured(1);
  }

  void TearDown() override {
    service.kill();
    service.waitForFinished();
  }

  void readServiceLog() {
    service.waitForReadyRead(0);
    serviceLog += QString::fromUtf8(service.readAllStandardError());
  }

  // How often the service was asked for `target`.
  int requestsFor(const QString& target) {
    readServiceLog();
    static const QRegularExpression line(QStringLiteral("^\\S+ GET (\\S+) \\d+$"), QRegularExpression::MultilineOption);
    int count = 0;
    for (auto it = line.globalMatch(serviceLog); it.hasNext();) count += it.next().captured(1) == target;
    return count;
  }

  QString securityCode() {
    platform::FileRegistry registry(configHome.path() + QStringLiteral("/orvanta/registry.reg"));
    const settings::RegKeys regKeys(registry);
    return regKeys.ReadRegValue(settings::RegRoot::LocalMachine, settings::kServiceKey,
                                settings::kServiceSecurityCode);
  }

  // The preferences window, looked up again before every click.
  std::optional<QString> preferencesWindow() {
    return session->waitForWindow(QStringLiteral("^Orvanta Preferences$"), 30000);
  }

  // Clicks a point of the preferences window, relative to its inside (the
  // window manager's frame aside).
  bool click(QPoint point) {
    return waitUntil(
        [&] {
          const auto window = preferencesWindow();
          return window && session
                               ->xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), *window,
                                          QString::number(point.x()), QString::number(point.y()),
                                          QStringLiteral("click"), QStringLiteral("1")})
                               .has_value();
        },
        30000);
  }
  bool type(const QString& text) {
    return session->xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text}).has_value();
  }
  bool key(const QString& keys) { return session->xdotool({QStringLiteral("key"), keys}).has_value(); }

  // Where the inside of a managed window starts on the screen.
  std::optional<QPoint> insideOrigin(const QString& window) {
    const auto info = session->run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window});
    if (!info) return std::nullopt;
    static const QRegularExpression x(QStringLiteral("Absolute upper-left X:\\s+(-?\\d+)"));
    static const QRegularExpression y(QStringLiteral("Absolute upper-left Y:\\s+(-?\\d+)"));
    const auto mx = x.match(*info);
    const auto my = y.match(*info);
    if (!mx.hasMatch() || !my.hasMatch()) return std::nullopt;
    return QPoint(mx.captured(1).toInt(), my.captured(1).toInt());
  }

  // The middle of the link-coloured pixels of a picture (a link's blue, or
  // a visited link's purple), if it has any.
  static std::optional<QPoint> linkIn(const QImage& picture) {
    QRect found;
    for (int y = 0; y < picture.height(); ++y) {
      for (int x = 0; x < picture.width(); ++x) {
        const QColor colour = picture.pixelColor(x, y);
        if (colour.blue() > 120 && colour.green() < 60 && colour.blue() - colour.red() > 50) {
          found |= QRect(x, y, 1, 1);
        }
      }
    }
    if (found.isEmpty()) return std::nullopt;
    return found.center();
  }

  QTemporaryDir folder;
  QTemporaryDir configHome;
  std::unique_ptr<X11Session> session;
  QProcess service;
  QString serviceLog;
  QString port;
};

TEST_F(PreferencesE2eTest, FirstRunSearchFillsTheRawPageAndTheBrowserAndSniffCutsTheLink) {
  const QString code = securityCode();
  ASSERT_FALSE(code.isEmpty());
  QProcessEnvironment environment = session->environment();
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome.path());
  environment.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"), QStringLiteral("--disable-gpu"));
  QProcess& program = session->start(QStringLiteral(ORVANTA_BINARY), {}, environment);

  // No settings: the preferences window opens with the program.
  ASSERT_TRUE(preferencesWindow());

  // The prefix box selects all on a click, so typing replaces it. Typing
  // into a window being made again is lost, so the steps are repeated until
  // the service is asked.
  const QString prefix = QStringLiteral("http://127.0.0.1:%1/search&s=%2?q=").arg(port, code);
  const QString searchTarget = QStringLiteral("/search&s=***?q=report&ie=UTF-8");  // the log hides the code
  EXPECT_TRUE(waitUntil([&] {
    return click(controlCentre(240, 1695, 5450, 285)) && type(prefix) &&
           click(controlCentre(255, 2460, 4125, 315)) && key(QStringLiteral("ctrl+a")) &&  // SearchCriteria
           type(QStringLiteral("report")) && click(controlCentre(4515, 2430, 1485, 330)) &&  // Search
           waitUntil([&] { return requestsFor(searchTarget) > 0; }, 5000);
  }, 60000)) << serviceLog.toStdString();
  // The raw fetch, then the browser's own request for the same address.
  EXPECT_TRUE(waitUntil([&] { return requestsFor(searchTarget) >= 2; }, 60000)) << serviceLog.toStdString();

  // Sniff URL, then the sniffed text copied into the address bar behind the
  // service's address and fetched with Go: the service sees exactly the
  // link cut out of the raw page. The address bar follows the browser, so
  // this is repeated until the browser has settled.
  const QString link = QStringLiteral("/ok?url=%2F");
  ASSERT_TRUE(click(controlCentre(6075, 2445, 1440, 315)));  // Sniff URL
  EXPECT_TRUE(waitUntil([&] {
    return click(controlCentre(4860, 7560, 3045, 315)) &&  // InitiateURL
           key(QStringLiteral("ctrl+a")) && key(QStringLiteral("ctrl+c")) &&
           click(controlCentre(1020, 2850, 7650, 315)) &&  // AddressBar
           key(QStringLiteral("ctrl+a")) && type(QStringLiteral("http://127.0.0.1:") + port) &&
           key(QStringLiteral("ctrl+v")) &&
           click(controlCentre(8700, 2835, 735, 345)) &&  // Go
           waitUntil([&] { return requestsFor(link) > 0; }, 3000);
  }, 60000)) << serviceLog.toStdString();

  // The browser takes the pointer: its page's link, found by its colour in
  // a picture of the browser's place, is clicked, and the service is asked
  // for the link's target once more. Working in the browser is no change of
  // application, so nothing closes.
  const int linkRequests = requestsFor(link);
  std::optional<QPoint> linkPoint;
  ASSERT_TRUE(waitUntil([&] {
    const auto window = preferencesWindow();
    const auto origin = window ? insideOrigin(*window) : std::nullopt;
    if (!origin) return false;
    const QRect browserPlace = QRect(270 / 15, 3240 / 15, 9210 / 15, 1935 / 15).translated(*origin);
    linkPoint = linkIn(session->grab(QStringLiteral(ORVANTA_SCREEN_GRAB), browserPlace));
    if (linkPoint) *linkPoint += browserPlace.topLeft();
    return linkPoint.has_value();
  }, 60000));
  ASSERT_TRUE(session->clickAt(*linkPoint));
  EXPECT_TRUE(waitUntil([&] { return requestsFor(link) > linkRequests; }, 30000)) << serviceLog.toStdString();

  // The program is still up (the wait lets its end be seen, were there
  // one); closing the window stores what it showed.
  EXPECT_FALSE(program.waitForFinished(1000));
  // The window manager's close (Alt+F4), as the title bar's close button.
  ASSERT_TRUE(waitUntil(
      [&] {
        const auto window = preferencesWindow();
        return window &&
               session->xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), *window,
                                 QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("alt+F4")});
      },
      20000));
  // It showed the defaults the panel's load had stored (" 7"); closed
  // with none of them changed, it leaves them as they were stored.
  EXPECT_TRUE(waitUntil(
      [&] {
        const auto found = session->xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                             QStringLiteral("--name"), QStringLiteral("^Orvanta Preferences$")});
        return !found || found->isEmpty();
      },
      20000));
  {
    platform::FileRegistry registry(configHome.path() + QStringLiteral("/orvanta/registry.reg"));
    const settings::RegKeys regKeys(registry);
    EXPECT_EQ(settings::readSetting(regKeys, u"MaxSearchResults"), QStringLiteral(" 7"));
    EXPECT_EQ(settings::readSetting(regKeys, u"TopPosition"), QStringLiteral(" 330"));
    // Flush right on the session's 1280-pixel screen.
    EXPECT_EQ(settings::readSetting(regKeys, u"LeftPosition"), QStringLiteral(" ") + QString::number(1280 * 15 - 5115));
  }
  // Closing the preferences window does not end the program.
  EXPECT_FALSE(program.waitForFinished(2000));
}

// A child process of `parent` whose command holds `name`, once it runs.
std::optional<qint64> childProcess(qint64 parent, const QByteArray& name) {
  for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
    bool number = false;
    const qint64 pid = entry.toLongLong(&number);
    if (!number) continue;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    QFile command(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!status.open(QIODevice::ReadOnly) || !command.open(QIODevice::ReadOnly)) continue;
    const bool child = QString::fromLatin1(status.readAll()).contains(QStringLiteral("\nPPid:\t%1\n").arg(parent));
    if (child && command.readAll().contains(name)) return pid;
  }
  return std::nullopt;
}

TEST_F(PreferencesE2eTest, TheBrowserProcessEndsWhenTheProgramEndsAtOnce) {
  QProcessEnvironment environment = session->environment();
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome.path());
  environment.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"), QStringLiteral("--disable-gpu"));
  QProcess& program = session->start(QStringLiteral(ORVANTA_BINARY), {}, environment);
  ASSERT_TRUE(preferencesWindow());
  std::optional<qint64> browser;
  ASSERT_TRUE(waitUntil([&] {
    return (browser = childProcess(program.processId(), "orvanta-browser")).has_value();
  }, 30000));
  // Let the engine come up (its own processes run) before the program goes.
  ASSERT_TRUE(waitUntil([&] { return childProcess(*browser, "QtWebEngineProcess").has_value(); }, 30000));

  // The program ends without any clean-up of its own (as the close button
  // ends it, or a crash): its browser goes with it, it does not linger.
  program.kill();
  ASSERT_TRUE(program.waitForFinished(10000));
  EXPECT_TRUE(waitUntil([&] { return !QFile::exists(QStringLiteral("/proc/%1").arg(*browser)); }, 15000));
}

}  // namespace
}  // namespace orvanta::testing
