// The service's index: the query and ranking rules over a small folder,
// desktop entries, what is left out, names that are not UTF-8, the text
// of each document format, hostile documents, live changes, a damaged
// database and a restart after a kill.
#include "content_reader.h"
#include "indexer.h"
#include "minimal_pdf.h"
#include "recent_files.h"
#include "search_index.h"
#include "text_extraction.h"
#include "wait_for.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QProcess>
#include <QTemporaryDir>

#include <archive.h>
#include <fcntl.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <memory>

namespace orvanta::service {
namespace {

QCoreApplication& app() {
  static int argc = 1;
  static char name[] = "search_index_test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication instance(argc, argv);
  return instance;
}

using testing::waitFor;

// How long the index gets for each step it is waited on.
constexpr int kIndexWaitMs = 20'000;

bool writeFile(const QString& path, const QByteArray& data, qint64 secondsSinceEpoch = 0) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) return false;
  if (secondsSinceEpoch) file.setFileTime(QDateTime::fromSecsSinceEpoch(secondsSinceEpoch), QFileDevice::FileModificationTime);
  return true;
}

// A zip archive of the given members, written with libarchive.
QByteArray zipOf(const QList<std::pair<const char*, QByteArray>>& members) {
  std::vector<char> buffer(size_t(4) * 1024 * 1024 + 4096);
  size_t used = 0;
  archive* writer = archive_write_new();
  archive_write_set_format_zip(writer);
  archive_write_open_memory(writer, buffer.data(), buffer.size(), &used);
  for (const auto& [name, data] : members) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, name);
    archive_entry_set_size(entry, data.size());
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_entry_set_perm(entry, 0644);
    archive_write_header(writer, entry);
    archive_write_data(writer, data.constData(), static_cast<size_t>(data.size()));
    archive_entry_free(entry);
  }
  archive_write_close(writer);
  archive_write_free(writer);
  return QByteArray(buffer.data(), static_cast<qsizetype>(used));
}

QByteArray odtOf(const QByteArray& paragraphs) {
  return zipOf({{"mimetype", "application/vnd.oasis.opendocument.text"},
                {"content.xml",
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
                 "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                 "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:text>" +
                     paragraphs + "</office:text></office:body></office:document-content>"}});
}

QByteArray docxOf(const QByteArray& body) {
  return zipOf({{"[Content_Types].xml", "<Types/>"},
                {"word/document.xml",
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document "
                 "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>" +
                     body + "</w:body></w:document>"}});
}

TEST(DocumentText, EachFormat) {
  const struct {
    const char* name;
    QByteArray data;
    QString expected;  // words the text holds, blank separated and in order
  } cases[] = {
      {"notes.txt", "Plain words\nsecond line", QStringLiteral("Plain words second line")},
      {"latin.txt", "caf\xe9 cr\xe8me", QStringLiteral("caf\u00e9 cr\u00e8me")},
      {"main.cpp", "int main() { return answer42; }", QStringLiteral("int main() { return answer42; }")},
      {"page.html",
       "<html><head><title>Title here</title><style>p{color:red}</style><script>var hidden=1;</script></head>"
       "<body><p>Fish&amp;chips</p><p>caf&eacute;&#233; &#x263A;</p><!-- not this --></body></html>",
       QStringLiteral("Title here Fish&chips caf \u00e9 \u263a")},
      {"data.xml", "<root><item>alpha</item><item>beta</item><item><b>gamma</b></item></root>",
       QStringLiteral("alpha beta gamma")},
      {"scan.pdf", minimalPdf("Quarterly \xdc" "berblick"), QStringLiteral("Quarterly \u00dcberblick")},
      {"letter.odt", odtOf("<text:h>Heading</text:h><text:p>First <text:span>para</text:span>graph</text:p>"),
       QStringLiteral("Heading First paragraph")},
      {"plan.docx", docxOf("<w:p><w:r><w:t>Mid</w:t></w:r><w:r><w:t>summer</w:t></w:r></w:p><w:p><w:r><w:t>plan</w:t></w:r></w:p>"),
       QStringLiteral("Midsummer plan")},
  };
  for (const auto& c : cases) {
    const std::optional<QString> text = extractText(formatOf(c.name), c.data);
    ASSERT_TRUE(text.has_value()) << c.name;
    EXPECT_EQ(text->simplified(), c.expected) << c.name;
  }
  EXPECT_EQ(formatOf("/a/b/photo.JPG"), DocumentFormat::None);
  EXPECT_EQ(formatOf("/a/b.txt/README"), DocumentFormat::None);
  EXPECT_EQ(formatOf("/a/REPORT.PDF"), DocumentFormat::Pdf);
  EXPECT_FALSE(extractText(DocumentFormat::Pdf, "%PDF-1.4 nothing else").has_value());
  EXPECT_FALSE(extractText(DocumentFormat::OpenDocument, "not a zip").has_value());
}

