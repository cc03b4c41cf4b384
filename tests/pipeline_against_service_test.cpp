// End to end: the bundled local search service started over a temporary
// folder, searched through the real HTTP transfer and file system.
#include "platform/file_registry.h"
#include "platform/qt_file_system.h"
#include "platform/qt_http_transfer.h"
#include "search/search_pipeline.h"
#include "settings/settings_table.h"
#include "pipeline_against_service_test.h"
#include "wait_for.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

namespace orvanta::search {

QCoreApplication& app() {
  static int argc = 1;
  static char name[] = "pipeline_against_service_test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication instance(argc, argv);
  return instance;
}

namespace {

using settings::RegRoot;

using testing::waitFor;

// Windows allows no double quote in a file name: there the two test files
// with one cannot be made, and searches for them find nothing.
#ifdef Q_OS_WIN
constexpr bool kQuotesInNames = false;
#else
constexpr bool kQuotesInNames = true;
#endif

// Where the service keeps its codes: the machine's registry on Windows, the
// registry file in its configuration folder elsewhere.
std::unique_ptr<platform::Registry> serviceRegistry([[maybe_unused]] const QString& config) {
#ifdef Q_OS_WIN
  return platform::createSystemRegistry();
#else
  return std::make_unique<platform::FileRegistry>(config + QStringLiteral("/orvanta/registry.reg"));
#endif
}

class SearchServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app();
    ASSERT_TRUE(folder.isValid() && config.isValid());
    root = folder.path() + QStringLiteral("/files");
    ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/holiday.jpg")));
    ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/music")));
    for (const QString& name :
         {QStringLiteral("music/Song.MP3"), QStringLiteral("tom & jerry.txt"), QStringLiteral("O'Brien notes.txt"),
          QStringLiteral("Gr\u00fc\u00dfe.pdf"), QStringLiteral("100% done.txt"), QStringLiteral("clock.widget"),
          QStringLiteral("say \"hi\".txt"), QStringLiteral("c# guide.txt"), QStringLiteral("coll\"x.txt"),
          QStringLiteral("coll&quot;x.txt")}) {
      QFile file(root + u'/' + name);
      ASSERT_EQ(file.open(QIODevice::WriteOnly), kQuotesInNames || !name.contains(u'"')) << name.toStdString();
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    // The index and the applications folders of this test only.
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), folder.path() + QStringLiteral("/cache"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folder.path() + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), folder.path() + QStringLiteral("/data"));
    service.setProcessEnvironment(environment);
    QObject::connect(&service, &QProcess::readyReadStandardError,
                     // Lines end in "\r\n" on Windows, whose C library writes text so.
                     [this] { log += QString::fromUtf8(service.readAllStandardError()).remove(u'\r'); });
    service.start(QStringLiteral(ORVANTA_SERVICE_BINARY),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--root"), root});
    ASSERT_TRUE(service.waitForStarted());
    static const QRegularExpression listening(QStringLiteral("listening on port (\\d+)"));
    ASSERT_TRUE(waitFor([&] { return listening.match(log).hasMatch() && log.contains(QStringLiteral("indexed")); },
                        kServiceWaitMs))
        << log.toStdString();
    port = listening.match(log).captured(1);

    securityCode = regKeys.ReadRegValue(RegRoot::LocalMachine, settings::kServiceKey, settings::kServiceSecurityCode);
    ASSERT_EQ(securityCode.size(), 27);
    prefix = QStringLiteral("http://localhost:%1/search&s=%2?q=").arg(port, securityCode);
    settings::writeSetting(regKeys, u"SearchPrefix", prefix);
    settings::writeSetting(regKeys, u"SearchSuffix", QStringLiteral("&ie=UTF-8"));

    extensions = defaultExtensionLists();
  }

  void TearDown() override {
    service.kill();
    service.waitForFinished();
  }

