// HKEY_CLASSES_ROOT from the desktop's file associations, over a temporary
// set of XDG folders: MIME types of extensions, the default application
// chosen by the mimeapps.list rules, Exec lines turned into open commands,
// the registry file coming first, and a hit opened through them.
#include "fake_program_start.h"
#include "path_names.h"
#include "platform/desktop_associations.h"
#include "platform/program_start.h"
#include "results_window/open_result.h"
#include "temp_registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace orvanta::platform {
namespace {

const QString kAcmeCommand = QStringLiteral("\"/opt/Acme Viewer/bin/view\" --new-window \"%1\"");

TEST(OpenCommandFromExec, FieldCodesAndQuoting) {
  struct Case {
    QString exec;
    QString command;
    QStringList argumentsForPath;  // the command split after "%1" became the path
  };
  const QString path = QStringLiteral("/home/ann/My \"Docs\"/a$b.txt");
  const std::vector<Case> cases{
      {QStringLiteral("evince %U"), QStringLiteral("evince \"%1\""), {QStringLiteral("evince"), path}},
      {QStringLiteral("\"/opt/Acme Viewer/bin/view\" --new-window %f"), kAcmeCommand,
       {QStringLiteral("/opt/Acme Viewer/bin/view"), QStringLiteral("--new-window"), path}},
      {QStringLiteral("app --file=%f --x"), QStringLiteral("app \"--file=%1\" --x"),
       {QStringLiteral("app"), QStringLiteral("--file=") + path, QStringLiteral("--x")}},
      {QStringLiteral("app %i %c %k --level=100%% --name=%c %F %u"), QStringLiteral("app --level=100% --name= \"%1\""),
       {QStringLiteral("app"), QStringLiteral("--level=100%"), QStringLiteral("--name="), path}},
      {QStringLiteral("app"), QStringLiteral("app \"%1\""), {QStringLiteral("app"), path}},
      {QStringLiteral("sh -c \"echo \\\"\\$1\\\"\" x"), QStringLiteral("sh -c \"echo \\\"$1\\\"\" x \"%1\""),
       {QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("echo \"$1\""), QStringLiteral("x"), path}},
      {QString(), QString(), {}},
      {QStringLiteral("  "), QString(), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.exec.toStdString());
    const QString command = OpenCommandFromExec(c.exec);
    EXPECT_EQ(command, c.command);
    if (c.argumentsForPath.isEmpty()) continue;
    // The path with its double quotes comes back whole from the line the
    // hit is opened with.
    const QStringList lines = results_window::OpenCommandLines(command, path);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(SplitCommandLine(lines[0]), c.argumentsForPath);
  }
}

// A desktop with a few applications and association files.
class Desktop : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root.isValid());
    dirs.configHome = path("config");
    dirs.configDirs = {path("etc-xdg")};
    dirs.dataHome = path("data");
    dirs.dataDirs = {path("usr-share")};
    dirs.desktops = {QStringLiteral("xfce")};

    const auto app = [&](const char* file, const QByteArray& body) {
      write(QStringLiteral("usr-share/applications/") + QString::fromLatin1(file), "[Desktop Entry]\n" + body);
    };
    app("acme-viewer.desktop",
        "Type=Application\nName=Acme Viewer\nName[de]=Acme Betrachter\n"
        "Exec=\"/opt/Acme Viewer/bin/view\" --new-window %U\nMimeType=application/pdf;\n");
    app("kde/reader.desktop", "Type=Application\nExec=reader --unique %u\n");
    app("notes.desktop", "Type=Application\nExec=notes %F\nMimeType=text/plain;\n");
    app("removed-editor.desktop", "Type=Application\nExec=editor %f\nMimeType=text/plain;\n");
    app("hidden.desktop", "Type=Application\nExec=shown-anyway %f\n");
    app("tryexec.desktop", "Type=Application\nTryExec=/nonexistent/bin/tool\nExec=/nonexistent/bin/tool %f\n");
    app("link.desktop", "Type=Link\nURL=https://localhost/\nExec=link %f\n");
    app("spaced.desktop", "Type=Application\nExec=\"/usr/bin/my app\" --dir=C:\\\\x %f\n");
    app("zz-scanned.desktop", "Type=Application\nExec=scanner %f\nMimeType=application/x-orvanta-scanned;\n");
    // A user's own copy of an entry hides the system one.
    write(QStringLiteral("data/applications/hidden.desktop"), "[Desktop Entry]\nHidden=true\n");
    write(QStringLiteral("usr-share/applications/mimeinfo.cache"),
          "[MIME Cache]\ntext/plain=removed-editor.desktop;notes.desktop;\n");
    write(QStringLiteral("config/mimeapps.list"),
          "[Default Applications]\n"
          "application/pdf=missing.desktop;hidden.desktop;acme-viewer.desktop;\n"
          "video/mp4=tryexec.desktop;link.desktop;acme-viewer.desktop;\n"
          "application/x-orvanta-spaced=spaced.desktop\n"
          "[Removed Associations]\ntext/plain=removed-editor.desktop;\n");
    write(QStringLiteral("etc-xdg/xfce-mimeapps.list"), "[Default Applications]\nimage/png=kde-reader.desktop;\n");
    write(QStringLiteral("etc-xdg/mimeapps.list"), "[Default Applications]\nimage/png=acme-viewer.desktop;\n");
  }

  QString path(const char* relative) const { return root.filePath(QString::fromLatin1(relative)); }
  void write(const QString& relative, const QByteArray& content) {
    const QString file = root.filePath(relative);
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(content);
  }

  QTemporaryDir root;
  XdgDirs dirs;
};

