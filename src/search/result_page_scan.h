// The scan of a result page: every "span title=" marker yields the text up
// to the next double quote as one hit, with "&#39;" turned back into "'".
// Hits come out in page order, one at a time, duplicates kept.
#pragma once

#include <QString>
#include <QStringView>

#include <functional>

namespace orvanta::search {

// The marker is never looked for in the last 21 characters of the page.
inline constexpr qsizetype kScanTail = 21;
// Hits longer than the longest path the file systems accept are dropped.
inline constexpr qsizetype kMaxHitLength = 32767;

// Calls `onHit` for each hit of `page`, in page order. After a marker at
// position M the scan goes on at M + 13 (1-based), so a path's own
// characters are examined again. A marker with no double quote after it
// ends the scan. A hit holding a control character (a NUL, a line break,
// any C0 or C1 code, DEL) is dropped whole, never cut short. Runs in time linear in the page's length.
void scanResultPage(QStringView page, const std::function<void(const QString& hit)>& onHit);

// The decoded form of one hit's raw text.
QString decodeHit(QStringView raw);

}  // namespace orvanta::search
