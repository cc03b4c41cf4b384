// Counting the index's entries for the status page.
#include "index_status.h"

#include <QFile>

#include <sqlite3.h>

namespace orvanta::service {

std::optional<IndexCounts> countIndex(const QString& databasePath) {
  sqlite3* db = nullptr;
  const QByteArray name = QFile::encodeName(databasePath);
  if (sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return std::nullopt;
  }
  sqlite3_busy_timeout(db, 5000);
  // One pass over the entries: kinds 0 files, 1 folders, 2 applications;
  // contents 1 pending, 2 read, 4 to be tried again.
  constexpr char kCount[] =
      "SELECT count(*) FILTER (WHERE kind = 0), count(*) FILTER (WHERE kind = 1), count(*) FILTER (WHERE kind = 2), "
      "count(*) FILTER (WHERE content = 2), count(*) FILTER (WHERE content = 1), "
      "count(*) FILTER (WHERE content = 4) FROM files";
  sqlite3_stmt* statement = nullptr;
  std::optional<IndexCounts> counts;
  if (sqlite3_prepare_v2(db, kCount, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW) {
    counts = IndexCounts{sqlite3_column_int64(statement, 0), sqlite3_column_int64(statement, 1),
                         sqlite3_column_int64(statement, 2), sqlite3_column_int64(statement, 3),
                         sqlite3_column_int64(statement, 4), sqlite3_column_int64(statement, 5)};
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return counts;
}

QByteArray statusText(const std::optional<IndexCounts>& counts, const IndexPauses& pauses) {
  QString text;
  if (counts) {
    text += QStringLiteral("indexed: %1 files, %2 folders, %3 applications\n")
                .arg(counts->files)
                .arg(counts->folders)
                .arg(counts->applications);
    text += QStringLiteral("documents read: %1\n").arg(counts->documents);
    text += QStringLiteral("documents waiting to be read: %1\n").arg(counts->waiting);
    text += QStringLiteral("documents to be read again later: %1\n").arg(counts->retrying);
  } else {
    text += QStringLiteral("indexed: unknown (the index cannot be read)\n");
  }
  text += QStringLiteral("indexing: %1\n")
              .arg(pauses.writes.isEmpty() ? QStringLiteral("going on") : QStringLiteral("paused, ") + pauses.writes);
  text +=
      QStringLiteral("reading documents: %1\n")
          .arg(pauses.contents.isEmpty() ? QStringLiteral("going on") : QStringLiteral("paused, ") + pauses.contents);
  return text.toUtf8();
}

}  // namespace orvanta::service
