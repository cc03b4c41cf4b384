// The desktop's own search without D-Bus: the hits come out as the panel's
// rows would show them, a service that cannot be had gives none, a hit
// opens as the panel opens it and "open search" hands the words on.
#include "desktop_search.h"

#include "fake_file_system.h"
#include "fake_http_transfer.h"
#include "fake_program_start.h"
#include "settings/settings_table.h"
#include "temp_registry.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <vector>

namespace orvanta::search_provider {
namespace {

using platform::LaunchOutcome;
using settings::RegRoot;
using testing::FakeFileSystem;
using testing::FakeHttpTransfer;
using testing::FakeProgramStart;
using testing::TempRegistry;

const QString kPrefix = QStringLiteral("http://localhost:4664/search&s=Sec0123?q=");
const QString kSuffix = QStringLiteral("&ie=UTF-8");

QCoreApplication& application() {
  static int argc = 1;
  static char name[] = "desktop_search_test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  return app;
}

QString page(const QStringList& paths) {
  QString text = QStringLiteral("<html><body>");
  for (const QString& path : paths) text += QStringLiteral("<span title=\"%1\">x</span>").arg(path);
  return text + QStringLiteral("</body></html>");
}

// Desktop entries by their extension, with the names given.
class FakeLauncher : public platform::DesktopLauncher {
 public:
  bool isApplication(const QString& path) const override { return path.endsWith(QStringLiteral(".desktop")); }
  QString applicationName(const QString& path) const override { return names.value(path); }
  LaunchOutcome launchApplication(const QString& path) override {
    launched << path;
    return LaunchOutcome::started();
  }
  LaunchOutcome openWithDefault(const QString& path) override {
    openedWithDefault << path;
    return LaunchOutcome::started();
  }

  QHash<QString, QString> names;
  QStringList launched;
  QStringList openedWithDefault;
};

class DesktopSearchTest : public ::testing::Test {
 protected:
  DesktopSearchTest() {
    application();
    settings::writeSetting(temp.regKeys(), u"SearchPrefix", kPrefix);
    settings::writeSetting(temp.regKeys(), u"SearchSuffix", kSuffix);
  }

  QString searchAddress(const QString& words) const {
    QString query = words;
    return kPrefix + query.replace(u' ', u'+') + kSuffix;
  }

  QStringList ids(const QList<ProviderHit>& hits) const {
    QStringList out;
    for (const ProviderHit& hit : hits) out << hit.id;
    return out;
  }

