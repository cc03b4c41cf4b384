// The program's start: the command line, and the hand-over of a later
// start to the program that already runs in the session.
#include "command_line.h"
#include "single_instance.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocalServer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <optional>

#include <gtest/gtest.h>

namespace orvanta::app {
namespace {

QCoreApplication& application() {
  static int argc = 1;
  static char name[] = "app_test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app = [] {
    auto* created = new QCoreApplication(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvanta"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.2.3"));
    return created;
  }();
  return *app;
}

TEST(CommandLine, Options) {
  application();
  const struct {
    QStringList arguments;
    bool showPanel;
    std::optional<QString> searchWords;
    int exitStatus;  // -1: the program runs
    bool toStandardError;
    QString textHolds;
  } cases[] = {
      {{}, false, {}, -1, false, {}},
      {{QStringLiteral("--show-panel")}, true, {}, -1, false, {}},
      // The words of the desktop's search, as one argument, the panel
      // dropped with or without --show-panel.
      {{QStringLiteral("--show-panel"), QStringLiteral("--search"), QStringLiteral("tom & jerry")},
       true,
       QStringLiteral("tom & jerry"),
       -1,
       false,
       {}},
      {{QStringLiteral("--search=\u00dcberblick")}, true, QStringLiteral("\u00dcberblick"), -1, false, {}},
      {{QStringLiteral("--search"), QString()}, true, QString(), -1, false, {}},
      {{QStringLiteral("--search")}, false, {}, 2, true, QStringLiteral("--search")},
      {{QStringLiteral("--help")}, false, {}, 0, false, QStringLiteral("--search <WORDS>")},
      {{QStringLiteral("--version")}, false, {}, 0, false, QStringLiteral("orvanta 1.2.3\n")},
      {{QStringLiteral("-v")}, false, {}, 0, false, QStringLiteral("orvanta 1.2.3\n")},
      {{QStringLiteral("--help")}, false, {}, 0, false, QStringLiteral("--show-panel")},
      {{QStringLiteral("--help")}, false, {}, 0, false, QStringLiteral("Usage: orvanta [options]\n")},
      {{QStringLiteral("--show-panel"), QStringLiteral("--help")}, false, {}, 0, false, QStringLiteral("Usage:")},
      {{QStringLiteral("--no-such-option")}, false, {}, 2, true, QStringLiteral("no-such-option")},
      {{QStringLiteral("words")}, false, {}, 2, true, QStringLiteral("unexpected argument 'words'")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.join(u' ').toStdString());
    const CommandLine line = parseCommandLine(QStringList{QStringLiteral("orvanta")} + c.arguments);
    EXPECT_EQ(line.showPanel, c.showPanel);
    EXPECT_EQ(line.searchWords, c.searchWords);
    ASSERT_EQ(line.exit.has_value(), c.exitStatus >= 0);
    if (!line.exit) continue;
    EXPECT_EQ(line.exit->status, c.exitStatus);
    EXPECT_EQ(line.exit->toStandardError, c.toStandardError);
    EXPECT_TRUE(line.exit->text.contains(c.textHolds)) << line.exit->text.toStdString();
  }
}

// The built program, with an environment of its own.
struct ProgramRun {
  int status = -1;
  QString output;
  QString errors;
};

ProgramRun runProgram(const QStringList& arguments, const QProcessEnvironment& environment, int timeoutMs = 20000) {
  QProcess process;
  process.setProcessEnvironment(environment);
  process.start(QStringLiteral(ORVANTA_BINARY), arguments);
  ProgramRun run;
  if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit) {
    process.kill();
    process.waitForFinished();
    return run;
  }
  run.status = process.exitCode();
  run.output = QString::fromLocal8Bit(process.readAllStandardOutput());
  run.errors = QString::fromLocal8Bit(process.readAllStandardError());
  return run;
}

TEST(CommandLine, HelpAndVersionNeedNoDisplay) {
  application();
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(QString::fromLatin1(name));
  const ProgramRun version = runProgram({QStringLiteral("--version")}, environment);
  EXPECT_EQ(version.status, 0) << version.errors.toStdString();
  EXPECT_EQ(version.output.section(u'\n', 0, 0), QStringLiteral("orvanta ") + QStringLiteral(ORVANTA_VERSION));
  const ProgramRun help = runProgram({QStringLiteral("--help")}, environment);
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.output.startsWith(QStringLiteral("Usage: orvanta [options]\n"))) << help.output.toStdString();
  EXPECT_TRUE(help.output.contains(QStringLiteral("--show-panel")));
  EXPECT_TRUE(help.output.contains(QStringLiteral("--version")));
  const ProgramRun wrong = runProgram({QStringLiteral("--bogus")}, environment);
  EXPECT_EQ(wrong.status, 2);
  EXPECT_TRUE(wrong.output.isEmpty());
  EXPECT_TRUE(wrong.errors.contains(QStringLiteral("--help")));
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    application();
    ASSERT_TRUE(runtime.isValid());
    socketName = QDir(runtime.path()).filePath(QStringLiteral("orvanta.socket"));
  }

  QTemporaryDir runtime;
  QString socketName;
};