// The helper process over files that could hurt a reader: each costs at
// most its own text, and the next good file is still read.
TEST(DocumentText, HostileFilesCostOnlyTheirOwnText) {
  app();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString root = dir.path();
  const QByteArray good = "good words";
  ASSERT_TRUE(writeFile(root + QStringLiteral("/good.txt"), good));
  const QByteArray pdf = minimalPdf("Quarterly");
  ASSERT_TRUE(writeFile(root + QStringLiteral("/truncated.pdf"), pdf.left(pdf.size() / 2)));
  ASSERT_TRUE(writeFile(root + QStringLiteral("/garbage.pdf"), QByteArray(5000, '\xff')));
  // 72 MiB of XML packed into a small zip: more than is ever unpacked.
  ASSERT_TRUE(writeFile(root + QStringLiteral("/bomb.docx"),
                        docxOf("<w:p><w:r><w:t>" + QByteArray(72 * 1024 * 1024, 'a') + "</w:t></w:r></w:p>")));
  ASSERT_EQ(mkfifo(QFile::encodeName(root + QStringLiteral("/pipe.txt")).constData(), 0600), 0);
  {
    QFile huge(root + QStringLiteral("/huge.txt"));  // sparse: 200 MB without the disk space
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(200LL * 1024 * 1024));
  }
  ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/folder.txt")));
  ASSERT_TRUE(QFile::link(root + QStringLiteral("/good.txt"), root + QStringLiteral("/link.txt")));

  ContentReader reader(QStringLiteral(ORVANTA_EXTRACT_BINARY), 20'000);
  const auto read = [&](const char* name) { return reader.read(QFile::encodeName(root + u'/' + QLatin1String(name))); };
  const std::optional<QString> bomb = read("bomb.docx");
  if (bomb) {
    EXPECT_LE(bomb->size(), kMaxTextChars);
  }
  EXPECT_EQ(read("good.txt"), QString::fromUtf8(good)) << "after the zip bomb";
  // Damaged PDFs may give some text or none.
  for (const char* damaged : {"truncated.pdf", "garbage.pdf"}) {
    read(damaged);
    EXPECT_EQ(read("good.txt"), QString::fromUtf8(good)) << "after " << damaged;
  }
  // Entries that are not regular files, too large, or gone give none.
  for (const char* unread : {"pipe.txt", "huge.txt", "folder.txt", "link.txt", "missing.txt"}) {
    EXPECT_FALSE(read(unread).has_value()) << unread;
    EXPECT_EQ(read("good.txt"), QString::fromUtf8(good)) << "after " << unread;
  }
}

// A helper that never answers is stopped at the time limit and replaced,
// and so is one that answers out of form.
TEST(DocumentText, HelperThatHangsIsReplaced) {
  app();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QByteArray path = QFile::encodeName(dir.path() + QStringLiteral("/notes.txt"));
  ASSERT_TRUE(writeFile(QFile::decodeName(path), "some words"));
  const struct {
    const char* program;
    const char* behaviour;
  } helpers[] = {
      {"tail", "reads until its input ends, never answers"},
      {"cat", "echoes the request back: a line that is no answer"},
  };
  for (const auto& helper : helpers) {
    ContentReader reader(QString::fromLatin1(helper.program), 200);
    EXPECT_FALSE(reader.read(path).has_value()) << helper.behaviour;
    EXPECT_FALSE(reader.read(path).has_value()) << helper.behaviour;
    EXPECT_EQ(reader.helperStarts(), 2) << helper.behaviour;
  }
}

// With thousands of names matching, the search walks the names newest
// first instead of sorting every candidate; the order must stay the same.
TEST(SearchIndexRanking, ManyCandidatesKeepTheOrder) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  SearchIndex index;
  ASSERT_TRUE(index.open(dir.path() + QStringLiteral("/index.db"), true));
  index.begin();
  const auto add = [&](const QString& name, qint64 mtime) {
    EntryRecord record;
    record.path = "/f/" + name.toUtf8();
    record.label = name;
    record.mtime = mtime;
    index.store(record, 1);
  };
  add(QStringLiteral("common.txt"), 1);
  for (int i = 0; i < 5000; ++i) {
    add(QStringLiteral("common %1.txt").arg(i), 2 * i + 10);
    add(QStringLiteral("uncommon %1.txt").arg(i), 2 * i + 11);
  }
  index.commit();

  const auto find = [&](const QStringList& words, int limit) {
    QStringList found;
    for (const SearchHit& hit : index.search(words, limit)) found.append(QString::fromUtf8(hit.path.mid(3)));
    return found;
  };
  const struct {
    QStringList words;
    int limit;
    QStringList expected;
  } cases[] = {
      {{"common"}, 3, {"common.txt", "common 4999.txt", "common 4998.txt"}},
      {{"uncommon"}, 2, {"uncommon 4999.txt", "uncommon 4998.txt"}},
      {{"mmo"}, 3, {"uncommon 4999.txt", "common 4999.txt", "uncommon 4998.txt"}},
      {{"mo"}, 3, {"uncommon 4999.txt", "common 4999.txt", "uncommon 4998.txt"}},
      // Equal to "common 17", then starting with it, then containing both.
      {{"common", "17"}, 3, {"common 17.txt", "common 1799.txt", "common 1798.txt"}},
      {{"17", "common"}, 3, {"uncommon 4917.txt", "common 4917.txt", "uncommon 4817.txt"}},
      {{"uncommon", "4321"}, 5, {"uncommon 4321.txt"}},
  };
  for (const auto& c : cases) EXPECT_EQ(find(c.words, c.limit), c.expected) << c.words.join(u' ').toStdString();
  const std::vector<SearchHit> ranked = index.search({QStringLiteral("common")}, 20'000);
  ASSERT_EQ(ranked.size(), 10'001u);
  EXPECT_TRUE(std::is_sorted(ranked.cbegin(), ranked.cend(),
                             [](const SearchHit& a, const SearchHit& b) { return a.tier < b.tier; }));
  EXPECT_EQ(ranked[1].tier, SearchTier::NameStarts);
  EXPECT_EQ(ranked.back().tier, SearchTier::NameContains);
}

// A database written before the names came into the time index keeps
// working: the old index makes way for the new one and the newest-first
// walks find the same names in the same order.
TEST(SearchIndexRanking, OlderTimeIndexIsReplaced) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.path() + QStringLiteral("/index.db");
  {
    SearchIndex index;
    ASSERT_TRUE(index.open(path, true));
    index.begin();
    for (int i = 0; i < 5000; ++i) {
      EntryRecord record;
      record.path = "/f/song " + QByteArray::number(i) + ".ogg";
      record.label = QStringLiteral("song %1.ogg").arg(i);
      record.mtime = i;
      index.store(record, 1);
    }
    index.commit();
  }
  const auto indexes = [&]() {
    QStringList names;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
      sqlite3_stmt* statement = nullptr;
      sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = 'files'", -1,
                         &statement, nullptr);
      while (statement && sqlite3_step(statement) == SQLITE_ROW) {
        names.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))));
      }
      sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return names;
  };
  {
    // The earlier layout: the time alone.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "DROP INDEX files_newest; CREATE INDEX files_mtime ON files(mtime);", nullptr, nullptr,
                           nullptr),
              SQLITE_OK);
    sqlite3_close(db);
  }
  ASSERT_TRUE(indexes().contains(QStringLiteral("files_mtime")));

  SearchIndex index;
  ASSERT_TRUE(index.open(path, true));
  EXPECT_FALSE(indexes().contains(QStringLiteral("files_mtime")));
  QStringList found;
  for (const SearchHit& hit : index.search({QStringLiteral("ong")}, 3)) found.append(QString::fromUtf8(hit.path));
  EXPECT_EQ(found, QStringList({"/f/song 4999.ogg", "/f/song 4998.ogg", "/f/song 4997.ogg"}));
  found.clear();
  for (const SearchHit& hit : index.search({QStringLiteral("song")}, 2)) found.append(QString::fromUtf8(hit.path));
  EXPECT_EQ(found, QStringList({"/f/song 4999.ogg", "/f/song 4998.ogg"}));
}