  TempRegistry temp;
  FakeHttpTransfer http;
  FakeFileSystem files;
  FakeLauncher launcher;
  FakeProgramStart programStart;
  QStringList panelWords;
  DesktopSearch search{temp.regKeys(), http, files, &launcher, programStart, [this](const QString& words) {
                         panelWords << words;
                         return true;
                       }};
};

TEST_F(DesktopSearchTest, TheHitsAreThoseOfThePanelsRowsInTheirOrder) {
  // Two rows a group at most.
  settings::writeSetting(temp.regKeys(), u"MaxSearchResults", QStringLiteral("1"));
  for (const char* file :
       {"/h/a.pdf", "/h/notes.txt", "/h/d2.txt", "/h/d3.txt", "/h/song.rmi", "/h/tool.xyz", "/h/Calc.desktop"}) {
    files.addFile(QString::fromLatin1(file));
  }
  files.addFolder(QStringLiteral("/h/pics"));
  launcher.names.insert(QStringLiteral("/h/Calc.desktop"), QStringLiteral("Calculator"));
  // The page's order is not the panel's: the panel goes group by group.
  http.answer(searchAddress(QStringLiteral("quarterly report")),
              page({QStringLiteral("/h/a.pdf"), QStringLiteral("/h/notes.txt"), QStringLiteral("/h/d2.txt"),
                    QStringLiteral("/h/d3.txt"), QStringLiteral("/h/song.rmi"), QStringLiteral("/h/pics"),
                    QStringLiteral("/h/gone.txt"), QStringLiteral("/h/gone.png"), QStringLiteral("/h/tool.xyz"),
                    QStringLiteral("/h/Calc.desktop")}));

  const QList<ProviderHit> hits = search.search(QStringLiteral("quarterly report"));

  // The song is an Audio and an Images hit: listed once, in its first
  // group. The third document is past the group's rows, a missing text
  // file and a file of no group are never shown, a missing picture is.
  const std::vector<ProviderHit> expected{
      {QStringLiteral("/h/Calc.desktop"), QStringLiteral("Calculator"), QStringLiteral("Applications"),
       QStringLiteral("application-x-executable")},
      {QStringLiteral("/h/song.rmi"), QStringLiteral("song.rmi"), QStringLiteral("Audio"),
       QStringLiteral("audio-x-generic")},
      {QStringLiteral("/h/notes.txt"), QStringLiteral("notes.txt"), QStringLiteral("Documents"),
       QStringLiteral("x-office-document")},
      {QStringLiteral("/h/d2.txt"), QStringLiteral("d2.txt"), QStringLiteral("Documents"),
       QStringLiteral("x-office-document")},
      {QStringLiteral("/h/pics"), QStringLiteral("pics"), QStringLiteral("Folders"), QStringLiteral("folder")},
      {QStringLiteral("/h/gone.png"), QStringLiteral("gone.png"), QStringLiteral("Images"),
       QStringLiteral("image-x-generic")},
      {QStringLiteral("/h/a.pdf"), QStringLiteral("a.pdf"), QStringLiteral("PDF Documents"),
       QStringLiteral("application-pdf")},
  };
  EXPECT_EQ(std::vector<ProviderHit>(hits.begin(), hits.end()), expected) << ids(hits).join(u' ').toStdString();
  // Each is described again the same way (the desktop asks for the
  // descriptions in a call of their own).
  for (const ProviderHit& hit : expected) EXPECT_EQ(search.describe(hit.id), hit);
  EXPECT_EQ(search.describe(QStringLiteral("/h/tool.xyz")).group, QString());
}

TEST_F(DesktopSearchTest, AServiceThatCannotBeHadGivesNoHits) {
  files.addFile(QStringLiteral("/h/notes.txt"));
  const QString hits = page({QStringLiteral("/h/notes.txt")});
  const QString address = searchAddress(QStringLiteral("notes"));
  const QString letterSearch = kPrefix + u'e' + kSuffix;
  const struct {
    const char* what;
    std::function<void()> script;
  } cases[] = {
      {"nothing listens", [&] { http.fail(letterSearch, FakeHttpTransfer::Error::Unreachable); }},
      {"no answer in time", [&] { http.fail(letterSearch, FakeHttpTransfer::Error::TimedOut); }},
      {"the search is refused",
       [&] {
         http.answer(letterSearch, hits);
         http.answer(address, QStringLiteral("<h1>Forbidden</h1>"), 403);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    http.clearAnswers();
    http.answer(address, hits);
    c.script();
    EXPECT_TRUE(search.search(QStringLiteral("notes")).isEmpty());
  }
  // The same answers without the failure give the hit.
  http.clearAnswers();
  http.answer(address, hits);
  EXPECT_EQ(ids(search.search(QStringLiteral("notes"))), QStringList{QStringLiteral("/h/notes.txt")});
}

TEST_F(DesktopSearchTest, AServiceThatHangsEndsTheSearchWithinTheAnswerTime) {
  const std::chrono::milliseconds answerTime{300};
  DesktopSearch quick(temp.regKeys(), http, files, nullptr, programStart, {}, {}, answerTime);
  http.answer(searchAddress(QStringLiteral("notes")), page({}));
  const QDeadlineTimer earliest(answerTime);
  quick.search(QStringLiteral("notes"));
  const QDeadlineTimer latest(answerTime);
  // Every request of the search was given one deadline, the answer time
  // from the search's start.
  ASSERT_EQ(http.deadlines().size(), 8);
  for (const QDeadlineTimer& deadline : http.deadlines()) {
    EXPECT_EQ(deadline.deadline(), http.deadlines().first().deadline());
    EXPECT_GE(deadline.deadline(), earliest.deadline());
    EXPECT_LE(deadline.deadline(), latest.deadline());
  }
}

TEST_F(DesktopSearchTest, AHitOpensAsThePanelOpensIt) {
  ASSERT_TRUE(
      temp.regKeys().WriteRegValue(RegRoot::ClassesRoot, QStringLiteral(".txt"), QString(), QStringLiteral("txtfile")));
  ASSERT_TRUE(temp.regKeys().WriteRegValue(RegRoot::ClassesRoot, QStringLiteral("txtfile\\Shell\\Open\\Command"),
                                           QString(), QStringLiteral("\"/usr/bin/editor\" \"%1\"")));
  EXPECT_TRUE(search.open(QStringLiteral("/h/my notes.txt")));
  ASSERT_EQ(programStart.starts.size(), 1u);
  EXPECT_EQ(programStart.starts[0].commandLine, QStringLiteral("\"/usr/bin/editor\" \"/h/my notes.txt\""));

  // An application by the desktop's launcher alone; a type the registry
  // does not know by the desktop's default application.
  EXPECT_TRUE(search.open(QStringLiteral("/h/Calc.desktop")));
  EXPECT_EQ(launcher.launched, QStringList{QStringLiteral("/h/Calc.desktop")});
  EXPECT_TRUE(search.open(QStringLiteral("/h/a.pdf")));
  EXPECT_EQ(launcher.openedWithDefault, QStringList{QStringLiteral("/h/a.pdf")});
  EXPECT_EQ(programStart.starts.size(), 1u);

  // What is no path opens nothing (an empty one would be the panel's Show
  // All row).
  for (const QString& id : {QString(), QStringLiteral("notes.txt"), QStringLiteral("-rf")}) {
    EXPECT_FALSE(search.open(id)) << id.toStdString();
  }
  EXPECT_EQ(programStart.starts.size(), 1u);
  EXPECT_EQ(launcher.openedWithDefault.size(), 1);
}

TEST_F(DesktopSearchTest, OpenSearchHandsTheWordsOfTheBoxOn) {
  const struct {
    QStringList terms;
    QString words;
  } cases[] = {
      {{QStringLiteral("quarterly"), QStringLiteral("report")}, QStringLiteral("quarterly report")},
      {{QStringLiteral(" tom "), QString(), QStringLiteral("&"), QStringLiteral("jerry\t")},
       QStringLiteral("tom & jerry")},
      {{QStringLiteral("\u00dcberblick")}, QStringLiteral("\u00dcberblick")},
      {{}, QString()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DesktopSearch::wordsOf(c.terms), c.words);
    EXPECT_TRUE(search.showPanel(DesktopSearch::wordsOf(c.terms)));
  }
  EXPECT_EQ(panelWords, (QStringList{QStringLiteral("quarterly report"), QStringLiteral("tom & jerry"),
                                     QStringLiteral("\u00dcberblick"), QString()}));
}

}  // namespace
}  // namespace orvanta::search_provider
