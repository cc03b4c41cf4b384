// The desktop launcher on GIO, against a desktop of its own: temporary XDG
// data and configuration folders holding a MIME type, and a desktop entry
// whose program is the argument recorder. Nothing of the machine's desktop
// is seen or started.
#include "platform/desktop_launcher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace orvanta::platform {
namespace {

bool writeFile(const QString& path, const QByteArray& content) {
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
  QFile out(path);
  return out.open(QIODevice::WriteOnly) && out.write(content) == content.size();
}

class GioDesktop : public ::testing::Test {
 protected:
  // GIO reads the XDG folders once per process, so the desktop is set up
  // once, before the first launcher exists.
  static void SetUpTestSuite() {
    root = new QTemporaryDir;
    ASSERT_TRUE(root->isValid());
    const QString data = root->filePath(QStringLiteral("data"));
    const QString config = root->filePath(QStringLiteral("config"));
    for (const auto& [name, value] : {std::pair{"XDG_DATA_HOME", data}, {"XDG_DATA_DIRS", data},
                                      {"XDG_CONFIG_HOME", config}, {"XDG_CONFIG_DIRS", config},
                                      {"XDG_CURRENT_DESKTOP", QString()}, {"LANGUAGE", QStringLiteral("de")}}) {
      qputenv(name, value.toLocal8Bit());
    }
    ASSERT_TRUE(writeFile(data + QStringLiteral("/mime/globs2"),
                          "50:application/x-orvanta-sample:*.orvsample\n"
                          "50:application/x-orvanta-unopened:*.orvnone\n"));
    // Opens samples and folders: the recorder writes its arguments to "argv".
    const QByteArray exec = "\"" + QByteArray(ORVANTA_ARGV_RECORDER) + "\" \"" +
                            QFile::encodeName(recordPath()) + "\" %f\n";
    ASSERT_TRUE(writeFile(entryPath(), "[Desktop Entry]\nType=Application\nName=Argument Recorder\n"
                                       "Name[de]=Argumentschreiber\nExec=" + exec +
                                       "MimeType=application/x-orvanta-sample;inode/directory;\n"));
    // The index the desktop's database tool keeps beside the entries, which
    // GIO reads the types of entries from.
    ASSERT_TRUE(writeFile(data + QStringLiteral("/applications/mimeinfo.cache"),
                          "[MIME Cache]\napplication/x-orvanta-sample=org.example.Recorder.desktop;\n"
                          "inode/directory=org.example.Recorder.desktop;\n"));
  }
  static void TearDownTestSuite() {
    delete root;
    root = nullptr;
  }

  void SetUp() override {
    QFile::remove(recordPath());
    launcher = createSystemDesktopLauncher();
  }

  static QString entryPath() {
    return root->filePath(QStringLiteral("data/applications/org.example.Recorder.desktop"));
  }
  static QString recordPath() { return root->filePath(QStringLiteral("argv")); }
  // The arguments the recorder was started with; nothing when it was not.
  static std::optional<QStringList> waitForRecord() {
    if (!QTest::qWaitFor([] { return QFile::exists(recordPath()); }, 10000)) return std::nullopt;
    QFile in(recordPath());
    if (!in.open(QIODevice::ReadOnly)) return std::nullopt;
    QStringList arguments;
    for (const QByteArray& part : in.readAll().split('\0')) arguments << QString::fromUtf8(part);
    arguments.removeLast();
    return arguments;
  }