// An index written directly, without an indexer: names, and the text of
// some of them.
class NearWordsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(index.open(dir.path() + QStringLiteral("/index.db"), true));
    index.begin();
    const struct {
      const char* name;
      const char* text;
      qint64 mtime;
    } entries[] = {
        {"report.txt", "", 10},
        {"repart.txt", "", 11},
        {"budget.ods", "", 12},
        {"map.png", "", 13},
        {"doc28.txt", "", 14},
        {"\u043e\u0442\u0447\u0451\u0442.txt", "", 15},
        {"q3.txt", "quarterly report for the board", 20},
        {"q4.txt", "quarterly outlook", 21},
        {"minutes.txt", "weekly report", 22},
    };
    for (const auto& entry : entries) {
      EntryRecord record;
      record.path = QByteArray("/f/") + entry.name;
      record.label = QString::fromUtf8(entry.name);
      record.mtime = entry.mtime;
      record.wantsContents = *entry.text != 0;
      const auto [id, wanted] = index.store(record, 1);
      if (wanted)
        index.setContents({id, record.path, record.mtime, 0}, QString::fromUtf8(entry.text), ContentState::Done);
    }
    ASSERT_TRUE(index.commit()) << index.writeError().toStdString();
  }

  // The hits' paths without "/f/", each with its tier.
  std::vector<std::pair<QString, SearchTier>> find(const QStringList& words) {
    std::vector<std::pair<QString, SearchTier>> found;
    for (const SearchHit& hit : index.search(words, 50))
      found.emplace_back(QString::fromUtf8(hit.path.mid(3)), hit.tier);
    return found;
  }

  QTemporaryDir dir;
  SearchIndex index;
};

// A word without any hit is read as the words one letter edit away; those
// hits rank last, and a word with hits is never read so.
TEST_F(NearWordsFixture, OneEditForgivenForWordsOfFourLetters) {
  constexpr SearchTier exact = SearchTier::NameContains;
  constexpr SearchTier near = SearchTier::NearWords;
  const QString report = QStringLiteral("report.txt");
  const struct {
    const char* what;
    QStringList words;
    std::vector<std::pair<QString, SearchTier>> expected;
  } cases[] = {
      {"wrong letter", {"budgwt"}, {{"budget.ods", near}}},
      {"missing letter", {"budet"}, {{"budget.ods", near}}},
      {"extra letter", {"buddget"}, {{"budget.ods", near}}},
      {"swapped neighbours", {"bugdet"}, {{"budget.ods", near}}},
      {"names first, then contents", {"reprot"}, {{report, near}, {"minutes.txt", near}, {"q3.txt", near}}},
      {"every word still counts", {"quarterly", "reprot"}, {{"q3.txt", near}}},
      {"case does not matter", {"REPROT", "Quarterly"}, {{"q3.txt", near}}},
      {"two near words", {"repzrt"}, {{"repart.txt", near}, {report, near}, {"minutes.txt", near}, {"q3.txt", near}}},
      {"four letters", {"mapp"}, {{"map.png", near}}},
      {"three letters are too short", {"mpa"}, {}},
      {"two edits are too many", {"rapotr"}, {}},
      {"no near word", {"zzzzqq"}, {}},
      {"digits are never changed", {"doc29"}, {}},
      {"a word without near word spoils the others", {"reprot", "zzzzqq"}, {}},
      {"another script: swapped", {"\u043e\u0442\u0447\u0442\u0435"}, {{"\u043e\u0442\u0447\u0451\u0442.txt", near}}},
      {"another script: a letter the word lacks",
       {"\u043e\u0442\u0447\u0430\u0442"},
       {{"\u043e\u0442\u0447\u0451\u0442.txt", near}}},
      // With hits of its own a word is taken as it is: the names one edit
      // away are not added.
      {"exact",
       {"report"},
       {{report, SearchTier::NameEquals}, {"minutes.txt", SearchTier::Contents}, {"q3.txt", SearchTier::Contents}}},
      {"exact part of a name", {"epor"}, {{report, exact}}},
  };
  for (const auto& c : cases) EXPECT_EQ(find(c.words), c.expected) << c.what;
}

