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

// Where an entry's contents stand.
enum class ContentState { None = 0, Pending = 1, Done = 2, Failed = 3 };

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
  // moved aside (one line to `log`) and a new one made. False on failure.
  bool open(const QString& path, bool repair, const std::function<void(const QString&)>& log = {});
  bool isOpen() const { return db_ != nullptr; }
  void close();

  // The entries matching every word, best first, at most `limit`: names
  // equal to the words (without extension), names starting with them,
  // names containing them, then contents by relevance; newer first within
  // each. No words: no hits.
  std::vector<SearchHit> search(const QStringList& words, int limit);

  // Writing (the indexer's connection).
  void begin();
  void commit();
  std::optional<StoredEntry> find(const QByteArray& path);
  // Stores `entry` seen in scan `generation`; an entry whose time and size
  // are unchanged keeps its contents. Returns the entry's id and whether its
  // contents need extracting.
  std::pair<qint64, bool> store(const EntryRecord& entry, qint64 generation);
  void setContents(qint64 id, const QString& text, ContentState state);
  // Forgets `path` and everything below it. Returns how many entries went.
  int removeTree(const QByteArray& path);
  // Forgets every entry that the scan `generation` did not see.
  int removeUnseen(qint64 generation);
  // Entries whose contents still wait for extraction.
  std::vector<std::pair<qint64, QByteArray>> pendingContents(int limit);
  qint64 nextGeneration();
  qint64 entryCount();

 private:
  bool exec(const char* sql);
  sqlite3_stmt* prepare(const char* sql);
  bool createSchema();

  sqlite3* db_ = nullptr;
  std::unordered_map<const char*, sqlite3_stmt*> statements_;
};

// Words as the name index compares them: folded, blanks trimmed, empty
// ones dropped.
QStringList foldedWords(const QStringList& words);

}  // namespace orvanta::service