TEST_F(Desktop, DefaultApplicationOfAType) {
  const DesktopAssociations associations(dirs);
  struct Case {
    const char* type;
    QString command;
  };
  const std::vector<Case> cases{
      // Missing, hidden-by-the-user entries are passed over.
      {"application/pdf", kAcmeCommand},
      // A TryExec program that is missing, or an entry that is no
      // application, is no choice.
      {"video/mp4", kAcmeCommand},
      // The desktop's own list comes before the generic one; a desktop ID
      // with a dash names a file in a subfolder.
      {"image/png", QStringLiteral("reader --unique \"%1\"")},
      // No default: the cache, without the removed association.
      {"text/plain", QStringLiteral("notes \"%1\"")},
      // A type with nothing of its own takes what it is a kind of.
      {"text/x-csrc", QStringLiteral("notes \"%1\"")},
      // Found only in an application's own MimeType list.
      {"application/x-orvanta-scanned", QStringLiteral("scanner \"%1\"")},
      // Escapes of desktop-entry values are resolved.
      {"application/x-orvanta-spaced", QStringLiteral("\"/usr/bin/my app\" --dir=C:\\x \"%1\"")},
      {"application/x-orvanta-nothing", QString()},
      {"", QString()},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(associations.openCommandForMimeType(QString::fromLatin1(c.type)), c.command) << c.type;
  }
}

TEST_F(Desktop, ClassesRootKeys) {
  DesktopAssociations associations(dirs);
  testing::TempRegistry temp;
  temp.registry().setClassesRootFallback(&associations);
  const settings::RegKeys& keys = temp.regKeys();
  const auto read = [&](const QString& key) { return keys.ReadRegValue(RegRoot::ClassesRoot, key, QString()); };

  EXPECT_EQ(read(QStringLiteral(".pdf")), QStringLiteral("application/pdf"));
  EXPECT_EQ(read(QStringLiteral(".PDF")), QStringLiteral("application/pdf"));
  EXPECT_EQ(read(QStringLiteral(".zzz-orvanta-none")), QString());
  EXPECT_EQ(read(QStringLiteral(".")), QString());
  EXPECT_EQ(read(QStringLiteral("application/pdf\\Shell\\Open\\Command")), kAcmeCommand);
  EXPECT_EQ(read(QStringLiteral("\\Shell\\Open\\Command")), QString());
  EXPECT_EQ(keys.ReadRegValue(RegRoot::ClassesRoot, QStringLiteral(".pdf"), QStringLiteral("Content Type")), QString());

  // Keys stored in the registry file come first; the rest still comes from
  // the desktop, and nothing is ever written there.
  ASSERT_TRUE(keys.WriteRegValue(RegRoot::ClassesRoot, QStringLiteral(".pdf"), QString(), QStringLiteral("Acme.Pdf")));
  EXPECT_EQ(read(QStringLiteral(".pdf")), QStringLiteral("Acme.Pdf"));
  EXPECT_EQ(read(QStringLiteral("image/png\\shell\\open\\command")), QStringLiteral("reader --unique \"%1\""));
  RegKeyHandle key = 0;
  EXPECT_EQ(associations.openKey(RegRoot::ClassesRoot, QStringLiteral(".pdf"), kKeyAllAccess, &key),
            RegStatus::AccessDenied);
  EXPECT_EQ(associations.createKey(RegRoot::ClassesRoot, QStringLiteral(".pdf"), kKeyAllAccess, &key),
            RegStatus::AccessDenied);
  EXPECT_EQ(associations.openKey(RegRoot::LocalMachine, QStringLiteral(".pdf"), kKeyRead, &key), RegStatus::NotFound);
}

TEST_F(Desktop, AHitOpensWithTheDefaultApplication) {
  DesktopAssociations associations(dirs);
  testing::TempRegistry temp;
  temp.registry().setClassesRootFallback(&associations);
  testing::FakeProgramStart starter;
  bool preferencesOpen = false;
  int closed = 0;
  results_window::OpenHitContext context{
      .regKeys = temp.regKeys(),
      .programStart = starter,
      .WindowsDirectory = QStringLiteral("/usr"),
      .getExtensionName = testing::extensionName,
      .closeForm = [&] { ++closed; },
      .showPreferences = {},
      .disableForm1 = {},
      .PreferencesOpen = preferencesOpen,
  };
  const QString hit = QStringLiteral("/home/ann/Tax Return 2024.pdf");
  results_window::OpenResult(3, hit, context);
  ASSERT_EQ(starter.starts.size(), 1u);
  EXPECT_EQ(starter.starts[0].windowStyle, kWindowNormalFocus);
  EXPECT_EQ(SplitCommandLine(starter.starts[0].commandLine),
            (QStringList{QStringLiteral("/opt/Acme Viewer/bin/view"), QStringLiteral("--new-window"), hit}));
  EXPECT_EQ(closed, 1);
}

}  // namespace
}  // namespace orvanta::platform