TEST(NearWords, OneEditAwayMakesEachKindOfEdit) {
  const QStringList near = oneEditAway(QStringLiteral("abc1"));
  for (const char* expected : {"xbc1", "bc1", "abxc1", "bac1", "acb1", "abc1z"}) {
    EXPECT_TRUE(near.contains(QString::fromLatin1(expected))) << expected;
  }
  for (const char* unexpected : {"abc1", "abc2", "abc", "ab1c", "ab", "cab1"}) {
    EXPECT_FALSE(near.contains(QString::fromLatin1(unexpected))) << unexpected;
  }
  EXPECT_EQ(near.size(), QSet<QString>(near.cbegin(), near.cend()).size());
}

// A search that finds nothing even with near words gets the words a
// little further away, when they find something.
TEST_F(NearWordsFixture, SuggestionForASearchWithoutHits) {
  const struct {
    QStringList words;
    QStringList expected;
  } cases[] = {
      {{"rapotr"}, {"report"}},                            // a wrong letter and a swap
      {{"Quarterly", "rapotr"}, {"Quarterly", "report"}},  // a word with hits stays as typed
      {{"teh"}, {"the"}},                                  // three letters: one edit
      {{"zzzzqq"}, {}},
      {{"to"}, {}},
      // The words so changed must find something together.
      {{"outlook", "rapotr"}, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(index.suggestion(c.words), c.expected) << c.words.join(u' ').toStdString();
}

// The desktop's list of recently used files, as GLib writes it (and an
// older program's stamps), with times `days` before now put in for @N@.
QByteArray recentFilesFixture() {
  QByteArray xbel = R"(<?xml version="1.0" encoding="UTF-8"?>
<xbel version="1.0"
      xmlns:bookmark="http://www.freedesktop.org/standards/desktop-bookmarks"
      xmlns:mime="http://www.freedesktop.org/standards/shared-mime-info">
  <bookmark href="file:///f/report.txt" added="@40@" modified="@5@" visited="@5@">
    <info><metadata owner="http://freedesktop.org">
      <mime:mime-type type="text/plain"/>
      <bookmark:applications><bookmark:application name="Orvanta" exec="&apos;orvanta %u&apos;" modified="@5@" count="1"/></bookmark:applications>
    </metadata></info>
  </bookmark>
  <bookmark href="file:///f/q3.txt" added="@9@" modified="@2@" visited="@2@">
    <info><metadata owner="http://freedesktop.org">
      <bookmark:applications>
        <bookmark:application name="Orvanta" exec="&apos;orvanta %u&apos;" modified="@9@" count="1"/>
        <bookmark:application name="Text Editor" exec="&apos;editor %u&apos;" modified="@2@" count="2"/>
      </bookmark:applications>
    </metadata></info>
  </bookmark>
  <bookmark href="file:///f/minutes.txt" added="@1@" modified="@1@" visited="@1@">
    <info><metadata owner="http://freedesktop.org">
      <bookmark:applications><bookmark:application name="Orvanta" exec="&apos;orvanta %u&apos;" modified="@1@" count="1"/></bookmark:applications>
    </metadata></info>
  </bookmark>
  <bookmark href="file:///f/repart.txt" added="@50@" modified="@40@" visited="@40@">
    <info><metadata owner="http://freedesktop.org">
      <bookmark:applications><bookmark:application name="Orvanta" exec="&apos;orvanta %u&apos;" modified="@40@" count="9"/></bookmark:applications>
    </metadata></info>
  </bookmark>
  <bookmark href="file:///f/q4.txt" added="@3@" modified="@3@" visited="@3@">
    <info><metadata owner="http://freedesktop.org">
      <bookmark:applications><bookmark:application name="Viewer" exec="viewer" timestamp="@S3@" count="1"/></bookmark:applications>
    </metadata></info>
  </bookmark>
  <bookmark href="file:///f/odd%20name%FF.txt" added="@9@" modified="@9@" visited="@9@"/>
  <bookmark href="http://127.0.0.1/page" added="@1@" modified="@1@" visited="@1@"/>
</xbel>
)";
  const QDateTime now = QDateTime::currentDateTimeUtc();
  for (int days : {1, 2, 3, 5, 9, 40, 50}) {
    const QDateTime then = now.addDays(-days);
    xbel.replace("@" + QByteArray::number(days) + "@",
                 then.toString(QStringLiteral("yyyy-MM-ddThh:mm:ss.zzz")).toLatin1() + "123Z");
    xbel.replace("@S" + QByteArray::number(days) + "@", QByteArray::number(then.toSecsSinceEpoch()));
  }
  return xbel;
}

TEST(RecentFiles, ReadFromTheDesktopsList) {
  const std::vector<RecentFile> files = readRecentFiles(recentFilesFixture());
  QList<QByteArray> paths;
  QList<int> opens;
  for (const RecentFile& file : files) {
    paths.append(file.path);
    opens.append(file.opens);
    EXPECT_TRUE(file.lastOpened.isValid()) << file.path.constData();
  }
  EXPECT_EQ(paths, (QList<QByteArray>{"/f/report.txt", "/f/q3.txt", "/f/minutes.txt", "/f/repart.txt", "/f/q4.txt",
                                      "/f/odd name\xff.txt"}));
  EXPECT_EQ(opens, (QList<int>{1, 3, 1, 9, 1, 1}));
  // The latest of its programs' times.
  EXPECT_EQ(files[1].lastOpened.daysTo(QDateTime::currentDateTimeUtc()), 2);
  EXPECT_EQ(files[4].lastOpened.daysTo(QDateTime::currentDateTimeUtc()), 3);
  // Opened within 30 days: the most often first, then the latest.
  EXPECT_EQ(
      rankRecentFiles(files, QDateTime::currentDateTimeUtc().addDays(-30)),
      (std::vector<QByteArray>{"/f/q3.txt", "/f/minutes.txt", "/f/q4.txt", "/f/report.txt", "/f/odd name\xff.txt"}));
  EXPECT_TRUE(readRecentFiles("not a list").empty());
}

// The list is read again when it changes, and not otherwise.
TEST(RecentFiles, ListIsReadAgainWhenItChanges) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.path() + QStringLiteral("/recently-used.xbel");
  RecentFilesList list(path);
  EXPECT_TRUE(list.files().empty());
  ASSERT_TRUE(writeFile(path, recentFilesFixture()));
  EXPECT_EQ(list.files().size(), 6u);
  ASSERT_TRUE(writeFile(
      path, "<xbel version=\"1.0\"><bookmark href=\"file:///f/a.txt\" modified=\"2026-01-01T00:00:00Z\"/></xbel>"));
  ASSERT_EQ(list.files().size(), 1u);
  EXPECT_EQ(list.files()[0].path, "/f/a.txt");
  ASSERT_TRUE(QFile::remove(path));
  EXPECT_TRUE(list.files().empty());
}

