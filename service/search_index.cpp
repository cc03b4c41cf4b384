// The index database: schema, damage handling, writes and the ranked search.
#include "search_index.h"

#include "platform/private_files.h"
#include "text_folding.h"
#include "tree_walk.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <sqlite3.h>

#include <algorithm>

namespace orvanta::service {

namespace {

// Raised when the layout of the tables changes: an older database is then
// built again from the disk.
constexpr int kSchemaVersion = 2;

// Above this many trigram candidates, names containing the words are found
// by walking the entries newest first instead of sorting all candidates.
constexpr int kCandidateSortLimit = 4000;

// files_newest carries the folded name next to the time, so that the walks
// newest first test the names in the index alone and read a row of `files`
// only for a hit (it replaced files_mtime, which held the time only).
const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS files(
  id INTEGER PRIMARY KEY,
  path BLOB NOT NULL UNIQUE,
  kind INTEGER NOT NULL,
  stem TEXT NOT NULL,
  label TEXT NOT NULL,
  folded TEXT NOT NULL,
  mtime INTEGER NOT NULL,
  size INTEGER NOT NULL,
  content INTEGER NOT NULL DEFAULT 0,
  gen INTEGER NOT NULL DEFAULT 0);
CREATE INDEX IF NOT EXISTS files_stem ON files(stem);
CREATE INDEX IF NOT EXISTS files_folded ON files(folded);
DROP INDEX IF EXISTS files_mtime;
CREATE INDEX IF NOT EXISTS files_newest ON files(mtime, folded);
CREATE INDEX IF NOT EXISTS files_pending ON files(content) WHERE content = 1;
CREATE INDEX IF NOT EXISTS files_retry ON files(content) WHERE content = 4;
CREATE VIRTUAL TABLE IF NOT EXISTS names USING fts5(folded, content='files', content_rowid='id',
  tokenize='trigram');
CREATE VIRTUAL TABLE IF NOT EXISTS contents USING fts5(body, tokenize='unicode61 remove_diacritics 2');
CREATE TRIGGER IF NOT EXISTS files_added AFTER INSERT ON files BEGIN
  INSERT INTO names(rowid, folded) VALUES (new.id, new.folded);
END;
CREATE TRIGGER IF NOT EXISTS files_removed AFTER DELETE ON files BEGIN
  INSERT INTO names(names, rowid, folded) VALUES ('delete', old.id, old.folded);
  DELETE FROM contents WHERE rowid = old.id;
END;
CREATE TRIGGER IF NOT EXISTS files_renamed AFTER UPDATE OF folded ON files BEGIN
  INSERT INTO names(names, rowid, folded) VALUES ('delete', old.id, old.folded);
  INSERT INTO names(rowid, folded) VALUES (new.id, new.folded);
END;
)sql";

QString stemOf(const QString& label, EntryKind kind) {
  if (kind == EntryKind::Application) return label;
  const qsizetype dot = label.lastIndexOf(u'.');
  return dot > 0 ? label.left(dot) : label;
}

// A word as an FTS5 string: in double quotes, inner ones doubled.
QString quoted(const QString& word) {
  QString text = word;
  text.replace(u'"', QStringLiteral("\"\""));
  return u'"' + text + u'"';
}

bool hasLetterOrDigit(const QString& word) {
  return std::any_of(word.cbegin(), word.cend(), [](QChar c) { return c.isLetterOrNumber(); });
}

void bindText(sqlite3_stmt* statement, int index, const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  sqlite3_bind_text(statement, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

void bindBlob(sqlite3_stmt* statement, int index, const QByteArray& bytes) {
  sqlite3_bind_blob(statement, index, bytes.constData(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
}

QByteArray columnBlob(sqlite3_stmt* statement, int column) {
  const auto* data = static_cast<const char*>(sqlite3_column_blob(statement, column));
  return QByteArray(data, sqlite3_column_bytes(statement, column));
}

// Resets a cached statement when it leaves scope.
struct Reset {
  sqlite3_stmt* statement;
  ~Reset() {
    if (statement) {
      sqlite3_reset(statement);
      sqlite3_clear_bindings(statement);
    }
  }
};

}  // namespace

QStringList foldedWords(const QStringList& words) {
  QStringList folded;
  for (const QString& word : words) {
    const QString text = foldText(word).trimmed();
    if (!text.isEmpty()) folded.append(text);
  }
  return folded;
}

SearchIndex::~SearchIndex() { close(); }

void SearchIndex::close() {
  for (const auto& [sql, statement] : statements_) sqlite3_finalize(statement);
  statements_.clear();
  if (db_) sqlite3_close(db_);
  db_ = nullptr;
}

bool SearchIndex::exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

sqlite3_stmt* SearchIndex::prepare(const char* sql) {
  // Statements are kept for the connection's life; `sql` is always a literal,
  // so its address names it.
  const auto it = statements_.find(sql);
  if (it != statements_.end()) return it->second;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK) return nullptr;
  statements_.emplace(sql, statement);
  return statement;
}

bool SearchIndex::createSchema() {
  if (!exec("PRAGMA journal_mode=WAL") || !exec("PRAGMA synchronous=NORMAL")) return false;
  int version = -1;
  {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, "PRAGMA user_version", -1, &statement, nullptr) != SQLITE_OK) return false;
    if (sqlite3_step(statement) == SQLITE_ROW) version = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
  }
  if (version != 0 && version != kSchemaVersion) {
    if (!exec("DROP TABLE IF EXISTS names; DROP TABLE IF EXISTS contents; DROP TABLE IF EXISTS files;"
              "DROP TABLE IF EXISTS meta;")) {
      return false;
    }
  }
  if (!exec(kSchema)) return false;
  return exec(QByteArray("PRAGMA user_version=" + QByteArray::number(kSchemaVersion)).constData());
}

bool SearchIndex::open(const QString& path, bool repair, const std::function<void(const QString&)>& log,
                       const char* vfs) {
  close();
  // The index holds the user's documents: its folder and files are the
  // user's alone (SQLite gives the log and shared memory files the rights
  // of the database file).
  platform::makePrivateFolder(QFileInfo(path).absolutePath());
  const QByteArray name = encodePath(path);
  // Whether the last try found the file damaged rather than unwritable.
  bool damaged = false;
  const auto tryOpen = [&]() {
    damaged = false;
    platform::makePrivateFile(path);
    if (sqlite3_open_v2(name.constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        vfs) != SQLITE_OK) {
      close();
      return false;
    }
    sqlite3_busy_timeout(db_, 5000);
    if (!repair) return exec("PRAGMA query_only=0");
    bool sound = createSchema();
    if (!sound) {
      const int code = sqlite3_errcode(db_) & 0xff;
      damaged = code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
    } else {
      sqlite3_stmt* check = nullptr;
      const bool checked = sqlite3_prepare_v2(db_, "PRAGMA quick_check(1)", -1, &check, nullptr) == SQLITE_OK &&
                           sqlite3_step(check) == SQLITE_ROW;
      if (checked) {
        sound = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(check, 0))) == "ok";
        damaged = !sound;
      } else {
        sound = false;
        const int code = sqlite3_errcode(db_) & 0xff;
        damaged = code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
      }
      sqlite3_finalize(check);
    }
    if (!sound) close();
    return sound;
  };
  if (tryOpen()) return true;
  if (!repair || !damaged || !QFile::exists(path)) return false;

  const QString aside = path + QStringLiteral(".damaged-") +
                        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddhhmmss"));
  QFile::remove(aside);
  if (!QFile::rename(path, aside)) return false;
  QFile::rename(path + QStringLiteral("-wal"), aside + QStringLiteral("-wal"));
  QFile::remove(path + QStringLiteral("-shm"));
  if (log) log(QStringLiteral("index database %1 was damaged; moved it to %2 and building it again").arg(path, aside));
  return tryOpen();
}

