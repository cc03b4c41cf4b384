// The local search service's parts: reading the words of a query, writing a
// path into a title, the stored codes and the index served while it changes.
#include "local_search_server.h"
#include "platform/qt_http_transfer.h"
#include "service_codes.h"
#include "service_pages.h"
#include "settings/settings_table.h"
#include "temp_registry.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace orvanta::service {
namespace {

TEST(LocalSearchService, QueryWords) {
  const struct {
    const char* query;
    QStringList words;
  } cases[] = {
      {"q=a+b++c&ie=UTF-8", {"a", "b", "c"}},
      {"q=tom+&+jerry&ie=UTF-8", {"tom"}},
      {"ie=UTF-8&q=Gr%C3%BC%C3%9Fe", {QStringLiteral("Gr\u00fc\u00dfe")}},
      {"q=100%25", {"100%"}},
      {"q=a%20b%2Bc%09d", {"a", "b", "c", "d"}},
      {"q=O'Brien", {"O'Brien"}},
      {"q=", {}},
      {"ie=UTF-8", {}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(queryWords(QString::fromUtf8(c.query)), c.words) << c.query;
}

TEST(LocalSearchService, PagesMarkHitsAndNothingElse) {
  EXPECT_EQ(titleText(QStringLiteral("/a/O'Brien \"x\" & <y>.txt")),
            QStringLiteral("/a/O&#39;Brien &quot;x&quot; & <y>.txt"));
  const QString page = QString::fromUtf8(
      resultPage(QStringLiteral("Code"), {QStringLiteral("span title=\"x")},
                 {"/a/one.txt", "/a/say \"two'\".txt", "/a/span title=\"three'.txt"}));
  static const QRegularExpression marker(QStringLiteral("span title="));
  // Two hits; a name holding the marker itself is not carried, as it
  // would put a second hit on the page.
  EXPECT_EQ(page.count(marker), 2);
  EXPECT_TRUE(page.contains(QStringLiteral("<span title=\"/a/one.txt\">")));
  EXPECT_TRUE(page.contains(QStringLiteral("<span title=\"/a/say &quot;two&#39;&quot;.txt\">")));
  EXPECT_TRUE(page.contains(QStringLiteral("\"/ok?url=")));
  for (const QByteArray& other : {homePage(QStringLiteral("Code")), forbiddenPage(), okPage(QStringLiteral("span title=\"x\"")),
                                  unsupportedPage(), notFoundPage()}) {
    EXPECT_FALSE(other.contains("span title=")) << other.constData();
  }
  EXPECT_TRUE(homePage(QStringLiteral("Code")).contains("\"/ok?url="));
  EXPECT_TRUE(homePage(QStringLiteral("Code")).contains("action=\"/search&amp;s=Code\""));
}

TEST(LocalSearchService, CodesAreMadeOnceAndKept) {
  testing::TempRegistry temp;
  bool stored = false;
  const ServiceCodes first = loadOrCreateCodes(temp.regKeys(), &stored);
  EXPECT_TRUE(stored);
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Za-z0-9]{27}$")).match(first.securityCode).hasMatch());
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Za-z0-9_]{27}$")).match(first.sessionCode).hasMatch());
  const ServiceCodes again = loadOrCreateCodes(temp.regKeys());
  EXPECT_EQ(again.securityCode, first.securityCode);
  EXPECT_EQ(again.sessionCode, first.sessionCode);
  EXPECT_EQ(settings::defaultSearchPrefix(temp.regKeys()),
            QStringLiteral("http://localhost:4664/search&s=") + first.securityCode + QStringLiteral("?q="));

  // A malformed stored code is replaced; the other one stays.
  temp.regKeys().WriteRegValue(settings::RegRoot::LocalMachine, settings::kServiceKey, settings::kServiceSecurityCode,
                               QStringLiteral("short"));
  const ServiceCodes repaired = loadOrCreateCodes(temp.regKeys());
  EXPECT_NE(repaired.securityCode, QStringLiteral("short"));
  EXPECT_EQ(repaired.securityCode.size(), 27);
  EXPECT_EQ(repaired.sessionCode, first.sessionCode);
}

TEST(LocalSearchService, IndexesAgainWhileServing) {
  static int argc = 1;
  static char name[] = "service_pages_and_codes_test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);

  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const ServiceCodes codes{QStringLiteral("Sec"), QStringLiteral("Ses")};
  IndexSettings settings;
  settings.roots = {dir.path() + QStringLiteral("/files")};
  settings.databasePath = dir.path() + QStringLiteral("/index.db");
  settings.extractorProgram = QStringLiteral(ORVANTA_EXTRACT_BINARY);
  settings.rescanIntervalMs = 50;
  ASSERT_TRUE(QDir().mkpath(settings.roots[0]));
  LocalSearchServer server(codes, settings);
  QStringList lines;
  server.log = [&](const QString& line) { lines.append(line); };
  const quint16 port = server.listenOnLoopback(0);
  ASSERT_NE(port, 0);
  ASSERT_TRUE(server.startIndexing());

  platform::QtHttpTransfer http;
  const auto session = http.openSession();
  const QString search = QStringLiteral("http://127.0.0.1:%1/search&s=Sec?q=late&ie=UTF-8").arg(port);
  const std::optional<QString> before = session->get(search);
  ASSERT_TRUE(before.has_value());
  EXPECT_FALSE(before->contains(QStringLiteral("span title=")));

  // A file that appears later is found once an index run has passed.
  QFile file(settings.roots[0] + QStringLiteral("/late arrival.txt"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  const QString expected = QStringLiteral("span title=\"") + file.fileName() + u'"';
  QDeadlineTimer deadline(10'000);
  std::optional<QString> page;
  while (!deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    page = session->get(search);
    // The run's log line may come a moment after its results are served.
    if (page && page->contains(expected) && lines.filter(QStringLiteral("indexed")).size() >= 2) break;
  }
  ASSERT_TRUE(page.has_value());
  EXPECT_TRUE(page->contains(expected));
  EXPECT_GE(lines.filter(QStringLiteral("indexed")).size(), 2);
  EXPECT_TRUE(lines.contains(QStringLiteral("127.0.0.1 GET /search&s=***?q=late&ie=UTF-8 200")));

  // Without the code, or with another one, nothing is searched.
  const std::optional<QString> refused =
      session->get(QStringLiteral("http://127.0.0.1:%1/search&s=Ses?q=late").arg(port));
  ASSERT_TRUE(refused.has_value());
  EXPECT_FALSE(refused->contains(QStringLiteral("span title=")));
  EXPECT_TRUE(lines.last().endsWith(QStringLiteral(" 403")));
}

}  // namespace
}  // namespace orvanta::service
