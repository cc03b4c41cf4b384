// The browser run in a process of its own, against a scripted stand-in for
// that process: the line protocol, navigation and its reports, the size of
// the view, and a browser process that is missing, ends early or does not
// end when told.
#include "gui_application.h"
#include "wait_for.h"

#include "platform/browser_protocol.h"
#include "platform/process_browser.h"

#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QPointer>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace orvanta::platform {
namespace {

namespace protocol = browser_protocol;
using Kind = protocol::Message::Kind;

TEST(BrowserProtocol, AddressesSurviveTheLineWhateverTheyHold) {
  const char* addresses[] = {
      "http://127.0.0.1:4664/search&s=k3Yq?q=tom+&+jerry&ie=UTF-8",
      "http://localhost:4664/search?q=a b\nc",
      "http://localhost:4664/search?q=caf\xc3\xa9 100%",
      "file:///home/user/My Documents/report.txt",
      "",
  };
  for (const char* text : addresses) {
    const QUrl url = QUrl::fromUserInput(QString::fromUtf8(text));
    for (const QByteArray& line : {protocol::navigateCommand(url), protocol::locationReport(url)}) {
      EXPECT_TRUE(line.endsWith('\n')) << text;
      EXPECT_EQ(line.count('\n'), 1) << text;
      EXPECT_EQ(line.count(' '), 1) << text;
      const protocol::Message message = protocol::parseLine(line);
      EXPECT_EQ(message.kind, line.startsWith("navigate") ? Kind::Navigate : Kind::Location) << text;
      EXPECT_EQ(message.url, url) << text;
      EXPECT_EQ(message.url.toString(), url.toString()) << text;
    }
  }
}

TEST(BrowserProtocol, ReadsSizesAndRefusesWhatIsMalformed) {
  EXPECT_EQ(protocol::resizeCommand(QSize(614, 129)), QByteArray("resize 614 129\n"));
  EXPECT_EQ(protocol::resizeCommand(QSize(-1, -1)), QByteArray("resize 0 0\n"));
  EXPECT_EQ(protocol::escapeReport(), QByteArray("escape\n"));

  const struct {
    const char* line;
    Kind kind;
    QSize size;
  } cases[] = {
      {"resize 614 129", Kind::Resize, {614, 129}},
      {"resize 614 129\r\n", Kind::Resize, {614, 129}},
      {"resize 0 0", Kind::Resize, {0, 0}},
      {"resize 99999 1", Kind::Resize, {99999, 1}},
      {"resize 100000 1", Kind::Unknown, {}},
      {"resize -5 10", Kind::Unknown, {}},
      {"resize 5x 10", Kind::Unknown, {}},
      {"resize 5  10", Kind::Unknown, {}},
      {"resize 5", Kind::Unknown, {}},
      {"resize", Kind::Unknown, {}},
      {"navigate", Kind::Unknown, {}},
      {"navigate http://a/ b", Kind::Unknown, {}},
      {"location", Kind::Unknown, {}},
      {"escape", Kind::Escape, {}},
      {"escape\r\n", Kind::Escape, {}},
      {"escape now", Kind::Unknown, {}},
      {"quit", Kind::Unknown, {}},
      {"", Kind::Unknown, {}},
  };
  for (const auto& c : cases) {
    const protocol::Message message = protocol::parseLine(c.line);
    EXPECT_EQ(message.kind, c.kind) << c.line;
    if (c.kind == Kind::Resize) {
      EXPECT_EQ(message.size, c.size) << c.line;
    }
  }
  EXPECT_EQ(protocol::parseLine("navigate ").kind, Kind::Navigate);
  EXPECT_TRUE(protocol::parseLine("location ").url.isEmpty());
}

// Takes over this process's standard error (and so that of the processes it
// starts) while it lives; what was written there is read back with text().
class StandardErrorCapture {
 public:
  explicit StandardErrorCapture(const QString& path) : path_(path) {
    std::fflush(stderr);
    saved_ = ::dup(STDERR_FILENO);
    const int file = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (saved_ >= 0 && file >= 0) ::dup2(file, STDERR_FILENO);
    if (file >= 0) ::close(file);
  }
  ~StandardErrorCapture() {
    std::fflush(stderr);
    if (saved_ >= 0) {
      ::dup2(saved_, STDERR_FILENO);
      ::close(saved_);
    }
  }
  bool isValid() const { return saved_ >= 0; }
  QString text() const {
    std::fflush(stderr);
    QFile file(path_);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }

