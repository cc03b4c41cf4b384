// Opening a hit: the open-command rules, the two lookups under
// HKEY_CLASSES_ROOT, the preferences row, the Explorer command line, and
// that the windows close whatever happens.
#include "fake_program_start.h"
#include "path_names.h"
#include "results_window/open_result.h"
#include "temp_registry.h"

#include <gtest/gtest.h>

#include <vector>

namespace orvanta::results_window {
namespace {

using platform::RegRoot;
using testing::FakeProgramStart;

TEST(openCommandLines, MarkersAndLetterCase) {
  const QString path = QStringLiteral("/home/Ann/My Papers/Report 2.PDF");
  struct Case {
    const char* name;
    QString command;
    QStringList expected;
  };
  const std::vector<Case> cases{
      {"quoted %1", QStringLiteral("\"/usr/bin/Evince\" --new-window \"%1\""),
       {QStringLiteral("\"/usr/bin/Evince\" --new-window \"/home/Ann/My Papers/Report 2.PDF\"")}},
      // A marker outside quotes gets the path in quotes of its own, so its
      // blanks cannot split it into arguments.
      {"both markers, each on the unchanged command", QStringLiteral("viewer.exe %1 /lang:%L"),
       {QStringLiteral("viewer.exe \"/home/Ann/My Papers/Report 2.PDF\" /lang:%L"),
        QStringLiteral("viewer.exe %1 /lang:\"/home/Ann/My Papers/Report 2.PDF\"")}},
      {"lower-case %l", QStringLiteral("/opt/App/run --Open=%l --again %L"),
       {QStringLiteral(
           "/opt/App/run --Open=\"/home/Ann/My Papers/Report 2.PDF\" --again \"/home/Ann/My Papers/Report 2.PDF\"")}},
      {"every %1", QStringLiteral("cmp %1 %1"),
       {QStringLiteral("cmp \"/home/Ann/My Papers/Report 2.PDF\" \"/home/Ann/My Papers/Report 2.PDF\"")}},
      {"no marker", QStringLiteral("/usr/bin/viewer --Options %*"), {}},
      {"empty command", QString(), {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(openCommandLines(c.command, path), c.expected) << c.name;
  }
}

TEST(openCommandLines, ThePathComesBackWholeAndNeverAsAnOption) {
  struct Case {
    const char* name;
    QString command;
    QString path;
    QStringList arguments;  // the command line split by the Windows rules
  };
  const QString quoted = QStringLiteral("/home/ann/say \"hi\" -x.png");
  const std::vector<Case> cases{
      {"double quotes inside the command's quotes", QStringLiteral("view \"%1\""), quoted,
       {QStringLiteral("view"), quoted}},
      {"double quotes without quotes around the marker", QStringLiteral("view %1 --x"), quoted,
       {QStringLiteral("view"), quoted, QStringLiteral("--x")}},
      {"blanks and a dash after them", QStringLiteral("view %1"), QStringLiteral("/tmp/a -rf.png"),
       {QStringLiteral("view"), QStringLiteral("/tmp/a -rf.png")}},
      {"a leading dash", QStringLiteral("view \"%1\""), QStringLiteral("-evil.png"),
       {QStringLiteral("view"), QStringLiteral("./-evil.png")}},
      {"a leading dash without quotes", QStringLiteral("view %L"), QStringLiteral("--help"),
       {QStringLiteral("view"), QStringLiteral("./--help")}},
      {"trailing backslashes before the closing quote", QStringLiteral("view \"%1\" next"),
       QStringLiteral("C:\\My Files\\"), {QStringLiteral("view"), QStringLiteral("C:\\My Files\\"), QStringLiteral("next")}},
      {"backslashes before a quote of the path", QStringLiteral("view \"%1\""), QStringLiteral("/a\\\"b"),
       {QStringLiteral("view"), QStringLiteral("/a\\\"b")}},
      {"part of an argument", QStringLiteral("view --file=%1"), QStringLiteral("/a b/c"),
       {QStringLiteral("view"), QStringLiteral("--file=/a b/c")}},
      {"the path is the program", QStringLiteral("\"%1\" --run"), QStringLiteral("/opt/My Tool/run.exe"),
       {QStringLiteral("/opt/My Tool/run.exe"), QStringLiteral("--run")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QStringList lines = openCommandLines(c.command, c.path);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(platform::splitCommandLine(lines[0]), c.arguments) << lines[0].toStdString();
  }
}

// A desktop that takes ".desktop" files for applications and has a default
// application for the extensions in `withProgram`; it records what it is
// asked to start.
struct FakeDesktop : platform::DesktopLauncher {
  QStringList withProgram;
  bool refuse = false;
  QStringList launched;
  QStringList opened;

  bool isApplication(const QString& path) const override {
    return path.endsWith(QStringLiteral(".desktop"), Qt::CaseInsensitive);
  }
  QString applicationName(const QString&) const override { return {}; }
  platform::LaunchOutcome launchApplication(const QString& path) override {
    launched << path;
    if (refuse) return {platform::LaunchOutcome::Result::Failed, QStringLiteral("It needs a terminal.")};
    return platform::LaunchOutcome::started();
  }
  // A path without an extension (a folder here) is left to the opener.
  platform::LaunchOutcome openWithDefault(const QString& path) override {
    const QString extension = testing::extensionName(path);
    if (extension.isEmpty()) return {};
    if (!withProgram.contains(extension)) {
      return {platform::LaunchOutcome::Result::NoProgram, QStringLiteral("No program for ") + extension + u'.'};
    }
    opened << path;
    if (refuse) return {platform::LaunchOutcome::Result::Failed, QStringLiteral("The viewer crashed.")};
    return platform::LaunchOutcome::started();
  }
};

// A results window around OpenResult: counts what the callbacks are asked.
struct Window {
  testing::TempRegistry temp;
  FakeProgramStart starter;
  FakeDesktop desktop;
  QString lastSearch;
  bool preferencesOpen = false;
  int closed = 0;
  int preferencesShown = 0;
  int disabled = 0;
  struct Told {
    QString summary;
    QString body;
    int closedBefore;  // windows already asked to close when told
    bool operator==(const Told&) const = default;
  };
  std::vector<Told> told;
  OpenHitContext context{
      .regKeys = temp.regKeys(),
      .programStart = starter,
      .WindowsDirectory = QStringLiteral("C:\\WINDOWS"),
      .getExtensionName = testing::extensionName,
      .closeForm = [this] { ++closed; },
      .showPreferences = [this] { ++preferencesShown; },
      .disableForm1 = [this] { ++disabled; },
      .PreferencesOpen = preferencesOpen,
      .desktop = &desktop,
      .lastSearchAddress = [this] { return lastSearch; },
      .tellUser =
          [this](const QString& summary, const QString& body) {
            told.push_back({summary, body, closed});
          },
  };

  void associate(const QString& extension, const QString& className, const QString& command) {
    ASSERT_TRUE(temp.regKeys().WriteRegValue(RegRoot::ClassesRoot, QStringLiteral(".") + extension, QString(),
                                             className));
    ASSERT_TRUE(temp.regKeys().WriteRegValue(
        RegRoot::ClassesRoot, className + QStringLiteral("\\Shell\\Open\\Command"), QString(), command));
  }
};

TEST(OpenResult, StartsTheRegisteredCommandAndCloses) {
  struct Case {
    const char* name;
    QString command;
    QString path;
    std::vector<FakeProgramStart::Start> expected;
  };
  const QString pdf = QStringLiteral("/home/Ann/Tax Return.Pdf");
  const std::vector<Case> cases{
      {"quoted %1", QStringLiteral("/usr/bin/evince --new-window \"%1\""), pdf,
       {{QStringLiteral("/usr/bin/evince --new-window \"/home/Ann/Tax Return.Pdf\""), 1}}},
      {"two programs", QStringLiteral("view %1 %L"), pdf,
       {{QStringLiteral("view \"/home/Ann/Tax Return.Pdf\" %L"), 1},
        {QStringLiteral("view %1 \"/home/Ann/Tax Return.Pdf\""), 1}}},
      {"SystemRoot in mixed case",
       QStringLiteral("%SystemRoot%\\System32\\rundll32.exe \"%sYsTeMrOoT%\\Shimgvw.dll\",ImageView %1"), pdf,
       {{QStringLiteral(
             "C:\\WINDOWS\\System32\\rundll32.exe \"C:\\WINDOWS\\Shimgvw.dll\",ImageView \"/home/Ann/Tax Return.Pdf\""),
         1}}},
      {"lower-case %l", QStringLiteral("Notepad.exe %l"), pdf,
       {{QStringLiteral("Notepad.exe \"/home/Ann/Tax Return.Pdf\""), 1}}},
      {"no marker", QStringLiteral("/usr/bin/viewer"), pdf, {}},
      {"row 0 has no path and there was no search", QStringLiteral("/usr/bin/viewer \"%1\""), QString(), {}},
      // Types without a program, folders included, go to the desktop's
      // opener behind the Explorer program.
      {"no extension", QStringLiteral("/usr/bin/viewer \"%1\""), QStringLiteral("/home/Ann/Music"),
       {{QStringLiteral("c:\\windows\\explorer.exe /home/Ann/Music"), 1}}},
      {"an extension without association", QStringLiteral("/usr/bin/viewer \"%1\""),
       QStringLiteral("/home/Ann/notes.zzz"), {{QStringLiteral("c:\\windows\\explorer.exe /home/Ann/notes.zzz"), 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Window window;
    window.associate(QStringLiteral("pdf"), QStringLiteral("Acme.Document"), c.command);
    OpenResult(4, c.path, window.context);
    EXPECT_EQ(window.starter.starts, c.expected);
    EXPECT_EQ(window.closed, 1);
    EXPECT_EQ(window.preferencesShown, 0);
    EXPECT_FALSE(window.preferencesOpen);
  }
}

// Where a hit goes when the registry has no program for it, what an
// application file starts, and what Show All opens.
TEST(OpenResult, TheDesktopOpensWhatTheRegistryDoesNot) {
  struct Case {
    const char* name;
    QString path;
    QString lastSearch;
    bool desktopRefuses;
    std::vector<FakeProgramStart::Start> starts;
    QStringList opened;    // by the desktop's default application
    QStringList launched;  // as the desktop's application files
  };
  const QString explorer = QStringLiteral("c:\\windows\\explorer.exe ");
  const QString search = QStringLiteral("http://127.0.0.1:4664/search&s=c0de?q=tax+return&ie=UTF-8");
  const std::vector<Case> cases{
      {"the registry comes first", QStringLiteral("/d/Tax.pdf"), {}, false,
       {{QStringLiteral("view \"/d/Tax.pdf\""), 1}}, {}, {}},
      {"the desktop's default application", QStringLiteral("/d/plan.odt"), {}, false, {}, {QStringLiteral("/d/plan.odt")},
       {}},
      {"a default application that fails to start", QStringLiteral("/d/plan.odt"), {}, true,
       {{explorer + QStringLiteral("/d/plan.odt"), 1}}, {QStringLiteral("/d/plan.odt")}, {}},
      {"no program anywhere", QStringLiteral("/d/data.zzz"), {}, false, {{explorer + QStringLiteral("/d/data.zzz"), 1}},
       {}, {}},
      {"a folder", QStringLiteral("/home/Ann/My Music"), {}, false,
       {{explorer + QStringLiteral("/home/Ann/My Music"), 1}}, {}, {}},
      {"a name like an option", QStringLiteral("-rf.zzz"), {}, false, {{explorer + QStringLiteral("./-rf.zzz"), 1}}, {},
       {}},
      // The entry is associated with an editor in the registry: it is
      // started as an application all the same, and never edited.
      {"an application file", QStringLiteral("/apps/Editor.desktop"), {}, false, {}, {},
       {QStringLiteral("/apps/Editor.desktop")}},
      {"an application file that fails to start", QStringLiteral("/apps/Editor.desktop"), {}, true, {}, {},
       {QStringLiteral("/apps/Editor.desktop")}},
      {"Show All", QString(), search, false, {{explorer + search, 1}}, {}, {}},
      {"Show All with the named loopback", QString(), QStringLiteral("http://localhost:4664/search?q=a"), false,
       {{explorer + QStringLiteral("http://localhost:4664/search?q=a"), 1}}, {}, {}},
      {"Show All with another machine's address", QString(), QStringLiteral("http://example.com/search?q=a"), false,
       {}, {}, {}},
      {"Show All with a file address", QString(), QStringLiteral("file:///etc/passwd"), false, {}, {}, {}},
      {"Show All before a search", QString(), QString(), false, {}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Window window;
    window.associate(QStringLiteral("pdf"), QStringLiteral("Acme.Document"), QStringLiteral("view \"%1\""));
    window.associate(QStringLiteral("desktop"), QStringLiteral("Acme.Text"), QStringLiteral("editor \"%1\""));
    window.desktop.withProgram = {QStringLiteral("pdf"), QStringLiteral("odt")};
    window.desktop.refuse = c.desktopRefuses;
    window.lastSearch = c.lastSearch;
    OpenResult(2, c.path, window.context);
    EXPECT_EQ(window.starter.starts, c.starts);
    EXPECT_EQ(window.desktop.opened, c.opened);
    EXPECT_EQ(window.desktop.launched, c.launched);
    EXPECT_EQ(window.closed, 1);
  }
}

// An open that fails is told to the user once the windows are asked to
// close: the file's name, why, and its full path; an open that works, or
// is left to the opener, is not.
TEST(OpenResult, TellsTheUserWhyAnOpenFailed) {
  struct Case {
    const char* name;
    QString path;
    bool desktopRefuses;
    bool startsRefused;
    bool viaExplorer;
    QString summary;  // empty: nothing is told
    QString body;
  };
  const std::vector<Case> cases{
      {"a type without a program", QStringLiteral("/d/data.zzz"), false, false, false,
       QStringLiteral("Could not open \u201cdata.zzz\u201d"), QStringLiteral("No program for zzz.\n/d/data.zzz")},
      {"an entry that needs a terminal", QStringLiteral("/apps/Top.desktop"), true, false, false,
       QStringLiteral("Could not open \u201cTop.desktop\u201d"),
       QStringLiteral("It needs a terminal.\n/apps/Top.desktop")},
      {"a default application that fails", QStringLiteral("/d/plan.odt"), true, false, false,
       QStringLiteral("Could not open \u201cplan.odt\u201d"), QStringLiteral("The viewer crashed.\n/d/plan.odt")},
      {"a registered program that is missing", QStringLiteral("/d/Tax.pdf"), false, true, false,
       QStringLiteral("Could not open \u201cTax.pdf\u201d"),
       QStringLiteral(
           "The program \u201c/missing/view er\u201d set to open this type could not be started.\n/d/Tax.pdf")},
      {"no program and no opener", QStringLiteral("/d/data.zzz"), false, true, false,
       QStringLiteral("Could not open \u201cdata.zzz\u201d"),
       QStringLiteral("No program for zzz.\nThe desktop's file opener could not be started.\n/d/data.zzz")},
      {"a folder without an opener", QStringLiteral("/d/My Music"), false, true, false,
       QStringLiteral("Could not open \u201cMy Music\u201d"),
       QStringLiteral("The desktop's file opener could not be started.\n/d/My Music")},
      {"a release without an opener", QStringLiteral("/d/plan.odt"), false, true, true,
       QStringLiteral("Could not open \u201cplan.odt\u201d"),
       QStringLiteral("The desktop's file opener could not be started.\n/d/plan.odt")},
      {"opened by the registry", QStringLiteral("/d/Tax.pdf"), false, false, false, {}, {}},
      {"opened by the desktop", QStringLiteral("/d/plan.odt"), false, false, false, {}, {}},
      {"a folder left to the opener", QStringLiteral("/d/My Music"), false, false, false, {}, {}},
      {"a release", QStringLiteral("/d/plan.odt"), false, false, true, {}, {}},
      // The page's address holds the service's codes: it is not shown.
      {"Show All without an opener", QString(), false, true, false,
       QStringLiteral("Could not show the search results page"),
       QStringLiteral("The desktop's file opener could not be started.")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Window window;
    window.associate(QStringLiteral("pdf"), QStringLiteral("Acme.Document"), QStringLiteral("\"/missing/view er\" %1"));
    window.desktop.withProgram = {QStringLiteral("odt")};
    window.desktop.refuse = c.desktopRefuses;
    window.starter.refuse = c.startsRefused;
    window.lastSearch = QStringLiteral("http://127.0.0.1:4664/search&s=c0de?q=plan&ie=UTF-8");
    if (c.viaExplorer) {
      OpenViaExplorer(2, c.path, window.context);
    } else {
      OpenResult(2, c.path, window.context);
    }
    EXPECT_EQ(window.closed, 1);
    if (c.summary.isEmpty()) {
      EXPECT_TRUE(window.told.empty()) << window.told.front().body.toStdString();
    } else {
      EXPECT_EQ(window.told, (std::vector<Window::Told>{{c.summary, c.body, 1}}))
          << (window.told.empty() ? std::string("nothing told") : window.told.front().body.toStdString());
    }
  }
}

TEST(OpenResult, GivesItsLookup) {
  Window window;
  window.associate(QStringLiteral("PDF"), QStringLiteral("Acme.Document"), QStringLiteral("%SYSTEMROOT%\\v.exe %1"));
  const OpenLookup found = OpenResult(2, QStringLiteral("/d/a.pdf"), window.context);
  EXPECT_EQ(found.FileTypeKey, QStringLiteral("Acme.Document"));
  EXPECT_EQ(found.OpenCommand, QStringLiteral("C:\\WINDOWS\\v.exe %1"));

  const OpenLookup none = OpenResult(2, QStringLiteral("/d/a.unknown"), window.context);
  EXPECT_EQ(none.FileTypeKey, QString());
  EXPECT_EQ(none.OpenCommand, QString());
}

TEST(OpenResult, FailuresStillCloseTheWindows) {
  Window window;
  window.associate(QStringLiteral("pdf"), QStringLiteral("Acme.Document"), QStringLiteral("/missing/viewer %1 %L"));
  window.starter.refuse = true;
  OpenResult(3, QStringLiteral("/d/a.pdf"), window.context);
  EXPECT_EQ(window.starter.starts.size(), 2u) << "a refused start does not stop the second";
  EXPECT_EQ(window.closed, 1);

  // A row without a FileName label (rows from 111 on) starts nothing.
  Window noLabel;
  OpenResult(115, std::nullopt, noLabel.context);
  OpenViaExplorer(115, std::nullopt, noLabel.context);
  EXPECT_TRUE(noLabel.starter.starts.empty());
  EXPECT_EQ(noLabel.closed, 2);
  EXPECT_EQ(noLabel.preferencesShown, 0);
}

TEST(OpenResult, ThePreferencesRow) {
  Window window;
  OpenResult(999, QStringLiteral("Orvanta Preferences..."), window.context);
  EXPECT_TRUE(window.preferencesOpen);
  EXPECT_EQ(window.preferencesShown, 1);
  EXPECT_EQ(window.disabled, 1);
  EXPECT_EQ(window.closed, 0);
  EXPECT_TRUE(window.starter.starts.empty());

  // A release over it shows the preferences too, without the flag.
  Window released;
  OpenViaExplorer(999, QString(), released.context);
  EXPECT_FALSE(released.preferencesOpen);
  EXPECT_EQ(released.preferencesShown, 1);
  EXPECT_EQ(released.disabled, 1);
  EXPECT_EQ(released.closed, 0);
  EXPECT_TRUE(released.starter.starts.empty());
}

TEST(OpenViaExplorer, ThePathFollowsTheExplorerProgram) {
  struct Case {
    QString path;
    QString commandLine;
  };
  const std::vector<Case> cases{
      {QStringLiteral("/home/Ann/My Files/Plan B.odt"),
       QStringLiteral("c:\\windows\\explorer.exe /home/Ann/My Files/Plan B.odt")},
      {QString(), QStringLiteral("c:\\windows\\explorer.exe ")},
      {QStringLiteral("-evil.png"), QStringLiteral("c:\\windows\\explorer.exe ./-evil.png")},
  };
  for (const Case& c : cases) {
    for (bool refuse : {false, true}) {
      Window window;
      window.starter.refuse = refuse;
      OpenViaExplorer(7, c.path, window.context);
      EXPECT_EQ(window.starter.starts, (std::vector<FakeProgramStart::Start>{{c.commandLine, 2}}));
      EXPECT_EQ(window.closed, 1);
    }
  }
}

}  // namespace
}  // namespace orvanta::results_window
