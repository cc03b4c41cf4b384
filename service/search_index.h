// The service's index: one SQLite database (WAL mode) holding every file,
// folder and application entry found, a trigram index over the folded names
// and a full-text index over the extracted contents; and the ranked search
// over both. Each thread opens its own SearchIndex on the same file.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace orvanta::service {

enum class EntryKind { File = 0, Folder = 1, Application = 2 };

// Where an entry's contents stand. Failed: the helper had no text for the
// file or failed on it, kept until the file changes. Retry: the file could
// not be read this time; read again later.
enum class ContentState { None = 0, Pending = 1, Done = 2, Failed = 3, Retry = 4 };

// One entry as the indexer found it on disk.
struct EntryRecord {
  QByteArray path;        // the path's bytes as the file system has them
  EntryKind kind = EntryKind::File;
  QString label;          // the name matched and ranked: the file name, an application's Name=
  QString extra;          // further text matched as part of the name (an application's keywords)
  qint64 mtime = 0;       // modification time, nanoseconds
  qint64 size = 0;
  bool wantsContents = false;
};

struct StoredEntry {
  qint64 id = 0;
  qint64 mtime = 0;
  qint64 size = 0;
  ContentState content = ContentState::None;
};

// An entry whose contents wait for extraction, as it was when asked for.
struct PendingContent {
  qint64 id = 0;
  QByteArray path;
  qint64 mtime = 0;
  qint64 size = 0;
};

struct SearchHit {
  QByteArray path;
  int tier = 0;  // 0 name equals the words, 1 starts with them, 2 contains them, 3 contents
};

class SearchIndex {
 public:
  SearchIndex() = default;
  ~SearchIndex();
  SearchIndex(const SearchIndex&) = delete;
  SearchIndex& operator=(const SearchIndex&) = delete;

  // Opens the database at `path`, creating it and its folder when missing.
  // With `repair`, a file that is not a sound database of this program is
  // moved aside (one line to `log`) and a new one made; a database that
  // cannot be written (a full disk, say) is not damaged and stays. `vfs`
  // names the SQLite file layer (none: the system's). False on failure.
  bool open(const QString& path, bool repair, const std::function<void(const QString&)>& log = {},
            const char* vfs = nullptr);
  void close();

  // The entries matching every word, best first, at most `limit`: names
  // equal to the words (without extension), names starting with them,
  // names containing them, then contents by relevance; newer first within
  // each. No words: no hits.
  std::vector<SearchHit> search(const QStringList& words, int limit);

  // Writing (the indexer's connection). Every statement's result is
  // checked: after a failed one, the writes of the transaction are skipped
  // and commit() rolls it back and returns false; writeError() says why.
  bool begin();
  bool commit();
  bool writeFailed() const { return failed_; }
  QString writeError() const { return error_; }
  std::optional<StoredEntry> find(const QByteArray& path);
  // Stores `entry` seen in scan `generation`; an entry whose time and size
  // are unchanged keeps its contents. Returns the entry's id and whether its
  // contents need extracting.
  std::pair<qint64, bool> store(const EntryRecord& entry, qint64 generation);
  // Stores the contents extracted for `entry`, unless the entry went or
  // changed since it was asked for (then its new state stands). Whether
  // they were stored.
  bool setContents(const PendingContent& entry, const QString& text, ContentState state);
  // Another try at the contents of `path` when its extraction failed.
  bool retryContents(const QByteArray& path);
  // Every entry to be read again (Retry) waits for extraction again; how many.
  int retryContentsLater();
  // Forgets `path` and everything below it. Returns how many entries went.
  int removeTree(const QByteArray& path);
  // Forgets every entry that the scan `generation` did not see.
  int removeUnseen(qint64 generation);
  // Entries whose contents still wait for extraction.
  std::vector<PendingContent> pendingContents(int limit);
  qint64 nextGeneration();
  qint64 entryCount();

 private:
  bool exec(const char* sql);
  sqlite3_stmt* prepare(const char* sql);
  bool createSchema();
  // A write in the current transaction: runs `sql` (a literal) with
  // `bind`; false, with the failure noted, when it or an earlier one failed.
  bool write(const char* sql, const std::function<void(sqlite3_stmt*)>& bind);
  // Notes a failed statement of the current transaction.
  bool fail();

  sqlite3* db_ = nullptr;
  bool failed_ = false;
  QString error_;
  std::unordered_map<const char*, sqlite3_stmt*> statements_;
};

// Words as the name index compares them: folded, blanks trimmed, empty
// ones dropped.
QStringList foldedWords(const QStringList& words);

}  // namespace orvanta::service