bool SearchIndex::fail() {
  if (!failed_) {
    failed_ = true;
    error_ = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("not open");
  }
  return false;
}

bool SearchIndex::write(const char* sql, const std::function<void(sqlite3_stmt*)>& bind) {
  if (failed_) return false;
  sqlite3_stmt* statement = prepare(sql);
  if (!statement) return fail();
  Reset reset{statement};
  bind(statement);
  const int result = sqlite3_step(statement);
  return result == SQLITE_DONE || result == SQLITE_ROW || fail();
}

bool SearchIndex::begin() {
  failed_ = false;
  error_.clear();
  return exec("BEGIN IMMEDIATE") || fail();
}

bool SearchIndex::commit() {
  if (!failed_ && (exec("COMMIT") || fail())) return true;
  // A failed statement may have ended the transaction already.
  if (db_ && !sqlite3_get_autocommit(db_)) exec("ROLLBACK");
  return false;
}

std::optional<StoredEntry> SearchIndex::find(const QByteArray& path) {
  sqlite3_stmt* statement = prepare("SELECT id, mtime, size, content FROM files WHERE path = ?");
  if (!statement) {
    fail();
    return std::nullopt;
  }
  Reset reset{statement};
  bindBlob(statement, 1, path);
  const int result = sqlite3_step(statement);
  if (result != SQLITE_ROW) {
    if (result != SQLITE_DONE) fail();
    return std::nullopt;
  }
  return StoredEntry{sqlite3_column_int64(statement, 0), sqlite3_column_int64(statement, 1),
                     sqlite3_column_int64(statement, 2), static_cast<ContentState>(sqlite3_column_int(statement, 3))};
}