  static QTemporaryDir* root;
  std::unique_ptr<DesktopLauncher> launcher;
};

QTemporaryDir* GioDesktop::root = nullptr;

TEST_F(GioDesktop, ApplicationFilesByTheirExtension) {
  EXPECT_EQ(desktopApplicationExtensions(), QStringLiteral("|desktop|appimage|"));
  const struct {
    const char* path;
    bool application;
  } cases[] = {
      {"/usr/share/applications/a.desktop", true}, {"/x/B.DESKTOP", true},    {"/x/Tool.AppImage", true},
      {"/x/tool.appimage", true},                  {"/x/notes.txt", false},   {"/x/desktop", false},
      {"/x/a.desktop.bak", false},                 {"/x/Tool.AppImagex", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(launcher->isApplication(QString::fromUtf8(c.path)), c.application) << c.path;
  }
}

TEST_F(GioDesktop, AnEntryShowsItsNameInTheUsersLanguage) {
  EXPECT_EQ(launcher->applicationName(entryPath()), QStringLiteral("Argumentschreiber"));
  // Not an entry, or no readable one: no name.
  EXPECT_EQ(launcher->applicationName(root->filePath(QStringLiteral("missing.desktop"))), QString());
  ASSERT_TRUE(writeFile(root->filePath(QStringLiteral("broken.desktop")), "not an entry\n"));
  EXPECT_EQ(launcher->applicationName(root->filePath(QStringLiteral("broken.desktop"))), QString());
  EXPECT_EQ(launcher->applicationName(root->filePath(QStringLiteral("x.AppImage"))), QString());
}

TEST_F(GioDesktop, AnEntryStartsItsProgramNotAnEditor) {
  ASSERT_TRUE(launcher->launchApplication(entryPath()));
  // %f without a file is dropped: the program gets only its own arguments.
  EXPECT_EQ(waitForRecord(), QStringList());
  EXPECT_FALSE(launcher->launchApplication(root->filePath(QStringLiteral("missing.desktop"))));
}

TEST_F(GioDesktop, FilesAndFoldersOpenWithTheDefaultApplication) {
  const QString folder = root->filePath(QStringLiteral("My Folder"));
  ASSERT_TRUE(QDir().mkpath(folder));
  const struct {
    QString path;
  } cases[] = {
      {root->filePath(QStringLiteral("Report 2 $(touch PWNED); b.orvsample"))},
      {root->filePath(QStringLiteral("-rf --help.orvsample"))},
      {folder},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    QFile::remove(recordPath());
    ASSERT_TRUE(writeFile(c.path + (c.path == folder ? QStringLiteral("/inside") : QString()), "sample\n"));
    ASSERT_TRUE(launcher->openWithDefault(c.path));
    EXPECT_EQ(waitForRecord(), QStringList{c.path});
  }
  EXPECT_FALSE(QFile::exists(root->filePath(QStringLiteral("PWNED"))));
}

TEST_F(GioDesktop, ATypeWithoutProgramIsLeftToTheCaller) {
  const QString unopened = root->filePath(QStringLiteral("data.orvnone"));
  ASSERT_TRUE(writeFile(unopened, "x\n"));
  const LaunchOutcome outcome = launcher->openWithDefault(unopened);
  EXPECT_EQ(outcome.result, LaunchOutcome::Result::NoProgram);
  // The reason names the type, for the user.
  EXPECT_TRUE(outcome.reason.contains(QStringLiteral("application/x-orvanta-unopened")))
      << outcome.reason.toStdString();
  EXPECT_FALSE(QFile::exists(recordPath()));
}

// An entry that runs in a terminal, on a desktop without any terminal
// program: it is not started, and the reason says why.
TEST_F(GioDesktop, AnEntryNeedingATerminalTheDesktopLacksSaysWhy) {
  const QString entry = root->filePath(QStringLiteral("entries/org.example.InTerminal.desktop"));
  const QByteArray exec = "\"" + QByteArray(ORVANTA_ARGV_RECORDER) + "\" \"" + QFile::encodeName(recordPath()) + "\"\n";
  ASSERT_TRUE(writeFile(entry, "[Desktop Entry]\nType=Application\nName=In Terminal\nTerminal=true\nExec=" + exec));
  const QTemporaryDir noPrograms;
  ASSERT_TRUE(noPrograms.isValid());
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", QFile::encodeName(noPrograms.path()));
  const LaunchOutcome outcome = launcher->launchApplication(entry);
  qputenv("PATH", path);
  EXPECT_EQ(outcome.result, LaunchOutcome::Result::Failed);
  EXPECT_TRUE(outcome.reason.contains(QStringLiteral("terminal"), Qt::CaseInsensitive)) << outcome.reason.toStdString();
  EXPECT_FALSE(QFile::exists(recordPath()));
}

TEST_F(GioDesktop, AnAppImageStartsDirectlyWhenExecutable) {
  const QString image = root->filePath(QStringLiteral("Recorder-1.0.AppImage"));
  ASSERT_TRUE(QFile::copy(QStringLiteral(ORVANTA_ARGV_RECORDER), image));
  qputenv("ORVANTA_ARGV_RECORD", QFile::encodeName(recordPath()));
  QFile::setPermissions(image, QFile::ReadOwner | QFile::WriteOwner);
  EXPECT_FALSE(launcher->launchApplication(image));
  ASSERT_TRUE(QFile::setPermissions(image, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  EXPECT_TRUE(launcher->launchApplication(image));
  EXPECT_EQ(waitForRecord(), QStringList());
  qunsetenv("ORVANTA_ARGV_RECORD");
}

}  // namespace
}  // namespace orvanta::platform
