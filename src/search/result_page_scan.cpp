// Marker search over the page. The next double quote is remembered, so the
// search for a path's end never runs over the same characters twice.
#include "result_page_scan.h"

#include <algorithm>

namespace orvanta::search {

namespace {

constexpr QStringView kMarker = u"span title=";
constexpr QLatin1StringView kApostrophe("&#39;");
constexpr QLatin1StringView kQuote("&quot;");

// A control character (C0, DEL or C1) can be no part of a real path, and a
// NUL would cut the path short wherever it is handed on.
bool holdsControlCharacter(QStringView text) {
  return std::any_of(text.begin(), text.end(), [](QChar c) {
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F);
  });
}

}  // namespace

QString decodeHit(QStringView raw) {
  QString hit = raw.toString();
  // The service writes these two characters of a path as references and
  // leaves off paths that hold either reference literally, so the two
  // replacements cannot meet.
  hit.replace(kApostrophe, QLatin1StringView("'"));
  hit.replace(kQuote, QLatin1StringView("\""));
  return hit;
}

void scanResultPage(QStringView page, const std::function<void(const QString& hit)>& onHit) {
  // 0-based start positions 0 .. page.size() - 22 are examined.
  const qsizetype lastStart = page.size() - kScanTail - 1;
  qsizetype position = 0;
  qsizetype quote = -1;  // the last double quote found, or -1
  while (position <= lastStart) {
    const qsizetype marker = page.indexOf(kMarker, position);
    if (marker < 0 || marker > lastStart) return;
    // The character after the marker (normally the opening quote) is
    // skipped unseen; the path starts after it.
    const qsizetype pathStart = marker + kMarker.size() + 1;
    // Paths start further on each time, so a quote at or after this start
    // is still the first one after it.
    if (quote < pathStart) quote = page.indexOf(u'"', pathStart);
    if (quote < 0) return;  // no path end anywhere further on
    const qsizetype length = quote - pathStart;
    const QStringView raw = page.sliced(pathStart, std::min(length, kMaxHitLength + 1));
    if (length <= kMaxHitLength && !holdsControlCharacter(raw)) onHit(decodeHit(raw));
    // The path's second character is examined next (M + 13, counting from 1).
    position = pathStart + 1;
  }
}

}  // namespace orvanta::search