std::pair<qint64, bool> SearchIndex::store(const EntryRecord& entry, qint64 generation) {
  if (failed_) return {0, false};
  const std::optional<StoredEntry> stored = find(entry.path);
  if (failed_) return {0, false};
  const ContentState wanted = entry.wantsContents ? ContentState::Pending : ContentState::None;
  if (stored && stored->mtime == entry.mtime && stored->size == entry.size) {
    const bool touched = write("UPDATE files SET gen = ? WHERE id = ?", [&](sqlite3_stmt* touch) {
      sqlite3_bind_int64(touch, 1, generation);
      sqlite3_bind_int64(touch, 2, stored->id);
    });
    if (!touched) return {0, false};
    return {stored->id, stored->content == ContentState::Pending};
  }
  const QString label = entry.label;
  const QString stem = foldText(stemOf(label, entry.kind));
  QString folded = foldText(label);
  if (!entry.extra.isEmpty()) folded += u'\n' + foldText(entry.extra);
  if (stored) {
    const bool updated =
        write(
            "UPDATE files SET kind = ?, stem = ?, label = ?, folded = ?, mtime = ?, size = ?, content = ?, gen = ? "
            "WHERE id = ?",
            [&](sqlite3_stmt* update) {
              sqlite3_bind_int(update, 1, static_cast<int>(entry.kind));
              bindText(update, 2, stem);
              bindText(update, 3, foldText(label));
              bindText(update, 4, folded);
              sqlite3_bind_int64(update, 5, entry.mtime);
              sqlite3_bind_int64(update, 6, entry.size);
              sqlite3_bind_int(update, 7, static_cast<int>(wanted));
              sqlite3_bind_int64(update, 8, generation);
              sqlite3_bind_int64(update, 9, stored->id);
            }) &&
        write("DELETE FROM contents WHERE rowid = ?",
              [&](sqlite3_stmt* drop) { sqlite3_bind_int64(drop, 1, stored->id); });
    if (!updated) return {0, false};
    return {stored->id, entry.wantsContents};
  }
  const bool inserted =
      write("INSERT INTO files(path, kind, stem, label, folded, mtime, size, content, gen) VALUES (?,?,?,?,?,?,?,?,?)",
            [&](sqlite3_stmt* insert) {
              bindBlob(insert, 1, entry.path);
              sqlite3_bind_int(insert, 2, static_cast<int>(entry.kind));
              bindText(insert, 3, stem);
              bindText(insert, 4, foldText(label));
              bindText(insert, 5, folded);
              sqlite3_bind_int64(insert, 6, entry.mtime);
              sqlite3_bind_int64(insert, 7, entry.size);
              sqlite3_bind_int(insert, 8, static_cast<int>(wanted));
              sqlite3_bind_int64(insert, 9, generation);
            });
  if (!inserted) return {0, false};
  return {sqlite3_last_insert_rowid(db_), entry.wantsContents};
}

bool SearchIndex::setContents(const PendingContent& entry, const QString& text, ContentState state) {
  // Only an entry still waiting, unchanged, takes the text read for it.
  const bool marked = write("UPDATE files SET content = ? WHERE id = ? AND content = 1 AND mtime = ? AND size = ?",
                            [&](sqlite3_stmt* mark) {
                              sqlite3_bind_int(mark, 1, static_cast<int>(state));
                              sqlite3_bind_int64(mark, 2, entry.id);
                              sqlite3_bind_int64(mark, 3, entry.mtime);
                              sqlite3_bind_int64(mark, 4, entry.size);
                            });
  if (!marked || sqlite3_changes(db_) == 0) return false;
  if (!write("DELETE FROM contents WHERE rowid = ?",
             [&](sqlite3_stmt* drop) { sqlite3_bind_int64(drop, 1, entry.id); })) {
    return false;
  }
  if (text.isEmpty()) return true;
  return write("INSERT INTO contents(rowid, body) VALUES (?, ?)", [&](sqlite3_stmt* insert) {
    sqlite3_bind_int64(insert, 1, entry.id);
    bindText(insert, 2, text);
  });
}

bool SearchIndex::retryContents(const QByteArray& path) {
  return write("UPDATE files SET content = 1 WHERE path = ? AND content IN (3, 4)",
               [&](sqlite3_stmt* statement) { bindBlob(statement, 1, path); }) &&
         sqlite3_changes(db_) > 0;
}