TEST_F(SingleInstanceTest, OnlyTheFirstListensAndALaterOneHandsItsRequestOver) {
  SingleInstance first(socketName);
  ASSERT_TRUE(first.listen());
  QSignalSpy requests(&first, &SingleInstance::activationRequested);

  SingleInstance second(socketName);
  EXPECT_FALSE(second.listen());
  // The hand-over waits for the running program to read the request, so
  // it runs on a thread of its own while this one serves.
  bool handedOver = false;
  std::unique_ptr<QThread> thread(QThread::create([&] { handedOver = second.sendToRunning(); }));
  thread->start();
  EXPECT_TRUE(QTest::qWaitFor([&] { return thread->isFinished(); }, 10000));
  thread->wait();
  EXPECT_TRUE(handedOver);
  EXPECT_TRUE(QTest::qWaitFor([&] { return requests.count() == 1; }, 5000));
}

TEST_F(SingleInstanceTest, WordsAreHandedOverWhole) {
  SingleInstance first(socketName);
  ASSERT_TRUE(first.listen());
  QSignalSpy activations(&first, &SingleInstance::activationRequested);
  QSignalSpy searches(&first, &SingleInstance::searchRequested);
  const QString longWords = QString(1200, QChar(0x00fc));
  const struct {
    QString words;
    QString received;
  } cases[] = {
      {QStringLiteral("quarterly report"), QStringLiteral("quarterly report")},
      {QStringLiteral("a\nactivate\n%41 +\u00dcberblick \U0001F600"),
       QStringLiteral("a\nactivate\n%41 +\u00dcberblick \U0001F600")},
      {QString(), QString()},
      // Longer words are cut, not refused.
      {longWords, longWords.left(1000)},
  };
  SingleInstance second(socketName);
  for (const auto& c : cases) {
    const qsizetype before = searches.count();
    bool handedOver = false;
    std::unique_ptr<QThread> thread(QThread::create([&] { handedOver = second.sendToRunning(2000, c.words); }));
    thread->start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return thread->isFinished(); }, 10000));
    thread->wait();
    EXPECT_TRUE(handedOver);
    ASSERT_TRUE(QTest::qWaitFor([&] { return searches.count() == before + 1; }, 5000));
    EXPECT_EQ(searches.last().at(0).toString(), c.received);
  }
  EXPECT_EQ(activations.count(), 0);
}

TEST_F(SingleInstanceTest, NobodyListeningTakesNoRequest) {
  SingleInstance alone(socketName);
  EXPECT_FALSE(alone.sendToRunning(500));
}

TEST_F(SingleInstanceTest, ASocketLeftByAKilledProgramIsTakenOver) {
  // A socket file nobody listens on any more, as a killed program leaves.
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray path = QFile::encodeName(socketName);
  ASSERT_LT(static_cast<size_t>(path.size()), sizeof(address.sun_path));
  std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
  ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
  ::close(fd);
  ASSERT_TRUE(QFile::exists(socketName));

  SingleInstance next(socketName);
  EXPECT_TRUE(next.listen());
  QSignalSpy requests(&next, &SingleInstance::activationRequested);
  SingleInstance later(socketName);
  std::unique_ptr<QThread> thread(QThread::create([&] { later.sendToRunning(); }));
  thread->start();
  EXPECT_TRUE(QTest::qWaitFor([&] { return requests.count() == 1; }, 5000));
  thread->wait();
}

TEST_F(SingleInstanceTest, ARealSecondStartHandsOverItsWordsAndEnds) {
  QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  SingleInstance running(socketName);
  ASSERT_TRUE(running.listen());
  QSignalSpy requests(&running, &SingleInstance::searchRequested);

  QTemporaryDir configHome;
  ASSERT_TRUE(configHome.isValid());
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome.path());
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  QProcess second;
  second.setProcessEnvironment(environment);
  second.start(QStringLiteral(ORVANTA_BINARY),
               {QStringLiteral("--show-panel"), QStringLiteral("--search"), QStringLiteral("quarterly report")});
  EXPECT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 20000));
  if (second.state() != QProcess::NotRunning) {
    second.kill();
    second.waitForFinished();
  }
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  ASSERT_EQ(requests.count(), 1);
  EXPECT_EQ(requests.first().at(0).toString(), QStringLiteral("quarterly report"));
  // It ended without making a settings file of its own: it never loaded
  // its windows.
  EXPECT_FALSE(QFile::exists(configHome.filePath(QStringLiteral("orvanta/registry.reg"))));
}

}  // namespace
}  // namespace orvanta::app