 private:
  QString path_;
  int saved_ = -1;
};

class ProcessBrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::guiApplication();
    ASSERT_TRUE(dir.isValid());
    // The view fills its place, as in the preferences window.
    host.resize(614, 129);
    new QVBoxLayout(&host);
    host.layout()->setContentsMargins(0, 0, 0, 0);
    host.show();
  }

  std::unique_ptr<Browser> make(QStringList options = {}) {
    auto browser =
        processBrowserFactory(QStringLiteral(ORVANTA_SCRIPTED_BROWSER), QStringList{logPath()} + options)(&host);
    host.layout()->addWidget(browser->widget());
    return browser;
  }

  QString logPath() const { return dir.filePath(QStringLiteral("browser.log")); }
  QStringList log() const {
    QFile file(logPath());
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
  }
  bool logHas(const QString& line, int timeoutMs = 5000) const {
    return testing::waitFor([&] { return log().contains(line); }, timeoutMs);
  }
  // The process id the stand-in wrote, once it has.
  qint64 browserPid() const {
    qint64 pid = 0;
    testing::waitFor([&] {
      for (const QString& line : log()) {
        if (line.startsWith(QStringLiteral("pid "))) pid = line.mid(4).toLongLong();
      }
      return pid != 0;
    });
    return pid;
  }
  static bool processGone(qint64 pid) { return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0; }

  QTemporaryDir dir;
  QWidget host;
};

TEST_F(ProcessBrowserTest, NavigationGoesOutAndEachReportedStepUpdatesTheLocation) {
  auto browser = make();
  ASSERT_NE(browser->widget(), nullptr);
  EXPECT_EQ(browser->widget()->parentWidget(), &host);
  int steps = 0;
  browser->setNavigationObserver([&] { ++steps; });
  EXPECT_EQ(browser->locationUrl(), QString());

  const QString address = QStringLiteral("http://127.0.0.1:4664/search&s=k3Yq?q=tom+&+jerry 100%&ie=UTF-8");
  browser->navigate(address);
  const QUrl url = QUrl::fromUserInput(address);
  EXPECT_TRUE(testing::waitFor([&] { return steps == 1; }));
  EXPECT_EQ(browser->locationUrl(), url.toString());
  // The view's own native window is the parent the process is given.
  EXPECT_TRUE(logHas(QStringLiteral("parent %1").arg(browser->widget()->winId())));
  EXPECT_TRUE(log().contains(QString::fromUtf8(protocol::navigateCommand(url).trimmed())))
      << log().join(u'|').toStdString();

  browser->navigate(QStringLiteral("localhost:4664/"));
  EXPECT_TRUE(testing::waitFor([&] { return steps == 2; }));
  EXPECT_EQ(browser->locationUrl(), QStringLiteral("http://localhost:4664/"));
}

TEST_F(ProcessBrowserTest, TheViewsSizeFollowsItsPlace) {
  auto browser = make();
  EXPECT_TRUE(logHas(QStringLiteral("resize 614 129")));
  host.resize(300, 80);
  EXPECT_TRUE(logHas(QStringLiteral("resize 300 80")));
}

TEST_F(ProcessBrowserTest, EndingTheBrowserEndsItsProcess) {
  auto browser = make();
  const qint64 pid = browserPid();
  ASSERT_GT(pid, 0);
  browser.reset();
  EXPECT_TRUE(log().contains(QStringLiteral("input ended")));
  EXPECT_TRUE(processGone(pid));
}

TEST_F(ProcessBrowserTest, AProcessThatDoesNotEndIsEndedWithoutHanging) {
  auto browser = make({QStringLiteral("--ignore-input-end")});
  const qint64 pid = browserPid();
  ASSERT_GT(pid, 0);
  QElapsedTimer timer;
  timer.start();
  browser.reset();
  EXPECT_LT(timer.elapsed(), 10000);
  EXPECT_TRUE(processGone(pid));
}

TEST_F(ProcessBrowserTest, AMissingOrEndedProcessLeavesAnEmptyViewThatIgnoresNavigation) {
  for (const bool missing : {true, false}) {
    std::unique_ptr<Browser> browser =
        missing ? processBrowserFactory(dir.filePath(QStringLiteral("no-such-browser")))(&host)
                : make({QStringLiteral("--end-at-once")});
    ASSERT_NE(browser->widget(), nullptr);
    int steps = 0;
    browser->setNavigationObserver([&] { ++steps; });
    if (!missing) {
      ASSERT_GT(browserPid(), 0);
    }
    testing::waitFor([] { return false; }, 300);
    browser->navigate(QStringLiteral("http://127.0.0.1:4664/"));
    testing::waitFor([] { return false; }, 300);
    EXPECT_EQ(steps, 0) << missing;
    EXPECT_EQ(browser->locationUrl(), QString()) << missing;
    QElapsedTimer timer;
    timer.start();
    browser.reset();
    EXPECT_LT(timer.elapsed(), 2000) << missing;
  }
}

