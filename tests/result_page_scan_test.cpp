// The result page scan: which hits a page yields, in which order, and how
// they are decoded.
#include "search/result_page_scan.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace orvanta::search {
namespace {

QStringList hitsOf(const QString& page) {
  QStringList hits;
  scanResultPage(page, [&](const QString& hit) { hits.append(hit); });
  return hits;
}

// Pads a page so that its markers are not in the last 21 characters.
QString padded(const QString& body) { return body + QString(30, u'.'); }

TEST(ResultPageScan, PagesAndTheirHits) {
  const struct {
    const char* name;
    QString page;
    QStringList hits;
  } cases[] = {
      {"empty page", QString(), {}},
      {"page of 21 characters", QStringLiteral("span title=\"a\"1234567"), {}},
      {"one hit", padded(QStringLiteral("<span title=\"/home/u/a.txt\">")), {QStringLiteral("/home/u/a.txt")}},
      {"hits in page order",
       padded(QStringLiteral("<span title=\"/b\"></span><span title=\"/a\"></span><span title=\"/c\">")),
       {QStringLiteral("/b"), QStringLiteral("/a"), QStringLiteral("/c")}},
      {"marker in capitals", padded(QStringLiteral("<SPAN TITLE=\"/a\">")), {}},
      {"marker with two blanks", padded(QStringLiteral("<span  title=\"/a\">")), {}},
      {"apostrophe decoded", padded(QStringLiteral("<span title=\"/home/O&#39;Brien&#39;s.txt\">")),
       {QStringLiteral("/home/O'Brien's.txt")}},
      {"double quote decoded", padded(QStringLiteral("<span title=\"/home/say &quot;hi&quot;.txt\">")),
       {QStringLiteral("/home/say \"hi\".txt")}},
      {"both references in one path", padded(QStringLiteral("<span title=\"/&#39;&quot;/&quot;&#39;\">")),
       {QStringLiteral("/'\"/\"'")}},
      {"other references kept", padded(QStringLiteral("<span title=\"/a &amp; b &#34;&#039;&QUOT;\">")),
       {QStringLiteral("/a &amp; b &#34;&#039;&QUOT;")}},
      {"one-character path", padded(QStringLiteral("<span title=\"x\">")), {QStringLiteral("x")}},
      {"empty title", padded(QStringLiteral("<span title=\"\">")), {QString()}},
      {"single quote after the marker runs to the next double quote",
       padded(QStringLiteral("<span title='/a'><b class=\"x\">")), {QStringLiteral("/a'><b class=")}},
      {"duplicates kept", padded(QStringLiteral("<span title=\"/a\"><span title=\"/a\">")),
       {QStringLiteral("/a"), QStringLiteral("/a")}},
      {"no closing quote ends the scan", padded(QStringLiteral("<span title=\"/a\"><span title=\"/b")),
       {QStringLiteral("/a")}},
      // The path's own characters are examined again: a marker inside a
      // path yields a second hit.
      {"marker inside a path",
       padded(QStringLiteral("<span title=\"xspan title=\"/inner\" \">")),
       {QStringLiteral("xspan title="), QStringLiteral("/inner")}},
      // A control character drops the whole hit; the next one still counts.
      {"NUL in a path", padded(QStringLiteral("<span title=\"/home/u/a.png") + QChar(0) +
                                  QStringLiteral("-rf.png\"><span title=\"/b\">")),
       {QStringLiteral("/b")}},
      {"line break, tab, DEL and C1 codes in paths",
       padded(QStringLiteral("<span title=\"/a\nb\"><span title=\"/a\tb\"><span title=\"/a\x7f\">"
                             "<span title=\"/a\u0085\"><span title=\"/a\u00a0b\">")),
       {QStringLiteral("/a\u00a0b")}},
      {"non-ASCII path", padded(QStringLiteral("<span title=\"/home/u/Gr\u00fc\u00dfe \u65e5\u672c.pdf\">")),
       {QStringLiteral("/home/u/Gr\u00fc\u00dfe \u65e5\u672c.pdf")}},
  };
  for (const auto& c : cases) EXPECT_EQ(hitsOf(c.page), c.hits) << c.name;
}

TEST(ResultPageScan, TheLastTwentyOneCharactersHoldNoMarker) {
  // A marker at 0-based start s is found only while s <= length - 22.
  const QString marker = QStringLiteral("span title=\"/a\"");
  for (int filler = 0; filler <= 10; ++filler) {
    const QString page = marker + QString(filler, u'.');
    const bool found = marker.size() + filler >= 22;
    EXPECT_EQ(hitsOf(page).size(), found ? 1 : 0) << "page length " << page.size();
  }
  // The quote that ends a path may lie in the tail.
  EXPECT_EQ(hitsOf(QStringLiteral("span title=\"") + QString(9, u'p') + QStringLiteral("\"") + QString(12, u'.')),
            QStringList{QString(9, u'p')});
}

TEST(ResultPageScan, OverlongHitsAreDroppedAndTheScanGoesOn) {
  const QString longest(kMaxHitLength, u'a');
  const QString tooLong(kMaxHitLength + 1, u'b');
  const QStringList hits = hitsOf(padded(QStringLiteral("span title=\"") + longest + QStringLiteral("\"span title=\"") +
                                         tooLong + QStringLiteral("\"span title=\"/c\"")));
  ASSERT_EQ(hits.size(), 2);
  EXPECT_EQ(hits[0], longest);
  EXPECT_EQ(hits[1], QStringLiteral("/c"));
}

TEST(ResultPageScan, LargePagesOfUnclosedMarkers) {
  // Markers without any quote: the first one ends the scan.
  const QString unclosed = QStringLiteral("span title=").repeated(200'000);
  EXPECT_TRUE(hitsOf(unclosed).isEmpty());
  // Markers all closed by one quote at the very end. A path starts one
  // character into the next marker, so every second marker is found, and
  // each yields the rest of the page up to the quote.
  const QString closedAtEnd = QStringLiteral("span title=").repeated(2'000) + QStringLiteral("\"") + QString(30, u'.');
  const QStringList hits = hitsOf(closedAtEnd);
  ASSERT_EQ(hits.size(), 1'000);
  EXPECT_EQ(hits.front(), closedAtEnd.mid(12, 2'000 * 11 - 12));
  EXPECT_EQ(hits.back(), QStringLiteral("pan title="));
}

}  // namespace
}  // namespace orvanta::search
