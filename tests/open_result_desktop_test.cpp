// Opening a hit through the desktop starter: a hostile file name reaches
// the registered program, or the file opener, as one argument and nothing
// else.
#include "path_names.h"
#include "platform/desktop_program_start.h"
#include "results_window/open_result.h"
#include "temp_registry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace orvanta::results_window {
namespace {

using platform::RegRoot;

// A real start of the recorder for a hit whose name would do harm in a shell.
class HostilePaths : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    starter =
        std::make_unique<platform::DesktopProgramStart>(QStringList{QStringLiteral(ORVANTA_ARGV_RECORDER), record()});
  }
  QString record() const { return dir.filePath(QStringLiteral("argv")); }
  QStringList waitForRecord() {
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(record()); }, 10000)) << "the program was not started";
    QFile in(record());
    if (!in.open(QIODevice::ReadOnly)) return {};
    QStringList arguments;
    for (const QByteArray& part : in.readAll().split('\0')) arguments << QString::fromUtf8(part);
    arguments.removeLast();
    in.close();
    QFile::remove(record());
    return arguments;
  }
  bool harmDone() const { return QFile::exists(dir.filePath(QStringLiteral("PWNED"))); }

  QTemporaryDir dir;
  std::unique_ptr<platform::DesktopProgramStart> starter;
};

const QStringList kHostileNames{
    QStringLiteral("a; touch PWNED; b.hostile"),  QStringLiteral("$(touch PWNED).hostile"),
    QStringLiteral("`touch PWNED`.hostile"),      QStringLiteral("first line\ntouch PWNED.hostile"),
    QStringLiteral("-rf --help.hostile"),         QStringLiteral("it's a && b | c > PWNED.hostile"),
    QStringLiteral("say \"hi\" \\\" -x.hostile"),
};

TEST_F(HostilePaths, ReachTheRegisteredProgramAsOneArgument) {
  testing::TempRegistry temp;
  ASSERT_TRUE(temp.regKeys().WriteRegValue(RegRoot::ClassesRoot, QStringLiteral(".hostile"), QString(),
                                           QStringLiteral("hostile.file")));
  ASSERT_TRUE(temp.regKeys().WriteRegValue(
      RegRoot::ClassesRoot, QStringLiteral("hostile.file\\Shell\\Open\\Command"), QString(),
      QStringLiteral("\"%1\" \"%2\" \"%3\"")
          .arg(QStringLiteral(ORVANTA_ARGV_RECORDER), record(), QStringLiteral("%1"))));
  bool preferencesOpen = false;
  int closed = 0;
  OpenHitContext context{
      .regKeys = temp.regKeys(),
      .programStart = *starter,
      .WindowsDirectory = QStringLiteral("/usr"),
      .getExtensionName = testing::extensionName,
      .closeForm = [&] { ++closed; },
      .showPreferences = {},
      .disableForm1 = {},
      .PreferencesOpen = preferencesOpen,
      .desktop = nullptr,
      .lastSearchAddress = {},
      .tellUser = {},
  };
  for (const QString& name : kHostileNames) {
    SCOPED_TRACE(name.toStdString());
    const QString path = dir.filePath(name);
    OpenResult(2, path, context);
    EXPECT_EQ(waitForRecord(), QStringList{path});
  }
  EXPECT_EQ(closed, kHostileNames.size());
  // A hit that looks like an option reaches the program as a path.
  OpenResult(2, QStringLiteral("-evil.hostile"), context);
  EXPECT_EQ(waitForRecord(), QStringList{QStringLiteral("./-evil.hostile")});
  EXPECT_FALSE(harmDone());
  EXPECT_FALSE(QFile::exists(QDir::current().filePath(QStringLiteral("PWNED"))));
}

TEST_F(HostilePaths, ReachTheFileOpenerAsOneArgument) {
  // The recorder stands in for the file opener behind the Explorer program.
  bool preferencesOpen = false;
  testing::TempRegistry temp;
  OpenHitContext context{
      .regKeys = temp.regKeys(),
      .programStart = *starter,
      .WindowsDirectory = QStringLiteral("/usr"),
      .getExtensionName = testing::extensionName,
      .closeForm = {},
      .showPreferences = {},
      .disableForm1 = {},
      .PreferencesOpen = preferencesOpen,
      .desktop = nullptr,
      .lastSearchAddress = {},
      .tellUser = {},
  };
  for (const QString& name : kHostileNames) {
    SCOPED_TRACE(name.toStdString());
    const QString path = dir.filePath(name);
    OpenViaExplorer(5, path, context);
    EXPECT_EQ(waitForRecord(), QStringList{path});
  }
  EXPECT_FALSE(harmDone());
}

TEST_F(HostilePaths, ATypeWithoutProgramAndShowAllReachTheOpenerAsOneArgument) {
  // No association for ".hostile": the hit goes to the file opener, which
  // the recorder stands in for.
  bool preferencesOpen = false;
  testing::TempRegistry temp;
  const QString search = QStringLiteral("http://localhost:4664/search&s=c?q=a+%26+b;+touch+PWNED&ie=UTF-8");
  OpenHitContext context{
      .regKeys = temp.regKeys(),
      .programStart = *starter,
      .WindowsDirectory = QStringLiteral("/usr"),
      .getExtensionName = testing::extensionName,
      .closeForm = {},
      .showPreferences = {},
      .disableForm1 = {},
      .PreferencesOpen = preferencesOpen,
      .desktop = nullptr,
      .lastSearchAddress = [&] { return search; },
      .tellUser = {},
  };
  for (const QString& name : kHostileNames) {
    SCOPED_TRACE(name.toStdString());
    const QString path = dir.filePath(name);
    OpenResult(4, path, context);
    EXPECT_EQ(waitForRecord(), QStringList{path});
  }
  OpenResult(4, QStringLiteral("-rf --help.hostile"), context);
  EXPECT_EQ(waitForRecord(), QStringList{QStringLiteral("./-rf --help.hostile")});
  OpenResult(0, QString(), context);
  EXPECT_EQ(waitForRecord(), QStringList{search});
  EXPECT_FALSE(harmDone());
}

}  // namespace
}  // namespace orvanta::results_window