// Escape pressed in the view, which belongs to the browser's process,
// reaches the window that holds the view, as a press there would.
TEST_F(ProcessBrowserTest, EscapeInTheViewReachesTheWindowThatHoldsIt) {
  class Window : public QWidget {
   public:
    int escapes = 0;

   protected:
    void keyPressEvent(QKeyEvent* e) override {
      if (e->key() == Qt::Key_Escape) ++escapes;
    }
  } window;
  new QVBoxLayout(&window);
  std::unique_ptr<Browser> browser =
      processBrowserFactory(QStringLiteral(ORVANTA_SCRIPTED_BROWSER), {logPath()})(&window);
  window.layout()->addWidget(browser->widget());
  window.show();
  int steps = 0;
  browser->setNavigationObserver([&] { ++steps; });

  browser->navigate(QStringLiteral("http://127.0.0.1:4664/plain"));
  ASSERT_TRUE(testing::waitFor([&] { return steps == 1; }));
  EXPECT_EQ(window.escapes, 0);
  browser->navigate(QStringLiteral("http://127.0.0.1:4664/page#escape"));
  EXPECT_TRUE(testing::waitFor([&] { return window.escapes == 1; }));
  EXPECT_EQ(steps, 2);
  testing::waitFor([] { return false; }, 200);
  EXPECT_EQ(window.escapes, 1);
}

TEST_F(ProcessBrowserTest, AnObserverMayEndTheBrowser) {
  auto* window = new QWidget;
  std::unique_ptr<Browser> browser =
      processBrowserFactory(QStringLiteral(ORVANTA_SCRIPTED_BROWSER), {logPath()})(window);
  int steps = 0;
  browser->setNavigationObserver([&] {
    ++steps;
    browser.reset();
    delete window;
  });
  // Two steps arrive together; the second finds the browser gone.
  browser->navigate(QStringLiteral("http://127.0.0.1:4664/a"));
  browser->navigate(QStringLiteral("http://127.0.0.1:4664/b"));
  EXPECT_TRUE(testing::waitFor([&] { return !browser; }));
  testing::waitFor([] { return false; }, 300);
  EXPECT_EQ(steps, 1);
}

TEST_F(ProcessBrowserTest, TheEnginesChatterStaysQuietUnlessAskedFor) {
  const struct {
    const char* debug;  // ORVANTA_BROWSER_DEBUG, or nullptr for unset
    bool shown;
  } cases[] = {{nullptr, false}, {"0", false}, {"1", true}};
  for (const auto& c : cases) {
    if (c.debug) {
      qputenv("ORVANTA_BROWSER_DEBUG", c.debug);
    } else {
      qunsetenv("ORVANTA_BROWSER_DEBUG");
    }
    QString errors;
    {
      StandardErrorCapture capture(dir.filePath(QStringLiteral("stderr-%1.txt").arg(c.debug ? c.debug : "unset")));
      ASSERT_TRUE(capture.isValid());
      auto browser = make({QStringLiteral("--chatter")});
      int steps = 0;
      browser->setNavigationObserver([&] { ++steps; });
      browser->navigate(QStringLiteral("http://127.0.0.1:4664/"));
      // The dump comes before the first answer; the browser then ends
      // normally.
      EXPECT_TRUE(testing::waitFor([&] { return steps > 0; }));
      browser.reset();
      errors = capture.text();
    }
    qunsetenv("ORVANTA_BROWSER_DEBUG");
    EXPECT_EQ(errors.contains(QStringLiteral("engine start-up dump line 1\n")), c.shown) << errors.toStdString();
    EXPECT_EQ(errors.contains(QStringLiteral("engine start-up dump line 28")), c.shown) << errors.toStdString();
    EXPECT_EQ(errors.contains(QStringLiteral("GPU command buffer")), c.shown) << errors.toStdString();
    // A normal end is no crash.
    EXPECT_FALSE(errors.contains(QStringLiteral("orvanta:"))) << errors.toStdString();
  }
}

TEST_F(ProcessBrowserTest, ACrashOfTheBrowserIsReportedWithItsLastOutput) {
  QString errors;
  {
    StandardErrorCapture capture(dir.filePath(QStringLiteral("stderr.txt")));
    ASSERT_TRUE(capture.isValid());
    auto browser = make({QStringLiteral("--chatter"), QStringLiteral("--crash-on-navigate")});
    browser->navigate(QStringLiteral("http://127.0.0.1:4664/"));
    EXPECT_TRUE(testing::waitFor([&] { return capture.text().contains(QStringLiteral("ended unexpectedly")); }));
    browser.reset();
    errors = capture.text();
  }
  EXPECT_TRUE(errors.contains(QStringLiteral("orvanta: the browser"))) << errors.toStdString();
  EXPECT_TRUE(errors.contains(QStringLiteral("crashed"))) << errors.toStdString();
  EXPECT_TRUE(errors.contains(QStringLiteral("fatal: navigation crashed"))) << errors.toStdString();
}

}  // namespace
}  // namespace orvanta::platform