int SearchIndex::retryContentsLater() {
  if (!write("UPDATE files SET content = 1 WHERE content = 4", [](sqlite3_stmt*) {})) return 0;
  return sqlite3_changes(db_);
}

int SearchIndex::removeTree(const QByteArray& path) {
  // Everything from "path/" up to, not including, "path0" ('0' follows '/').
  const bool removed =
      write("DELETE FROM files WHERE path = ?1 OR (path >= ?2 AND path < ?3)", [&](sqlite3_stmt* statement) {
        bindBlob(statement, 1, path);
        bindBlob(statement, 2, path + '/');
        bindBlob(statement, 3, path + '0');
      });
  return removed ? sqlite3_changes(db_) : 0;
}

int SearchIndex::removeUnseen(qint64 generation) {
  const bool removed = write("DELETE FROM files WHERE gen < ?",
                             [&](sqlite3_stmt* statement) { sqlite3_bind_int64(statement, 1, generation); });
  return removed ? sqlite3_changes(db_) : 0;
}

std::vector<PendingContent> SearchIndex::pendingContents(int limit) {
  std::vector<PendingContent> pending;
  sqlite3_stmt* statement = prepare("SELECT id, path, mtime, size FROM files WHERE content = 1 LIMIT ?");
  if (!statement) return pending;
  Reset reset{statement};
  sqlite3_bind_int(statement, 1, limit);
  while (sqlite3_step(statement) == SQLITE_ROW) {
    pending.push_back({sqlite3_column_int64(statement, 0), columnBlob(statement, 1), sqlite3_column_int64(statement, 2),
                       sqlite3_column_int64(statement, 3)});
  }
  return pending;
}

qint64 SearchIndex::nextGeneration() {
  write("INSERT INTO meta(key, value) VALUES ('generation', 1) ON CONFLICT(key) DO UPDATE SET value = value + 1",
        [](sqlite3_stmt*) {});
  sqlite3_stmt* statement = prepare("SELECT value FROM meta WHERE key = 'generation'");
  if (!statement) return 1;
  Reset reset{statement};
  return sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : 1;
}

qint64 SearchIndex::entryCount() {
  sqlite3_stmt* statement = prepare("SELECT count(*) FROM files");
  if (!statement) return 0;
  Reset reset{statement};
  return sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : 0;
}

