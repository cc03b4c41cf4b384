// What the index holds and what waits, as the status page tells it: counted
// over a read-only connection of its own, so a status request never takes
// part in the indexer's writes.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace orvanta::service {

struct IndexCounts {
  qint64 files = 0;
  qint64 folders = 0;
  qint64 applications = 0;
  qint64 documents = 0;  // files whose text is indexed
  qint64 waiting = 0;    // documents waiting to be read
  qint64 retrying = 0;   // documents that could not be read, to be tried again
};

// The counts of the index database at `databasePath`; nothing when it
// cannot be read.
std::optional<IndexCounts> countIndex(const QString& databasePath);

// Why indexing waits, where it does; empty reasons: it goes on.
struct IndexPauses {
  QString contents;  // reading documents' contents ("on battery")
  QString writes;    // writing the index (its writes fail)
};

// The status page: plain text, one fact a line.
QByteArray statusText(const std::optional<IndexCounts>& counts, const IndexPauses& pauses);

}  // namespace orvanta::service
