// Fuzzes the result page scan: for any page, the hits must be exactly those
// of a plain character-by-character reading of the marker rules (hits
// holding a control character dropped).
#include "search/result_page_scan.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

namespace {

using orvanta::search::decodeHit;
using orvanta::search::kMaxHitLength;

// The marker rules read one position at a time (1-based, as they are
// stated): slow, but plainly right.
QStringList referenceHits(const QString& page) {
  QStringList hits;
  const qsizetype length = page.size();
  qsizetype position = 0;
  for (;;) {
    ++position;
    if (position >= length - 20) return hits;
    if (QStringView(page).sliced(position - 1, 11) == u"span title=") {
      position += 12;
      qsizetype quote = -1;
      for (qsizetype i = position - 1; i < length; ++i) {
        if (page[i] == u'"') {
          quote = i + 1;
          break;
        }
      }
      if (quote < 0) return hits;
      const qsizetype hitLength = quote - position;
      if (hitLength > kMaxHitLength) continue;
      // A hit holding a control character (C0, DEL, C1) is dropped.
      bool control = false;
      for (qsizetype i = position - 1; i < quote - 1; ++i) {
        const char16_t c = page[i].unicode();
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) control = true;
      }
      if (!control) hits.append(decodeHit(QStringView(page).sliced(position - 1, hitLength)));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Two readings of the bytes: as UTF-8 text, and as raw UTF-16 units.
  const QString pages[] = {
      QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
      QString(reinterpret_cast<const QChar*>(data), static_cast<qsizetype>(size / 2)),
  };
  for (const QString& page : pages) {
    QStringList hits;
    orvanta::search::scanResultPage(page, [&](const QString& hit) { hits.append(hit); });
    if (hits != referenceHits(page)) std::abort();
  }
  return 0;
}