// Within each tier, the files opened in the last 30 days come first, the
// most often opened first; the tiers keep their order.
TEST_F(NearWordsFixture, RecentlyOpenedFilesFirstWithinTheirTier) {
  const auto paths = [&](const QStringList& words) {
    QStringList found;
    for (const auto& [path, tier] : find(words)) found.append(path);
    return found;
  };
  const struct {
    QStringList words;
    QStringList before;
    QStringList after;
  } cases[] = {
      {{"rep"}, {"repart.txt", "report.txt"}, {"report.txt", "repart.txt"}},
      {{"report"}, {"report.txt", "minutes.txt", "q3.txt"}, {"report.txt", "q3.txt", "minutes.txt"}},
      {{"reprot"}, {"report.txt", "minutes.txt", "q3.txt"}, {"report.txt", "q3.txt", "minutes.txt"}},
      {{"quarterly"}, {"q4.txt", "q3.txt"}, {"q3.txt", "q4.txt"}},
      {{"txt"}, {"minutes.txt", "q4.txt", "q3.txt"}, {"q3.txt", "minutes.txt", "q4.txt"}},
  };
  for (const auto& c : cases) {
    const QStringList found = paths(c.words);
    EXPECT_EQ(found.mid(0, c.before.size()), c.before) << c.words.join(u' ').toStdString();
  }
  index.setRecentlyOpened(
      rankRecentFiles(readRecentFiles(recentFilesFixture()), QDateTime::currentDateTimeUtc().addDays(-30)));
  for (const auto& c : cases) {
    const QStringList found = paths(c.words);
    EXPECT_EQ(found.mid(0, c.after.size()), c.after) << c.words.join(u' ').toStdString();
  }
  // The tiers stay: a recent file holding the words in its text comes
  // after every name.
  const std::vector<std::pair<QString, SearchTier>> report = find({QStringLiteral("report")});
  EXPECT_EQ(report.front().second, SearchTier::NameEquals);
}

// An index written before the words were kept gets them from its names
// and texts when it is opened.
TEST(NearWords, OlderIndexGetsItsNameWords) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.path() + QStringLiteral("/index.db");
  {
    SearchIndex index;
    ASSERT_TRUE(index.open(path, true));
    index.begin();
    EntryRecord record;
    record.path = "/f/budget.ods";
    record.label = QStringLiteral("budget.ods");
    index.store(record, 1);
    record.path = "/f/q3.txt";
    record.label = QStringLiteral("q3.txt");
    record.wantsContents = true;
    const auto [id, wanted] = index.store(record, 1);
    ASSERT_TRUE(wanted);
    index.setContents({id, record.path, 0, 0}, QStringLiteral("quarterly figures"), ContentState::Done);
    ASSERT_TRUE(index.commit());
  }
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db,
                           "DROP TABLE words; DROP TRIGGER files_added; DROP TRIGGER files_removed; "
                           "DROP TRIGGER files_renamed; PRAGMA user_version=2;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
  }
  SearchIndex index;
  ASSERT_TRUE(index.open(path, true));
  for (const auto& [typo, path] : {std::pair{"bugdet", "/f/budget.ods"}, std::pair{"figuers", "/f/q3.txt"}}) {
    const std::vector<SearchHit> hits = index.search({QString::fromLatin1(typo)}, 10);
    ASSERT_EQ(hits.size(), 1u) << typo;
    EXPECT_EQ(hits[0].path, path);
  }
}