std::vector<SearchHit> SearchIndex::search(const QStringList& words, int limit) {
  std::vector<SearchHit> hits;
  const QStringList folded = foldedWords(words);
  if (!db_ || folded.isEmpty() || limit <= 0) return hits;
  const QString joined = folded.join(u' ');

  // Words of three characters and more can go through the trigram index,
  // the shorter ones are looked for in the folded names directly.
  QStringList longWords;
  QStringList shortWords;
  // (The trigram index counts code points, not UTF-16 units.)
  for (const QString& word : folded) (word.toUcs4().size() >= 3 ? longWords : shortWords).append(word);
  QStringList terms;
  for (const QString& word : longWords) terms.append(quoted(word));
  const QString trigramQuery = terms.join(QStringLiteral(" AND "));

  QSet<QByteArray> seen;
  // Runs one query of names and adds its hits of `tier` not seen before.
  const auto collect = [&](const QByteArray& sql, int tier, const std::function<void(sqlite3_stmt*)>& bind) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.constData(), -1, &statement, nullptr) != SQLITE_OK) return;
    bind(statement);
    while (static_cast<int>(hits.size()) < limit && sqlite3_step(statement) == SQLITE_ROW) {
      QByteArray path = columnBlob(statement, 0);
      if (seen.contains(path)) continue;
      seen.insert(path);
      hits.push_back({std::move(path), tier});
    }
    sqlite3_finalize(statement);
  };
  const auto bindLimit = [&](sqlite3_stmt* statement, int index) {
    sqlite3_bind_int(statement, index, limit + static_cast<int>(hits.size()));
  };

  // The name (without extension) equals the words.
  collect("SELECT path FROM files INDEXED BY files_stem WHERE stem = ?1 ORDER BY mtime DESC, path LIMIT ?2", 0, [&](sqlite3_stmt* s) {
    bindText(s, 1, joined);
    bindLimit(s, 2);
  });
  // Whether a counting query finds fewer than kCandidateSortLimit rows.
  const auto fewerThanLimit = [&](const char* sql, const std::function<void(sqlite3_stmt*)>& bind) {
    sqlite3_stmt* count = nullptr;
    bool few = false;
    if (sqlite3_prepare_v2(db_, sql, -1, &count, nullptr) == SQLITE_OK) {
      bind(count);
      sqlite3_bind_int(count, 2, kCandidateSortLimit);
      few = sqlite3_step(count) == SQLITE_ROW && sqlite3_column_int(count, 0) < kCandidateSortLimit;
    }
    sqlite3_finalize(count);
    return few;
  };
  // The name starts with them: a range of the sorted folded names when it
  // is short, else the names newest first until enough are found.
  const bool fewPrefixed = fewerThanLimit(
      "SELECT count(*) FROM (SELECT 1 FROM files INDEXED BY files_folded WHERE folded >= ?1 AND "
      "folded < ?1 || char(1114111) LIMIT ?2)",
      [&](sqlite3_stmt* s) { bindText(s, 1, joined); });
  collect(fewPrefixed ? "SELECT path FROM files INDEXED BY files_folded WHERE folded >= ?1 AND "
                        "folded < ?1 || char(1114111) ORDER BY mtime DESC, path LIMIT ?2"
                      : "SELECT path FROM files INDEXED BY files_newest WHERE substr(folded, 1, length(?1)) = ?1 "
                        "ORDER BY mtime DESC, path LIMIT ?2",
          1, [&](sqlite3_stmt* s) {
            bindText(s, 1, joined);
            bindLimit(s, 2);
          });
  // The name contains every word: from the trigram candidates when they
  // are few, else walking the names newest first until enough are found.
  // The candidates are read once, as a JSON list of ids, so that the
  // trigram index is not matched a second time for their names.
  if (static_cast<int>(hits.size()) < limit) {
    bool fewCandidates = false;
    QByteArray candidates = "[";
    if (!longWords.isEmpty()) {
      sqlite3_stmt* match = nullptr;
      if (sqlite3_prepare_v2(db_, "SELECT rowid FROM names WHERE names MATCH ?1 LIMIT ?2", -1, &match, nullptr) ==
          SQLITE_OK) {
        bindText(match, 1, trigramQuery);
        sqlite3_bind_int(match, 2, kCandidateSortLimit);
        int count = 0;
        int step = SQLITE_ROW;
        while ((step = sqlite3_step(match)) == SQLITE_ROW) {
          if (count++ > 0) candidates += ',';
          candidates += QByteArray::number(sqlite3_column_int64(match, 0));
        }
        fewCandidates = step == SQLITE_DONE && count < kCandidateSortLimit;
      }
      sqlite3_finalize(match);
    }
    candidates += ']';
    QByteArray sql = fewCandidates ? "SELECT path FROM files WHERE id IN (SELECT value FROM json_each(?1))"
                                   : "SELECT path FROM files INDEXED BY files_newest WHERE 1";
    const QStringList& scanned = fewCandidates ? shortWords : folded;
    for (qsizetype i = 0; i < scanned.size(); ++i) sql += " AND instr(folded, ?" + QByteArray::number(i + 3) + ") > 0";
    sql += " ORDER BY mtime DESC, path LIMIT ?2";
    collect(sql, 2, [&](sqlite3_stmt* s) {
      if (fewCandidates) {
        sqlite3_bind_text(s, 1, candidates.constData(), static_cast<int>(candidates.size()), SQLITE_STATIC);
      }
      bindLimit(s, 2);
      for (qsizetype i = 0; i < scanned.size(); ++i) bindText(s, static_cast<int>(i + 3), scanned[i]);
    });
  }
  if (static_cast<int>(hits.size()) >= limit) return hits;

  // Contents: every word must be in the text. A word without a letter or
  // digit has no token there, so such a search matches names only.
  if (!std::all_of(words.cbegin(), words.cend(), hasLetterOrDigit)) return hits;
  QStringList contentTerms;
  for (const QString& word : words) {
    contentTerms.append(quoted(word) + (word.size() >= 3 ? QStringLiteral("*") : QString()));
  }
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_,
                         "SELECT files.path FROM contents JOIN files ON files.id = contents.rowid "
                         "WHERE contents MATCH ?1 ORDER BY bm25(contents), files.mtime DESC LIMIT ?2",
                         -1, &statement, nullptr) == SQLITE_OK) {
    bindText(statement, 1, contentTerms.join(QStringLiteral(" AND ")));
    sqlite3_bind_int(statement, 2, limit + static_cast<int>(hits.size()));
    while (sqlite3_step(statement) == SQLITE_ROW && static_cast<int>(hits.size()) < limit) {
      QByteArray path = columnBlob(statement, 0);
      if (seen.contains(path)) continue;
      hits.push_back({std::move(path), 3});
    }
  }
  sqlite3_finalize(statement);
  return hits;
}

}  // namespace orvanta::service
