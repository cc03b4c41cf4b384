// One search through the pipeline with a scripted HTTP transfer: the
// requests in their order, the addresses as typed, which answer is scanned,
// and what a failed or abandoned search leaves behind.
#include "fake_file_system.h"
#include "fake_http_transfer.h"
#include "search/search_pipeline.h"
#include "settings/settings_table.h"
#include "temp_registry.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <functional>
#include <string_view>

namespace orvanta::search {
namespace {

using platform::PathKind;
using settings::RegRoot;
using testing::FakeFileSystem;
using testing::FakeHttpTransfer;
using testing::TempRegistry;

const QString kPrefix = QStringLiteral("http://localhost:4664/search&s=Sec0123?q=");
const QString kSuffix = QStringLiteral("&ie=UTF-8");
const QString kNumeric = QStringLiteral("http://127.0.0.1:4664");
const QString kNamed = QStringLiteral("http://localhost:4664");
const QString kUnsupported =
    QStringLiteral("http://127.0.0.1:4664/unsupported?url=%2F%26s%3DSec0123%26q%3D&s=Ses_01");

class SearchPipelineTest : public ::testing::Test {
 protected:
  SearchPipelineTest() {
    settings::writeSetting(temp.regKeys(), u"SearchPrefix", kPrefix);
    settings::writeSetting(temp.regKeys(), u"SearchSuffix", kSuffix);
    temp.regKeys().WriteRegValue(RegRoot::LocalMachine, settings::kServiceKey, settings::kServiceSecurityCode,
                                 QStringLiteral("Sec0123"));
    temp.regKeys().WriteRegValue(RegRoot::LocalMachine, settings::kServiceKey, settings::kServiceSessionCode,
                                 QStringLiteral("Ses_01"));
    extensions.Extensions_Applications = settings::kExtensionsApplications;
    extensions.Extensions_Audio = settings::fixedDefault(u"Extensions_Audio");
    extensions.Extensions_Images = settings::fixedDefault(u"Extensions_Images");
    extensions.Extensions_Documents = settings::fixedDefault(u"Extensions_Documents");
  }

  SearchOutcome search(const QString& text) { return pipeline.run(text, extensions, state, &window); }

  static QStringList getsFor(const QString& searchAddress, const QString& firstRedirect = QString(),
                             const QString& secondRedirect = QString(), const QString& prefix = kPrefix) {
    return {prefix + u'e' + kSuffix,
            kNumeric + firstRedirect,
            kNamed + firstRedirect,
            kUnsupported,
            kNumeric + secondRedirect,
            kNamed + secondRedirect,
            searchAddress,
            searchAddress};
  }