// An indexer over a temporary folder, with a search connection of its own.
class IndexFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    app();
    ASSERT_TRUE(dir.isValid());
    root = dir.path() + QStringLiteral("/root");
    applications = dir.path() + QStringLiteral("/applications");
    ASSERT_TRUE(QDir().mkpath(root) && QDir().mkpath(applications));
    settings.roots = {root};
    settings.excludes = defaultExcludes();
    settings.applicationDirs = {applications};
    settings.databasePath = dir.path() + QStringLiteral("/cache/index.db");
    settings.extractorProgram = QStringLiteral(ORVANTA_EXTRACT_BINARY);
  }

  // The indexer logs into `lines` until it is gone.
  void TearDown() override { indexer.reset(); }

  void startIndexer() {
    indexer = std::make_unique<Indexer>(settings, [this](const QString& line) {
      QMutexLocker lock(&mutex);
      lines.append(line);
    });
    ASSERT_TRUE(indexer->prepare());
    ASSERT_TRUE(search.open(settings.databasePath, false));
    indexer->start();
  }

  int loggedCount(const QString& text) {
    QMutexLocker lock(&mutex);
    return static_cast<int>(lines.filter(text).size());
  }

  // Waits for `scans` scans and for every document's text.
  void waitForIndex(int scans = 1) {
    ASSERT_TRUE(waitFor([&] { return loggedCount(QStringLiteral("indexed ")) >= scans && search.pendingContents(1).empty(); }, kIndexWaitMs));
  }

  // The hits for `words`, as paths below the temporary folder.
  QStringList find(const QStringList& words, int limit = 200) {
    QStringList found;
    for (const SearchHit& hit : search.search(words, limit)) {
      found.append(QFile::decodeName(hit.path).mid(dir.path().size()));
    }
    return found;
  }

  QTemporaryDir dir;
  QString root;
  QString applications;
  IndexSettings settings;
  std::unique_ptr<Indexer> indexer;
  SearchIndex search;
  QMutex mutex;
  QStringList lines;
};