  // The request lines the service has logged so far, from `from` on.
  QStringList loggedTargets(qsizetype from = 0) const {
    QStringList targets;
    static const QRegularExpression line(QStringLiteral("^\\S+ GET (\\S+) (\\d+)$"),
                                         QRegularExpression::MultilineOption);
    auto it = line.globalMatch(log);
    while (it.hasNext()) targets.append(it.next().captured(1));
    return targets.mid(from);
  }

  QTemporaryDir folder;
  QTemporaryDir config;
  QString root;
  QProcess service;
  QString log;
  QString port;
  QString securityCode;
  QString prefix;
  std::unique_ptr<platform::Registry> registry = serviceRegistry(config.path());
  settings::RegKeys regKeys{*registry};
  platform::QtHttpTransfer http;
  platform::QtFileSystem fileSystem;
  ExtensionLists extensions;
  SearchState state;
  QObject window;
};

TEST_F(SearchServiceTest, SearchesEndToEnd) {
  // The base addresses point at this test's service.
  SearchPipeline pipeline(regKeys, http, fileSystem,
                          {QStringLiteral("http://127.0.0.1:") + port, QStringLiteral("http://localhost:") + port});
  const auto run = [&](const QString& text) { return pipeline.run(text, extensions, state, &window); };

  const qsizetype before = loggedTargets().size();
  ASSERT_EQ(run(QStringLiteral("song")), SearchOutcome::Completed);
  EXPECT_EQ(state.categories[Category::Audio], QStringList{root + QStringLiteral("/music/Song.MP3")});
  EXPECT_EQ(state.topHit.caption, QStringLiteral("Song.MP3"));
  EXPECT_EQ(state.topHit.toolTip, root + QStringLiteral("/music/Song.MP3"));

  // The service saw the whole sequence: the navigation and eight GETs.
  // The log writes "***" for the codes.
  const QString searchTarget = QStringLiteral("/search&s=***?q=song&ie=UTF-8");
  ASSERT_TRUE(waitFor([&] { return loggedTargets(before).size() == 9; }, kServiceWaitMs)) << log.toStdString();
  QStringList targets = loggedTargets(before);
  targets.removeOne(searchTarget);  // the navigation, which may arrive at any point
  const QString unsupported = QStringLiteral("/unsupported?url=%2F%26s%3D***%26q%3D&s=***");
  EXPECT_EQ(targets, (QStringList{QStringLiteral("/search&s=***?q=e&ie=UTF-8"), QStringLiteral("/ok?url=%2F"),
                                  QStringLiteral("/ok?url=%2F"), unsupported, QStringLiteral("/ok?url=%2F"),
                                  QStringLiteral("/ok?url=%2F"), searchTarget, searchTarget}));

  const struct {
    QString text;
    Category category;
    QString expected;
  } cases[] = {
      {QStringLiteral("O'Brien"), Category::Documents, root + QStringLiteral("/O'Brien notes.txt")},
      {QStringLiteral("gr\u00fc\u00dfe"), Category::PDFs, root + QStringLiteral("/Gr\u00fc\u00dfe.pdf")},
      {QStringLiteral("100%"), Category::Documents, root + QStringLiteral("/100% done.txt")},
      // Only "tom+" reaches the service as the words: the "&" ends them.
      {QStringLiteral("tom & jerry"), Category::Documents, root + QStringLiteral("/tom & jerry.txt")},
      {QStringLiteral("holiday"), Category::Folders, root + QStringLiteral("/holiday.jpg")},
      {QStringLiteral("holiday"), Category::Images, root + QStringLiteral("/holiday.jpg")},
      {QStringLiteral("clock"), Category::Widgets, root + QStringLiteral("/clock.widget")},
      // The "#" goes out as %23 and the service reads it back as "#".
      {QStringLiteral("c# guide"), Category::Documents, root + QStringLiteral("/c# guide.txt")},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(run(c.text), SearchOutcome::Completed);
    EXPECT_EQ(state.categories[c.category], QStringList{c.expected}) << c.text.toStdString();
  }
  // A double quote in a path is written "&quot;" and read back as one; a
  // name holding "&quot;" itself is left off the page, so that no hit names
  // another file.
  const struct {
    QString text;
    QString expected;
  } quoted[] = {
      {QStringLiteral("say"), root + QStringLiteral("/say \"hi\".txt")},
      {QStringLiteral("coll"), root + QStringLiteral("/coll\"x.txt")},
  };
  for (const auto& c : quoted) {
    ASSERT_EQ(run(c.text), SearchOutcome::Completed);
    if (kQuotesInNames) {
      EXPECT_EQ(state.categories[Category::Documents], QStringList{c.expected}) << state.ResultPage.toStdString();
      EXPECT_EQ(state.topHit.toolTip, c.expected);
    } else {
      // Only "coll&quot;x.txt" exists, and it is left off the page.
      EXPECT_EQ(state.categories[Category::Documents], QStringList()) << state.ResultPage.toStdString();
    }
  }
  if (kQuotesInNames) {
    EXPECT_TRUE(
        state.ResultPage.contains(QStringLiteral("span title=\"") + root + QStringLiteral("/coll&quot;x.txt\"")));
  }
  EXPECT_EQ(state.ResultPage.count(QStringLiteral("span title=")), kQuotesInNames ? 1 : 0);

  // How the addresses reached the service.
  const QStringList all = loggedTargets();
  EXPECT_TRUE(all.contains(QStringLiteral("/search&s=***?q=tom+&+jerry&ie=UTF-8")));
  EXPECT_TRUE(all.contains(QStringLiteral("/search&s=***?q=gr%C3%BC%C3%9Fe&ie=UTF-8")));
  EXPECT_TRUE(all.contains(QStringLiteral("/search&s=***?q=O'Brien&ie=UTF-8")));
  EXPECT_TRUE(all.contains(QStringLiteral("/search&s=***?q=c%23+guide&ie=UTF-8")));
  for (const QString& code : {securityCode, regKeys.ReadRegValue(RegRoot::LocalMachine, settings::kServiceKey,
                                                                 settings::kServiceSessionCode)}) {
    EXPECT_FALSE(log.contains(code)) << log.toStdString();
  }

  // A search address without the service's code is refused: the search
  // stops at its first request and says so.
  settings::writeSetting(regKeys, u"SearchPrefix", QStringLiteral("http://localhost:%1/search&s=wrong?q=").arg(port));
  const qsizetype beforeRefusal = loggedTargets().size();
  ASSERT_EQ(run(QStringLiteral("song")), SearchOutcome::Completed);
  EXPECT_EQ(state.failure, ServiceFailure::Refused);
  EXPECT_EQ(state.failedServer, QStringLiteral("localhost:") + port);
  for (const QStringList& list : state.categories.lists) EXPECT_TRUE(list.isEmpty());
  // The navigation and the letter search, nothing after it.
  ASSERT_TRUE(waitFor([&] { return loggedTargets(beforeRefusal).size() >= 2; }, kServiceWaitMs));
  // The log writes whatever stands in the code's place as "***".
  EXPECT_EQ(loggedTargets(beforeRefusal).filter(QStringLiteral("/search&s=***?q=e&")).size(), 1);
  EXPECT_EQ(loggedTargets(beforeRefusal).size(), 2);
  settings::writeSetting(regKeys, u"SearchPrefix", prefix);

  // With the service gone the search stops at its first request and says
  // why; nothing of the last search's page is listed again.
  ASSERT_EQ(run(QStringLiteral("say")), SearchOutcome::Completed);
  const QString lastPage = state.ResultPage;
  service.kill();
  service.waitForFinished();
  ASSERT_EQ(run(QStringLiteral("song")), SearchOutcome::Completed);
  EXPECT_EQ(state.failure, ServiceFailure::Unreachable);
  EXPECT_EQ(state.failedServer, QStringLiteral("localhost:") + port);
  EXPECT_EQ(state.ResultPage, lastPage);
  for (const QStringList& list : state.categories.lists) EXPECT_TRUE(list.isEmpty());
}