  TempRegistry temp;
  FakeHttpTransfer http;
  FakeFileSystem fileSystem{{QStringLiteral("/m/Song.MP3"), PathKind::File},
                            {QStringLiteral("/m/notes.txt"), PathKind::File}};
  SearchPipeline pipeline{temp.regKeys(), http, fileSystem};
  ExtensionLists extensions;
  SearchState state;
  QObject window;
};

QString page(const QString& body) { return QStringLiteral("<html><body>") + body + QStringLiteral("</body></html>"); }

TEST_F(SearchPipelineTest, RequestsInOrderWithRedirectPathsAndTheScannedAnswer) {
  const QString searchAddress = kPrefix + QStringLiteral("song") + kSuffix;
  http.answer(kPrefix + u'e' + kSuffix, page(QStringLiteral("<a href=\"/ok?url=first&x=1\">x</a>")));
  http.answer(kNumeric + QStringLiteral("/ok?url=first&x=1"), page(QStringLiteral("<a href=\"/ok?url=numeric\">")));
  // The second redirect path is cut from the page the named base's answer
  // left; the unsupported address's answer is dropped.
  http.answer(kNamed + QStringLiteral("/ok?url=first&x=1"), page(QStringLiteral("<a href=\"/ok?url=second\">")));
  http.answer(kUnsupported, page(QStringLiteral("<a href=\"/ok?url=unsupported\">")));
  http.answer(kNumeric + QStringLiteral("/ok?url=second"), page(QStringLiteral("home")));
  const QString results = page(QStringLiteral("<span title=\"/m/Song.MP3\"></span><span title=\"/m/notes.txt\">"));
  http.answer(searchAddress, results);

  EXPECT_EQ(search(QStringLiteral("song")), SearchOutcome::Completed);

  ASSERT_FALSE(http.requests().isEmpty());
  EXPECT_EQ(http.requests().front(), (FakeHttpTransfer::Request{true, searchAddress, -1}));  // the navigation first
  EXPECT_EQ(http.getAddresses(),
            getsFor(searchAddress, QStringLiteral("/ok?url=first&x=1"), QStringLiteral("/ok?url=second")));
  EXPECT_EQ(http.sessionsOpened(), 1);
  for (const auto& request : http.requests()) {
    if (!request.navigation) {
      EXPECT_EQ(request.session, 0);
    }
  }
  EXPECT_EQ(state.ResultPage, results);
  EXPECT_EQ(state.text2, results);
  EXPECT_EQ(state.SearchQuery, QStringLiteral("song"));
  EXPECT_EQ(state.categories[Category::Audio], QStringList{QStringLiteral("/m/Song.MP3")});
  EXPECT_EQ(state.categories[Category::Documents], QStringList{QStringLiteral("/m/notes.txt")});
  EXPECT_EQ(state.topHit.caption, QStringLiteral("Song.MP3"));
  EXPECT_EQ(state.topHit.toolTip, QStringLiteral("/m/Song.MP3"));
  EXPECT_FALSE(pipeline.isRunning());
}

TEST_F(SearchPipelineTest, TheTextGoesIntoTheAddressAsTyped) {
  const struct {
    QString text;
    QString query;
  } cases[] = {
      {QStringLiteral("a b  c"), QStringLiteral("a+b++c")},
      {QStringLiteral("tom & jerry"), QStringLiteral("tom+&+jerry")},
      {QString(), QString()},
      {QStringLiteral(" "), QStringLiteral("+")},
      {QStringLiteral("100% a+b ?x=1 #2"), QStringLiteral("100%+a+b+?x=1+#2")},
      {QStringLiteral("c# guide"), QStringLiteral("c#+guide")},
      {QStringLiteral("Gr\u00fc\u00dfe\tx"), QStringLiteral("Gr\u00fc\u00dfe\tx")},
  };
  for (const auto& c : cases) {
    http.clearRequests();
    EXPECT_EQ(search(c.text), SearchOutcome::Completed);
    const QString searchAddress = kPrefix + c.query + kSuffix;
    EXPECT_EQ(state.SearchQuery, c.query);
    ASSERT_EQ(http.requests().size(), 9);
    EXPECT_EQ(http.requests().front().address, searchAddress);
    EXPECT_EQ(http.getAddresses(), getsFor(searchAddress)) << c.text.toStdString();
  }
}

TEST_F(SearchPipelineTest, AServiceThatCannotBeHadStopsTheSearchAndSaysWhy) {
  using Error = FakeHttpTransfer::Error;
  const QString searchAddress = kPrefix + QStringLiteral("song") + kSuffix;
  const QString hits = page(QStringLiteral("<span title=\"/m/Song.MP3\"></span>"));
  const QString letterSearch = kPrefix + u'e' + kSuffix;
  const struct {
    const char* name;
    std::function<void(FakeHttpTransfer&)> script;
    int requestsSent;
    ServiceFailure failure;
    QString server;
  } cases[] = {
      {"nothing listens", [](FakeHttpTransfer& http) { http.failUnscripted(Error::Unreachable); }, 1,
       ServiceFailure::Unreachable, QStringLiteral("localhost:4664")},
      {"the first request times out", [&](FakeHttpTransfer& http) { http.fail(letterSearch, Error::TimedOut); }, 1,
       ServiceFailure::Unreachable, QStringLiteral("localhost:4664")},
      {"the named base times out",
       [&](FakeHttpTransfer& http) {
         http.answer(letterSearch, hits);
         http.fail(kNamed, Error::TimedOut);
       },
       3, ServiceFailure::Unreachable, QStringLiteral("localhost:4664")},
      {"the search address's server refuses it later",
       [&](FakeHttpTransfer& http) {
         http.answer(letterSearch, hits);
         http.fail(searchAddress, Error::Unreachable);
       },
       7, ServiceFailure::Unreachable, QStringLiteral("localhost:4664")},
      {"the numeric base times out", [&](FakeHttpTransfer& http) { http.fail(kNumeric, Error::TimedOut); }, 2,
       ServiceFailure::Unreachable, QStringLiteral("127.0.0.1:4664")},
      {"the search address is refused",
       [&](FakeHttpTransfer& http) {
         http.answer(letterSearch, hits);
         http.answer(searchAddress, page(QStringLiteral("<h1>Forbidden</h1>")), 403);
       },
       7, ServiceFailure::Refused, QStringLiteral("localhost:4664")},
      {"the letter search is refused with an empty answer",
       [&](FakeHttpTransfer& http) { http.answer(letterSearch, QString(), 403); }, 1, ServiceFailure::Refused,
       QStringLiteral("localhost:4664")},
      // Not refusals: a 403 that holds hits, other statuses, broken answers.
      {"a 403 with hits is an answer",
       [&](FakeHttpTransfer& http) { http.answer(searchAddress, hits + QStringLiteral("tail of the page"), 403); },
       8, ServiceFailure::None, QString()},
      {"a 404 is an answer", [&](FakeHttpTransfer& http) { http.answer(searchAddress, hits, 404); }, 8,
       ServiceFailure::None, QString()},
      {"broken answers leave the earlier text", [](FakeHttpTransfer& http) { http.failUnscripted(Error::Broken); }, 8,
       ServiceFailure::None, QString()},
      // The base addresses name another server than the search address:
      // its refusals only give no redirect path.
      {"another server refuses",
       [&](FakeHttpTransfer& http) {
         http.fail(kNumeric, Error::Unreachable);
         http.answer(kUnsupported, QString(), 403);
         http.answer(searchAddress, hits);
       },
       8, ServiceFailure::None, QString()},
  };
  for (const auto& c : cases) {
    FakeHttpTransfer http;
    SearchPipeline pipeline(temp.regKeys(), http, fileSystem);
    c.script(http);
    SearchState state;
    state.failure = ServiceFailure::Refused;  // from an earlier search
    state.categories[Category::Images].append(QStringLiteral("/earlier.png"));
    EXPECT_EQ(pipeline.run(QStringLiteral("song"), extensions, state, &window), SearchOutcome::Completed) << c.name;
    EXPECT_EQ(http.getAddresses().size(), c.requestsSent) << c.name;
    EXPECT_EQ(state.failure, c.failure) << c.name;
    EXPECT_EQ(state.failedServer, c.server) << c.name;
    if (c.failure != ServiceFailure::None) {
      // Nothing is scanned, not even an answer that came before.
      for (const QStringList& list : state.categories.lists) EXPECT_TRUE(list.isEmpty()) << c.name;
      EXPECT_TRUE(state.topHit.caption.isEmpty()) << c.name;
    } else {
      EXPECT_EQ(state.categories[Category::Images], QStringList()) << c.name;
      // The page scanned is the search address's answer, when it came.
      const bool answered = std::string_view(c.name) != "broken answers leave the earlier text";
      EXPECT_EQ(state.categories[Category::Audio].size(), answered ? 1 : 0) << c.name;
    }
  }
}

TEST(ServiceFailureMessage, InPlainWords) {
  EXPECT_EQ(serviceFailureMessage(ServiceFailure::Unreachable, QStringLiteral("localhost:4664")),
            QStringLiteral("The search service cannot be reached at localhost:4664."));
  EXPECT_EQ(serviceFailureMessage(ServiceFailure::Refused, QStringLiteral("127.0.0.1:4664")),
            QStringLiteral("The search service at 127.0.0.1:4664 refused the search address."));
  EXPECT_TRUE(serviceFailureMessage(ServiceFailure::None, QStringLiteral("localhost:4664")).isEmpty());
}

TEST_F(SearchPipelineTest, TheRequestsOfASearchShareOneDeadline) {
  const QDeadlineTimer before(SearchPipeline::kSearchTime);
  EXPECT_EQ(search(QStringLiteral("song")), SearchOutcome::Completed);
  const QDeadlineTimer after(SearchPipeline::kSearchTime);
  ASSERT_EQ(http.deadlines().size(), 8);
  for (const QDeadlineTimer& deadline : http.deadlines()) {
    EXPECT_EQ(deadline, http.deadlines().front());
    EXPECT_FALSE(deadline.isForever());
  }
  // Set once, at the start: no later than a deadline taken after the search.
  EXPECT_LE(before.deadlineNSecs(), http.deadlines().front().deadlineNSecs());
  EXPECT_LE(http.deadlines().front().deadlineNSecs(), after.deadlineNSecs());
}

TEST_F(SearchPipelineTest, WhenTheDeadlinePassesTheRestIsNotSent) {
  // The requests before the slow one must fit the time: long enough for a
  // loaded machine or Wine, which the slow request then waits out.
  SearchPipeline quick(temp.regKeys(), http, fileSystem, {}, std::chrono::milliseconds(2000));
  // The service answers, but slowly: the time runs out during the named
  // base's request.
  http.answer(kPrefix + u'e' + kSuffix, page(QStringLiteral("<span title=\"/m/Song.MP3\">")));
  http.setDuringGet([&](const QString& address) {
    if (address != kNamed) return;
    const QDeadlineTimer wait(5000);
    while (!http.deadlines().back().hasExpired() && !wait.hasExpired()) QCoreApplication::processEvents();
  });
  EXPECT_EQ(quick.run(QStringLiteral("song"), extensions, state, &window), SearchOutcome::Completed);
  EXPECT_EQ(http.getAddresses().size(), 3);
  EXPECT_EQ(state.failure, ServiceFailure::Unreachable);
  EXPECT_EQ(state.failedServer, QStringLiteral("127.0.0.1:4664"));  // the unsupported address, not sent
  for (const QStringList& list : state.categories.lists) EXPECT_TRUE(list.isEmpty());
}

TEST_F(SearchPipelineTest, FailedRequestsLeaveTheEarlierAnswer) {
  // Only the letter search answers: its page is the one scanned.
  const QString letterPage = page(QStringLiteral("<span title=\"/m/Song.MP3\">"));
  http.answer(kPrefix + u'e' + kSuffix, letterPage);
  search(QStringLiteral("song"));
  EXPECT_EQ(state.ResultPage, letterPage);
  EXPECT_EQ(state.categories[Category::Audio], QStringList{QStringLiteral("/m/Song.MP3")});

  // With the service gone, the next search scans the previous search's page.
  http.clearAnswers();
  search(QStringLiteral("other"));
  EXPECT_EQ(state.ResultPage, letterPage);
  EXPECT_EQ(state.categories[Category::Audio], QStringList{QStringLiteral("/m/Song.MP3")});
}

TEST_F(SearchPipelineTest, SettingsAreReadAgainAtEverySearch) {
  search(QStringLiteral("x"));
  EXPECT_EQ(state.searchPrefix, kPrefix);
  const QString newPrefix = QStringLiteral("http://localhost:4664/search&s=Other?q=");
  settings::writeSetting(temp.regKeys(), u"SearchPrefix", newPrefix);
  http.clearRequests();
  search(QStringLiteral("x"));
  EXPECT_EQ(state.searchPrefix, newPrefix);
  EXPECT_EQ(http.getAddresses(), getsFor(newPrefix + u'x' + kSuffix, {}, {}, newPrefix));

  // An empty prefix is used as it comes.
  settings::writeSetting(temp.regKeys(), u"SearchSuffix", QString());  // stored as one blank
  temp.regKeys().WriteRegValue(RegRoot::LocalMachine, settings::kSettingsKey, QStringLiteral("SearchPrefix"), {});
  http.clearRequests();
  search(QStringLiteral("x"));
  EXPECT_EQ(state.searchSuffix, QStringLiteral(" "));
  EXPECT_EQ(http.requests().front().address, QStringLiteral(" x "));
}

// A first start before the service had stored its code stored the default
// without one; once the service has its code, the next search of the same
// run uses it and stores it. Any other prefix is used as it stands.
TEST_F(SearchPipelineTest, TheServicesCodeIsPickedUpByTheNextSearch) {
  TempRegistry fresh;
  SearchPipeline firstRun{fresh.regKeys(), http, fileSystem};
  const QString withoutCode = QStringLiteral("http://localhost:4664/search&s=?q=");
  ASSERT_EQ(settings::loadText(fresh.regKeys(), u"SearchPrefix").value, withoutCode);
  settings::writeSetting(fresh.regKeys(), u"SearchSuffix", kSuffix);
  firstRun.run(QStringLiteral("x"), extensions, state, &window);
  EXPECT_EQ(state.searchPrefix, withoutCode);

  fresh.regKeys().WriteRegValue(RegRoot::LocalMachine, settings::kServiceKey, settings::kServiceSecurityCode,
                                QStringLiteral("Sec0123"));
  http.clearRequests();
  firstRun.run(QStringLiteral("x"), extensions, state, &window);
  EXPECT_EQ(state.searchPrefix, kPrefix);
  ASSERT_FALSE(http.getAddresses().isEmpty());
  EXPECT_EQ(http.getAddresses().back(), kPrefix + u'x' + kSuffix);
  EXPECT_EQ(settings::readSetting(fresh.regKeys(), u"SearchPrefix"), kPrefix);

  for (const char* kept : {"http://localhost:4664/search&s=Older?q=", "http://127.0.0.1:9/find?q=", " ",
                           "http://localhost:4664/search&s=?q=&x"}) {
    settings::writeSetting(temp.regKeys(), u"SearchPrefix", QString::fromLatin1(kept));
    search(QStringLiteral("x"));
    EXPECT_EQ(state.searchPrefix, QString::fromLatin1(kept));
    EXPECT_EQ(settings::readSetting(temp.regKeys(), u"SearchPrefix"), QString::fromLatin1(kept));
  }
}

TEST_F(SearchPipelineTest, ListsAndTopHitStartEmptyAtEverySearch) {
  const QString first = kPrefix + QStringLiteral("song") + kSuffix;
  http.answer(first, page(QStringLiteral("<span title=\"/m/Song.MP3\">")));
  search(QStringLiteral("song"));
  ASSERT_EQ(state.categories[Category::Audio].size(), 1);
  ASSERT_FALSE(state.topHit.caption.isEmpty());

  http.answer(kPrefix + QStringLiteral("none") + kSuffix, page(QStringLiteral("no hits here")));
  search(QStringLiteral("none"));
  for (const QStringList& list : state.categories.lists) EXPECT_TRUE(list.isEmpty());
  EXPECT_TRUE(state.topHit.caption.isEmpty());
  EXPECT_TRUE(state.topHit.toolTip.isEmpty());
}

TEST_F(SearchPipelineTest, WindowClosedDuringAWaitAbandonsTheSearch) {
  auto owner = std::make_unique<QObject>();
  http.answer(kNumeric, page(QStringLiteral("numeric")));
  http.setDuringGet([&](const QString& address) {
    if (address == kNamed) owner.reset();  // closed while the named base's request waits
  });
  state.ResultPage = QStringLiteral("before");
  EXPECT_EQ(pipeline.run(QStringLiteral("song"), extensions, state, owner.get()), SearchOutcome::Abandoned);
  EXPECT_EQ(http.getAddresses().size(), 3);  // nothing after the named base's request
  EXPECT_EQ(state.ResultPage, page(QStringLiteral("numeric")));  // the numeric base's answer; the named base's is never stored
  EXPECT_FALSE(pipeline.isRunning());
}

TEST_F(SearchPipelineTest, AnEnterDuringASearchIsIgnored) {
  SearchOutcome inner = SearchOutcome::Completed;
  bool runningDuringWait = false;
  http.setDuringGet([&](const QString& address) {
    if (address != kUnsupported) return;
    runningDuringWait = pipeline.isRunning();
    inner = pipeline.run(QStringLiteral("second"), extensions, state, &window);
  });
  EXPECT_EQ(search(QStringLiteral("first")), SearchOutcome::Completed);
  EXPECT_TRUE(runningDuringWait);
  EXPECT_EQ(inner, SearchOutcome::Ignored);
  EXPECT_EQ(state.SearchQuery, QStringLiteral("first"));
  EXPECT_EQ(http.requests().size(), 9);
  EXPECT_FALSE(pipeline.isRunning());
}

TEST_F(SearchPipelineTest, BaseAddressesCanPointAtAnotherService) {
  SearchPipeline other(temp.regKeys(), http, fileSystem,
                       {QStringLiteral("http://127.0.0.1:5000"), QStringLiteral("http://localhost:5000")});
  other.run(QStringLiteral("x"), extensions, state, nullptr);
  const QStringList gets = http.getAddresses();
  ASSERT_EQ(gets.size(), 8);
  EXPECT_EQ(gets[1], QStringLiteral("http://127.0.0.1:5000"));
  EXPECT_EQ(gets[2], QStringLiteral("http://localhost:5000"));
  EXPECT_TRUE(gets[3].startsWith(QStringLiteral("http://127.0.0.1:5000/unsupported?url=")));
}

TEST(RedirectPath, CutFromThePage) {
  const struct {
    const char* page;
    const char* path;
  } cases[] = {
      {"<a href=\"/ok?url=a%2Fb&s=1\">x</a><a href=\"/ok?url=second\">", "/ok?url=a%2Fb&s=1"},
      {"no link here", ""},
      {"<a href=\"/OK?url=x\">", ""},  // case-sensitive
      {"text /ok?url=open to the end", "/ok?url=open to the end"},
      {"/ok?url=\"", "/ok?url="},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SearchPipeline::redirectPath(QString::fromUtf8(c.page)), QString::fromUtf8(c.path)) << c.page;
  }
}

}  // namespace
}  // namespace orvanta::search