TEST_F(IndexFixture, QueryAndRankingRules) {
  const struct {
    const char* name;
    QByteArray data;
    qint64 mtime;
  } files[] = {
      {"Report.txt", "", 1'000'000'000},
      {"report-2024.pdf", minimalPdf("Quarterly figures"), 1'100'000'000},
      {"docs/annual report.odt", odtOf("<text:p>Midyear review</text:p>"), 1'300'000'000},
      {"docs/older report.md", "", 1'200'000'000},
      {"notes.txt", "the report is late; see the \xc3\x9c" "berblick", 1'500'000'000},
      {"news.txt", "another report, newer", 1'600'000'000},
      {"\xc3\x9c" "berblick.txt", "", 1'000'000'000},
      {"plan.docx", docxOf("<w:p><w:r><w:t>Mid</w:t></w:r><w:r><w:t>summer</w:t></w:r></w:p>"), 1'000'000'000},
      {"Photos/Summer Trip/beach summer.png", "", 1'000'000'000},
      {"Photos/summer.JPG", "", 1'100'000'000},
      {"tom & jerry.txt", "", 1'000'000'000},
      {"smile \xf0\x9f\x98\x80\xf0\x9f\x98\x80.txt", "", 1'000'000'000},
      {"keep skip.txt", "", 1'000'000'000},
      {".hidden/skip.txt", "", 1'000'000'000},
      {"node_modules/skip.js", "", 1'000'000'000},
      {"cached/skip.txt", "", 1'000'000'000},
      {"cached/CACHEDIR.TAG", "Signature: 8a477f597d28d172789f06886806bc55", 1'000'000'000},
      {"scratch/skip.tmp", "", 1'000'000'000},
      {"private/skip.txt", "", 1'000'000'000},
  };
  for (const auto& f : files) ASSERT_TRUE(writeFile(root + u'/' + QString::fromUtf8(f.name), f.data, f.mtime)) << f.name;
  ASSERT_TRUE(writeFile(applications + QStringLiteral("/editor.desktop"),
                        "[Desktop Entry]\nType=Application\nName=Text Editor\nName[de]=Texteditor\n"
                        "GenericName=Word Processor\nKeywords=notepad;write;\nExec=editor %f\n"));
  ASSERT_TRUE(writeFile(applications + QStringLiteral("/kde/hidden.desktop"),
                        "[Desktop Entry]\nType=Application\nName=Secret Tool\nNoDisplay=true\n"));
  ASSERT_TRUE(writeFile(applications + QStringLiteral("/link.desktop"),
                        "[Desktop Entry]\nType=Link\nName=Secret Link\nURL=http://127.0.0.1/\n"));
  settings.roots = {root, root + QStringLiteral("/Photos")};  // overlapping roots
  settings.excludes += {QStringLiteral("*.tmp"), root + QStringLiteral("/private")};
  startIndexer();
  waitForIndex();

  const struct {
    QStringList words;
    QStringList expected;
  } cases[] = {
      // Name equal to the words, then starting with them, then containing
      // them (newer first), then contents (more relevant first).
      {{"report"},
       {"/root/Report.txt", "/root/report-2024.pdf", "/root/docs/annual report.odt", "/root/docs/older report.md",
        "/root/news.txt", "/root/notes.txt"}},
      {{"REPORT", "annual"}, {"/root/docs/annual report.odt"}},
      {{"annual", "report"}, {"/root/docs/annual report.odt"}},
      // Case and accents do not matter, in names or in contents.
      {{"uberblick"}, {"/root/\u00dcberblick.txt", "/root/notes.txt"}},
      {{"\u00dcBERBLICK"}, {"/root/\u00dcberblick.txt", "/root/notes.txt"}},
      // Every word must match; short words still count.
      {{"re", "20"}, {"/root/report-2024.pdf"}},
      {{"&"}, {"/root/tom & jerry.txt"}},
      {{"\U0001F600\U0001F600"}, {"/root/smile \U0001F600\U0001F600.txt"}},
      {{"tom", "&"}, {"/root/tom & jerry.txt"}},
      {{"report", "zebra"}, {}},
      // Words match names, not whole paths; folders are hits too.
      {{"photos", "beach"}, {}},
      {{"summer"},
       {"/root/Photos/summer.JPG", "/root/Photos/Summer Trip", "/root/Photos/Summer Trip/beach summer.png"}},
      {{"summer", "trip"}, {"/root/Photos/Summer Trip"}},
      // Text of each format.
      {{"quarterly"}, {"/root/report-2024.pdf"}},
      {{"midyear"}, {"/root/docs/annual report.odt"}},
      {{"midsummer"}, {"/root/plan.docx"}},
      // Applications by Name=, GenericName= and Keywords=; hidden entries
      // and links are not applications.
      {{"editor"}, {"/applications/editor.desktop"}},
      {{"notepad"}, {"/applications/editor.desktop"}},
      {{"word", "processor"}, {"/applications/editor.desktop"}},
      {{"secret"}, {}},
      // Hidden entries, build and cache folders and --exclude patterns.
      {{"skip"}, {"/root/keep skip.txt"}},
      {{}, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(find(c.words), c.expected) << c.words.join(u' ').toStdString();
  EXPECT_EQ(find({"report"}, 2), (QStringList{"/root/Report.txt", "/root/report-2024.pdf"}));
}

TEST_F(IndexFixture, NamesThatAreNotUtf8KeepTheirBytes) {
  const QByteArray name = QFile::encodeName(root) + "/caf\xe9 menu.txt";
  const int fd = ::open(name.constData(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, "soup of the day", 15), 15);
  ::close(fd);
  startIndexer();
  waitForIndex();
  for (const QStringList& words : {QStringList{"menu"}, QStringList{"soup"}}) {
    const std::vector<SearchHit> hits = search.search(words, 10);
    EXPECT_EQ(hits.size(), 1u) << words.join(u' ').toStdString();
    if (!hits.empty()) {
      EXPECT_EQ(hits[0].path, name);
    }
  }
  ::unlink(name.constData());  // Qt cannot name it to remove it
}

TEST_F(IndexFixture, FollowsCreateRenameAndDelete) {
  ASSERT_TRUE(writeFile(root + QStringLiteral("/sub/first.txt"), ""));
  startIndexer();
  waitForIndex();
  ASSERT_EQ(find({"first"}), QStringList{"/root/sub/first.txt"});

  // Each change is found without a rescan.
  ASSERT_TRUE(writeFile(root + QStringLiteral("/sub/second.txt"), "freshly written words"));
  EXPECT_TRUE(waitFor([&] { return find({"second"}) == QStringList{"/root/sub/second.txt"}; }, kIndexWaitMs));
  EXPECT_TRUE(waitFor([&] { return find({"freshly"}) == QStringList{"/root/sub/second.txt"}; }, kIndexWaitMs));

  ASSERT_TRUE(QFile::rename(root + QStringLiteral("/sub/second.txt"), root + QStringLiteral("/sub/renamed.txt")));
  EXPECT_TRUE(waitFor([&] { return find({"second"}).isEmpty() && find({"renamed"}) == QStringList{"/root/sub/renamed.txt"}; }, kIndexWaitMs));

  // A folder moved in from outside brings what it holds; moved out, it
  // takes it along.
  ASSERT_TRUE(writeFile(dir.path() + QStringLiteral("/outside/deep/moved.txt"), ""));
  ASSERT_TRUE(QFile::rename(dir.path() + QStringLiteral("/outside"), root + QStringLiteral("/inside")));
  EXPECT_TRUE(waitFor([&] { return find({"moved"}) == QStringList{"/root/inside/deep/moved.txt"}; }, kIndexWaitMs));
  ASSERT_TRUE(writeFile(root + QStringLiteral("/inside/deep/later.txt"), ""));  // the new folders are watched
  EXPECT_TRUE(waitFor([&] { return find({"later"}) == QStringList{"/root/inside/deep/later.txt"}; }, kIndexWaitMs));
  ASSERT_TRUE(QFile::rename(root + QStringLiteral("/inside"), dir.path() + QStringLiteral("/gone")));
  EXPECT_TRUE(waitFor([&] { return find({"moved"}).isEmpty() && find({"later"}).isEmpty(); }, kIndexWaitMs));

  ASSERT_TRUE(QFile::remove(root + QStringLiteral("/sub/renamed.txt")));
  EXPECT_TRUE(waitFor([&] { return find({"renamed"}).isEmpty(); }, kIndexWaitMs));
  ASSERT_TRUE(QDir(root + QStringLiteral("/sub")).removeRecursively());
  EXPECT_TRUE(waitFor([&] { return find({"first"}).isEmpty() && find({"sub"}).isEmpty(); }, kIndexWaitMs));
  EXPECT_EQ(loggedCount(QStringLiteral("indexed ")), 1);  // no rescan was needed
}

// A watcher the test controls: it grants `watches` folder watches and lets
// the test report lost news on the indexing thread.
struct ScriptedWatcher final : TreeWatcher {
  struct Shared {
    int watches = 0;
    std::atomic<QObject*> context{nullptr};  // lives on the indexing thread
    TreeWatcher::Callbacks callbacks;
  };
  ScriptedWatcher(Callbacks callbacks, std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {
    shared_->callbacks = std::move(callbacks);
    shared_->context = &context_;
  }
  ~ScriptedWatcher() override { shared_->context = nullptr; }
  bool isLive() const override { return true; }
  bool watchFolder(const QByteArray&) override { return shared_->watches-- > 0; }
  void clear() override {}

  std::shared_ptr<Shared> shared_;
  QObject context_;
};

TEST_F(IndexFixture, LostNewsStartARescanAndFoldersWithoutAWatchArePolled) {
  const struct {
    int watches;
    bool reportLost;
    int scans;           // by the time the file is found
    const char* logged;  // the one line that says how changes are found
  } cases[] = {
      {1000, true, 2, "the change queue overflowed; rescanning"},
      // The root has the one watch; its subfolder and the applications folder
      // are polled.
      {1, false, 1, "out of folder watches: 2 folders without a watch polled every 0.1 s"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.logged);
    indexer.reset();
    lines.clear();
    QDir(root).removeRecursively();
    ASSERT_TRUE(writeFile(root + QStringLiteral("/sub/before.txt"), ""));
    auto shared = std::make_shared<ScriptedWatcher::Shared>();
    shared->watches = c.watches;
    settings.makeWatcher = [shared](TreeWatcher::Callbacks callbacks) {
      return std::make_unique<ScriptedWatcher>(std::move(callbacks), shared);
    };
    // No rescans on a timer: the folder without a watch is polled.
    settings.pollIntervalMs = 100;
    startIndexer();
    waitForIndex();
    ASSERT_EQ(find({"before"}), QStringList{"/root/sub/before.txt"});

    // The watcher reports nothing of this file: only a rescan finds it.
    ASSERT_TRUE(writeFile(root + QStringLiteral("/sub/unreported.txt"), ""));
    if (c.reportLost) {
      ASSERT_TRUE(waitFor([&] { return shared->context.load() != nullptr; }, kIndexWaitMs));
      QMetaObject::invokeMethod(shared->context.load(), [shared] {
        shared->callbacks.lost(QStringLiteral("the change queue overflowed"));
      });
    }
    EXPECT_TRUE(waitFor([&] { return find({"unreported"}) == QStringList{"/root/sub/unreported.txt"}; }, kIndexWaitMs));
    EXPECT_TRUE(waitFor([&] { return loggedCount(QStringLiteral("indexed ")) >= c.scans; }, kIndexWaitMs));
    EXPECT_EQ(loggedCount(QStringLiteral("indexed ")), c.scans);
    EXPECT_EQ(loggedCount(QString::fromLatin1(c.logged)), 1);
  }
}

TEST_F(IndexFixture, DamagedDatabaseIsMovedAsideAndBuiltAgain) {
  ASSERT_TRUE(writeFile(root + QStringLiteral("/survivor.txt"), ""));
  ASSERT_TRUE(writeFile(settings.databasePath, QByteArray(8192, '\x5a')));
  startIndexer();
  waitForIndex();
  EXPECT_EQ(find({"survivor"}), QStringList{"/root/survivor.txt"});
  EXPECT_EQ(loggedCount(QStringLiteral("damaged")), 1);
  const QStringList aside = QDir(QFileInfo(settings.databasePath).absolutePath())
                                .entryList({QStringLiteral("index.db.damaged-*")}, QDir::Files);
  ASSERT_EQ(aside.size(), 1);
  QFile moved(QFileInfo(settings.databasePath).absolutePath() + u'/' + aside[0]);
  ASSERT_TRUE(moved.open(QIODevice::ReadOnly));
  EXPECT_EQ(moved.readAll(), QByteArray(8192, '\x5a'));
}

// The service killed while it reads contents keeps its index, and its next
// start finishes the work instead of starting over.
TEST_F(IndexFixture, RestartAfterAKill) {
  constexpr int kDocuments = 300;
  for (int i = 0; i < kDocuments; ++i) {
    ASSERT_TRUE(writeFile(root + QStringLiteral("/doc%1.txt").arg(i), "lighthouse keeper " + QByteArray::number(i)));
  }
  // doc29.txt and doc290.txt to doc299.txt are left out.
  const QStringList arguments{QStringLiteral("--port"),    QStringLiteral("0"),
                              QStringLiteral("--root"),    root,
                              QStringLiteral("--index"),   settings.databasePath,
                              QStringLiteral("--exclude"), QStringLiteral("doc29*")};
  constexpr int kIndexed = kDocuments - 11;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path() + QStringLiteral("/config"));
  environment.insert(QStringLiteral("XDG_DATA_HOME"), applications);
  environment.insert(QStringLiteral("XDG_DATA_DIRS"), applications);
  const auto contentHits = [&] { return search.search({QStringLiteral("lighthouse")}, 1000).size(); };
  // Runs the service until `done`; kills it then.
  const auto runUntil = [&](const std::function<bool(const QString&)>& done) {
    QProcess service;
    service.setProcessEnvironment(environment);
    service.setProcessChannelMode(QProcess::MergedChannels);
    service.start(QStringLiteral(ORVANTA_SERVICE_BINARY), arguments);
    QString log;
    const bool seen = waitFor(
        [&] {
          log += QString::fromLocal8Bit(service.readAll());
          return done(log);
        },
        60'000);
    service.kill();
    service.waitForFinished();
    EXPECT_TRUE(seen) << log.toStdString();
    return log;
  };
  // Killed as soon as the names are in, while the contents are read.
  runUntil([](const QString& log) { return log.contains(QStringLiteral("indexed ")); });
  ASSERT_TRUE(search.open(settings.databasePath, false));
  EXPECT_EQ(find({"doc17"}, 1), QStringList{"/root/doc17.txt"});
  EXPECT_EQ(find({"doc29"}), QStringList{});

  // The next start keeps what is stored and reads the rest.
  const QString log = runUntil([&](const QString& log) {
    return log.contains(QStringLiteral("indexed ")) && contentHits() == size_t(kIndexed);
  });
  EXPECT_FALSE(log.contains(QStringLiteral("damaged")));
  EXPECT_TRUE(log.contains(QStringLiteral("indexed %1 entries").arg(kIndexed))) << log.toStdString();
  EXPECT_EQ(contentHits(), size_t(kIndexed));
}

}  // namespace
}  // namespace orvanta::service