// A window that holds the search state, as the results window does.
struct StateHolder : QObject {
  SearchState state;
};

TEST_F(SearchServiceTest, WindowDestroyedDuringARealWait) {
  SearchPipeline pipeline(regKeys, http, fileSystem,
                          {QStringLiteral("http://127.0.0.1:") + port, QStringLiteral("http://localhost:") + port});
  auto* holder = new StateHolder;
  // Runs inside the first wait; any later use of the state would be a use
  // of freed memory, which the sanitizer build reports.
  QTimer::singleShot(0, [holder] { delete holder; });
  const qsizetype before = loggedTargets().size();
  EXPECT_EQ(pipeline.run(QStringLiteral("song"), extensions, holder->state, holder), SearchOutcome::Abandoned);
  EXPECT_FALSE(pipeline.isRunning());
  // The pipeline serves the next window.
  StateHolder next;
  EXPECT_EQ(pipeline.run(QStringLiteral("song"), extensions, next.state, &next), SearchOutcome::Completed);
  // The abandoned search stopped after the request that was running: only
  // the second search reached the unsupported address.
  const auto unsupportedCount = [&] { return loggedTargets(before).filter(QStringLiteral("/unsupported?")).size(); };
  ASSERT_TRUE(waitFor([&] { return loggedTargets(before).size() >= 9 && unsupportedCount() >= 1; }, kServiceWaitMs));
  EXPECT_EQ(unsupportedCount(), 1);
  EXPECT_LE(loggedTargets(before).size(), 11);
  EXPECT_EQ(next.state.categories[Category::Audio], QStringList{root + QStringLiteral("/music/Song.MP3")});
}

TEST_F(SearchServiceTest, ServiceRefusesSearchesWithoutItsCodeAndKeepsItsCodes) {
  const auto session = http.openSession();
  const QString base = QStringLiteral("http://127.0.0.1:") + port;
  for (const QString& target :
       {QStringLiteral("/search&s=wrong?q=song"), QStringLiteral("/search?q=song"), QStringLiteral("/search&s=?q=song"),
        QStringLiteral("/search&s=") + securityCode.toLower() + QStringLiteral("?q=song")}) {
    const std::optional<QString> page = session->get(base + target);
    ASSERT_TRUE(page.has_value()) << target.toStdString();
    EXPECT_FALSE(page->contains(QStringLiteral("span title="))) << target.toStdString();
  }
  ASSERT_TRUE(waitFor([&] { return log.count(QStringLiteral(" 403\n")) == 4; }, kServiceWaitMs)) << log.toStdString();
  const std::optional<QString> home = session->get(QStringLiteral("http://[::1]:") + port + u'/');
  if (home) {  // where the system has IPv6
    EXPECT_TRUE(home->contains(QStringLiteral("/ok?url=")));
  }

  // A second start reuses the stored codes.
  service.kill();
  service.waitForFinished();
  log.clear();
  service.start(QStringLiteral(ORVANTA_SERVICE_BINARY),
                {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--root"), root});
  ASSERT_TRUE(waitFor([&] { return log.contains(QStringLiteral("listening")); }, kServiceWaitMs));
  EXPECT_EQ(regKeys.ReadRegValue(RegRoot::LocalMachine, settings::kServiceKey, settings::kServiceSecurityCode),
            securityCode);
  const QString session2 =
      regKeys.ReadRegValue(RegRoot::LocalMachine, settings::kServiceKey, settings::kServiceSessionCode);
  EXPECT_EQ(session2.size(), 27);
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Za-z0-9_]{27}$")).match(session2).hasMatch());
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Za-z0-9]{27}$")).match(securityCode).hasMatch());
}

}  // namespace
}  // namespace orvanta::search
