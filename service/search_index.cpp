// The index database: schema, damage handling, writes and the ranked search.
#include "search_index.h"

#include "platform/private_files.h"
#include "text_folding.h"
#include "tree_walk.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <sqlite3.h>

#include <algorithm>
#include <set>
#include <string>
#include <string_view>

namespace orvanta::service {

namespace {

// Raised when the layout of the tables changes: an older database is then
// built again from the disk.
constexpr int kSchemaVersion = 3;
// The layout before the words were kept; such a database gets them from
// its names and its texts' word list.
constexpr int kSchemaWithoutWords = 2;

// At most this many near words stand in for one word.
constexpr int kMostNearWords = 16;

// Longer words get no suggestion: the words two edits away grow with the
// square of the length.
constexpr qsizetype kLongestSuggested = 12;

// The pointer type of the word lists handed to holds_words().
const char* const kWordsPointer = "orvanta-words";

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
-- Every word ever seen in a name or a text, with about how often: where
-- the near words of a word without hits are looked up, one lookup each. A
-- word whose entries went stays (it then finds nothing).
CREATE TABLE IF NOT EXISTS words(word TEXT PRIMARY KEY, uses INTEGER NOT NULL) WITHOUT ROWID;
DROP TRIGGER IF EXISTS files_added;
CREATE TRIGGER files_added AFTER INSERT ON files BEGIN
  INSERT INTO names(rowid, folded) VALUES (new.id, new.folded);
  INSERT INTO words(word, uses) SELECT value, 1 FROM json_each(words_of(new.folded)) WHERE true
    ON CONFLICT(word) DO UPDATE SET uses = uses + 1;
END;
DROP TRIGGER IF EXISTS files_removed;
CREATE TRIGGER files_removed AFTER DELETE ON files BEGIN
  INSERT INTO names(names, rowid, folded) VALUES ('delete', old.id, old.folded);
  DELETE FROM contents WHERE rowid = old.id;
END;
DROP TRIGGER IF EXISTS files_renamed;
CREATE TRIGGER files_renamed AFTER UPDATE OF folded ON files BEGIN
  INSERT INTO names(names, rowid, folded) VALUES ('delete', old.id, old.folded);
  INSERT INTO names(rowid, folded) VALUES (new.id, new.folded);
  INSERT INTO words(word, uses) SELECT value, 1 FROM json_each(words_of(new.folded)) WHERE true
    ON CONFLICT(word) DO UPDATE SET uses = uses + 1;
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

// Words as holds_words() takes them: each word as the UTF-8 of the
// spellings that count for it.
using WordSpellings = std::vector<std::vector<std::string>>;

// holds_words(folded, words): whether the text holds, for every word, one
// of its spellings (as instr() would find it); true without words.
void holdsWords(sqlite3_context* context, int, sqlite3_value** values) {
  const auto* words = static_cast<const WordSpellings*>(sqlite3_value_pointer(values[1], kWordsPointer));
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
  const std::string_view folded(text ? text : "", static_cast<size_t>(sqlite3_value_bytes(values[0])));
  bool holds = true;
  if (words) {
    holds = std::all_of(words->cbegin(), words->cend(), [&](const std::vector<std::string>& spellings) {
      return std::any_of(spellings.cbegin(), spellings.cend(),
                         [&](const std::string& spelling) { return folded.find(spelling) != std::string_view::npos; });
    });
  }
  sqlite3_result_int(context, holds ? 1 : 0);
}

// words_of(text): the distinct words of a text, folded, as a JSON list.
// Words are the runs of letters and digits, as the contents' tokenizer
// cuts them.
void wordsOf(sqlite3_context* context, int, sqlite3_value** values) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
  const QString folded = foldText(QString::fromUtf8(text ? text : "", sqlite3_value_bytes(values[0])));
  QSet<QString> words;
  qsizetype start = -1;
  for (qsizetype i = 0; i <= folded.size(); ++i) {
    const bool inWord = i < folded.size() && (folded[i].isLetterOrNumber() || folded[i].isSurrogate());
    if (inWord && start < 0) start = i;
    if (!inWord && start >= 0) {
      words.insert(folded.sliced(start, i - start));
      start = -1;
    }
  }
  const QByteArray list = QJsonDocument(QJsonArray::fromStringList(words.values())).toJson(QJsonDocument::Compact);
  sqlite3_result_text(context, list.constData(), static_cast<int>(list.size()), SQLITE_TRANSIENT);
}

qsizetype characterCount(const QString& word) { return word.toUcs4().size(); }

// The letters tried in a wrong or missing place of `word` (see oneEditAway).
std::vector<char32_t> lettersFor(const std::u32string& word) {
  std::set<char32_t> letters;
  for (const char32_t c : word) {
    if (QChar::isLetter(c)) letters.insert(c);
  }
  for (char32_t c = U'a'; c <= U'z'; ++c) letters.insert(c);
  std::set<QChar::Script> scripts;
  for (const char32_t c : word) {
    const QChar::Script script = QChar::script(c);
    if (c > 0x7f && script != QChar::Script_Latin && script != QChar::Script_Common &&
        script != QChar::Script_Inherited && script != QChar::Script_Unknown) {
      scripts.insert(script);
    }
  }
  // A script of thousands of signs (Han) would make thousands of words to
  // look up: only its letters in the word itself are tried.
  constexpr size_t kMostScriptLetters = 400;
  for (const QChar::Script script : scripts) {
    std::vector<char32_t> own;
    for (char32_t c = 0x80; c < 0x10000 && own.size() <= kMostScriptLetters; ++c) {
      if (QChar::script(c) != script || !QChar::isLetter(c) || QChar::isUpper(c) || QChar::isTitleCase(c)) continue;
      // Folded text holds no letter that decomposes further.
      const QString letter = QString::fromUcs4(&c, 1);
      if (letter.normalized(QString::NormalizationForm_KD) == letter) own.push_back(c);
    }
    if (own.size() <= kMostScriptLetters) letters.insert(own.cbegin(), own.cend());
  }
  return {letters.cbegin(), letters.cend()};
}

// `words` as a JSON list of strings.
QByteArray jsonList(const QStringList& words) {
  return QJsonDocument(QJsonArray::fromStringList(words)).toJson(QJsonDocument::Compact);
}

// The words one letter fewer or two neighbouring letters swapped away.
QStringList deletionsAndSwaps(const QString& word) {
  const std::u32string letters = word.toStdU32String();
  QStringList out;
  for (size_t i = 0; i < letters.size(); ++i) {
    if (!QChar::isLetter(letters[i])) continue;
    std::u32string variant = letters;
    variant.erase(i, 1);
    out.append(QString::fromStdU32String(variant));
    if (i + 1 < letters.size() && QChar::isLetter(letters[i + 1]) && letters[i] != letters[i + 1]) {
      variant = letters;
      std::swap(variant[i], variant[i + 1]);
      out.append(QString::fromStdU32String(variant));
    }
  }
  return out;
}

}  // namespace

QStringList oneEditAway(const QString& word) {
  const std::u32string letters = word.toStdU32String();
  std::set<std::u32string> variants;
  const std::vector<char32_t> alphabet = lettersFor(letters);
  for (size_t i = 0; i <= letters.size(); ++i) {
    for (const char32_t c : alphabet) {
      std::u32string extra = letters;
      extra.insert(i, 1, c);
      variants.insert(std::move(extra));
      if (i < letters.size() && QChar::isLetter(letters[i]) && letters[i] != c) {
        std::u32string wrong = letters;
        wrong[i] = c;
        variants.insert(std::move(wrong));
      }
    }
  }
  for (const QString& variant : deletionsAndSwaps(word)) variants.insert(variant.toStdU32String());
  variants.erase(letters);
  variants.erase(std::u32string());
  QStringList out;
  out.reserve(static_cast<qsizetype>(variants.size()));
  for (const std::u32string& variant : variants) out.append(QString::fromStdU32String(variant));
  return out;
}

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
    sqlite3_stmt* statement = prepare("PRAGMA user_version");
    if (!statement) return false;
    Reset reset{statement};
    if (sqlite3_step(statement) == SQLITE_ROW) version = sqlite3_column_int(statement, 0);
  }
  if (version != 0 && version != kSchemaVersion && version != kSchemaWithoutWords) {
    if (!exec("DROP TABLE IF EXISTS words; DROP TABLE IF EXISTS names; DROP TABLE IF EXISTS contents;"
              "DROP TABLE IF EXISTS files; DROP TABLE IF EXISTS meta;")) {
      return false;
    }
  }
  if (!exec(kSchema)) return false;
  if (version == kSchemaWithoutWords &&
      !exec("INSERT INTO words(word, uses) SELECT value, count(*) FROM files, json_each(words_of(files.folded)) "
            "GROUP BY value ON CONFLICT(word) DO UPDATE SET uses = uses + excluded.uses;"
            "CREATE VIRTUAL TABLE temp.content_terms USING fts5vocab(main, 'contents', 'row');"
            "INSERT INTO words(word, uses) SELECT term, doc FROM temp.content_terms WHERE true "
            "ON CONFLICT(word) DO UPDATE SET uses = uses + excluded.uses;"
            "DROP TABLE temp.content_terms;")) {
    return false;
  }
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
    sqlite3_create_function_v2(db_, "holds_words", 2, SQLITE_UTF8 | SQLITE_INNOCUOUS, nullptr, holdsWords, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db_, "words_of", 1, SQLITE_UTF8 | SQLITE_INNOCUOUS | SQLITE_DETERMINISTIC, nullptr,
                               wordsOf, nullptr, nullptr, nullptr);
    if (!repair) return exec("PRAGMA query_only=0");
    bool sound = createSchema();
    if (!sound) {
      const int code = sqlite3_errcode(db_) & 0xff;
      damaged = code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
    } else {
      sqlite3_stmt* check = prepare("PRAGMA quick_check(1)");
      Reset reset{check};
      const bool checked = check && sqlite3_step(check) == SQLITE_ROW;
      if (checked) {
        sound = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(check, 0))) == "ok";
        damaged = !sound;
      } else {
        sound = false;
        const int code = sqlite3_errcode(db_) & 0xff;
        damaged = code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
      }
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
  return write("INSERT INTO contents(rowid, body) VALUES (?, ?)",
               [&](sqlite3_stmt* insert) {
                 sqlite3_bind_int64(insert, 1, entry.id);
                 bindText(insert, 2, text);
               }) &&
         write(
             "INSERT INTO words(word, uses) SELECT value, 1 FROM json_each(words_of(?1)) WHERE true "
             "ON CONFLICT(word) DO UPDATE SET uses = uses + 1",
             [&](sqlite3_stmt* words) { bindText(words, 1, text); });
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

// One search: its words, the spellings that count for each, and the hits
// found so far.
struct SearchIndex::Query {
  struct Word {
    QString typed;          // as typed: the contents' own tokenizer folds it
    QStringList spellings;  // folded: the word itself, or its near words
    bool near = false;
  };
  std::vector<Word> words;
  QString joined;  // the folded words, blank separated
  int limit = 0;
  SearchTier tier = SearchTier::NameEquals;
  std::vector<RecentEntry> recent;
  std::vector<SearchHit> hits;
  QSet<QByteArray> seen;

  bool full() const { return static_cast<int>(hits.size()) >= limit; }
  void add(QByteArray path) {
    if (full() || seen.contains(path)) return;
    seen.insert(path);
    hits.push_back({std::move(path), tier});
  }
  // Whether `folded` holds a spelling of every word.
  bool holdsEveryWord(const QString& folded) const {
    return std::all_of(words.cbegin(), words.cend(), [&](const Word& word) {
      return std::any_of(word.spellings.cbegin(), word.spellings.cend(),
                         [&](const QString& spelling) { return folded.contains(spelling); });
    });
  }
};

// A recently opened file as the index holds it.
struct SearchIndex::RecentEntry {
  qint64 id = 0;
  QByteArray path;
  QString stem;
  QString folded;
};

std::vector<SearchIndex::RecentEntry> SearchIndex::recentEntries() {
  std::vector<RecentEntry> entries;
  if (recentlyOpened_.empty()) return entries;
  sqlite3_stmt* statement = prepare("SELECT id, stem, folded FROM files WHERE path = ?");
  if (!statement) return entries;
  for (const QByteArray& path : recentlyOpened_) {
    Reset reset{statement};
    bindBlob(statement, 1, path);
    if (sqlite3_step(statement) != SQLITE_ROW) continue;
    const auto text = [&](int column) {
      return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                               sqlite3_column_bytes(statement, column));
    };
    entries.push_back({sqlite3_column_int64(statement, 0), path, text(1), text(2)});
  }
  return entries;
}

void SearchIndex::collect(Query& query, const char* sql, const std::function<void(sqlite3_stmt*)>& bind) {
  if (query.full()) return;
  sqlite3_stmt* statement = prepare(sql);
  if (!statement) return;
  Reset reset{statement};
  bind(statement);
  // Hits found by an earlier tier come again here and are passed over.
  sqlite3_bind_int(statement, 2, query.limit + static_cast<int>(query.hits.size()));
  while (!query.full() && sqlite3_step(statement) == SQLITE_ROW) query.add(columnBlob(statement, 0));
}

void SearchIndex::findNameEquals(Query& query) {
  for (const RecentEntry& entry : query.recent) {
    if (entry.stem == query.joined) query.add(entry.path);
  }
  collect(query, "SELECT path FROM files INDEXED BY files_stem WHERE stem = ?1 ORDER BY mtime DESC, path LIMIT ?2",
          [&](sqlite3_stmt* statement) { bindText(statement, 1, query.joined); });
}

void SearchIndex::findNameStarts(Query& query) {
  for (const RecentEntry& entry : query.recent) {
    if (entry.folded.startsWith(query.joined)) query.add(entry.path);
  }
  if (query.full()) return;
  // A range of the sorted folded names when it is short, else the names
  // newest first until enough are found.
  bool few = false;
  if (sqlite3_stmt* count = prepare("SELECT count(*) FROM (SELECT 1 FROM files INDEXED BY files_folded WHERE "
                                    "folded >= ?1 AND folded < ?1 || char(1114111) LIMIT ?2)")) {
    Reset reset{count};
    bindText(count, 1, query.joined);
    sqlite3_bind_int(count, 2, kCandidateSortLimit);
    few = sqlite3_step(count) == SQLITE_ROW && sqlite3_column_int(count, 0) < kCandidateSortLimit;
  }
  collect(query,
          few ? "SELECT path FROM files INDEXED BY files_folded WHERE folded >= ?1 AND "
                "folded < ?1 || char(1114111) ORDER BY mtime DESC, path LIMIT ?2"
              : "SELECT path FROM files INDEXED BY files_newest WHERE substr(folded, 1, length(?1)) = ?1 "
                "ORDER BY mtime DESC, path LIMIT ?2",
          [&](sqlite3_stmt* statement) { bindText(statement, 1, query.joined); });
}

void SearchIndex::findNameContains(Query& query) {
  for (const RecentEntry& entry : query.recent) {
    if (query.holdsEveryWord(entry.folded)) query.add(entry.path);
  }
  if (query.full()) return;
  // Words of three characters and more (every spelling) go through the
  // trigram index, the shorter ones are looked for in the folded names
  // directly. (The trigram index counts code points, not UTF-16 units.)
  QStringList terms;
  WordSpellings shortWords;
  WordSpellings allWords;
  for (const Query::Word& word : query.words) {
    std::vector<std::string> spellings;
    QStringList quotedSpellings;
    bool viaTrigrams = true;
    for (const QString& spelling : word.spellings) {
      spellings.push_back(spelling.toStdString());
      quotedSpellings.append(quoted(spelling));
      viaTrigrams = viaTrigrams && characterCount(spelling) >= 3;
    }
    if (viaTrigrams) {
      terms.append(quotedSpellings.size() == 1 ? quotedSpellings.first()
                                               : u'(' + quotedSpellings.join(QStringLiteral(" OR ")) + u')');
    } else {
      shortWords.push_back(spellings);
    }
    allWords.push_back(std::move(spellings));
  }
  // The candidates are read once, as a JSON list of ids, so that the
  // trigram index is not matched a second time for their names; when
  // there are many, the names are walked newest first until enough are
  // found.
  bool fewCandidates = false;
  QByteArray candidates = "[";
  if (!terms.isEmpty()) {
    if (sqlite3_stmt* match = prepare("SELECT rowid FROM names WHERE names MATCH ?1 LIMIT ?2")) {
      Reset reset{match};
      bindText(match, 1, terms.join(QStringLiteral(" AND ")));
      sqlite3_bind_int(match, 2, kCandidateSortLimit);
      int count = 0;
      int step = SQLITE_ROW;
      while ((step = sqlite3_step(match)) == SQLITE_ROW) {
        if (count++ > 0) candidates += ',';
        candidates += QByteArray::number(sqlite3_column_int64(match, 0));
      }
      fewCandidates = step == SQLITE_DONE && count < kCandidateSortLimit;
    }
  }
  candidates += ']';
  collect(query,
          fewCandidates ? "SELECT path FROM files WHERE id IN (SELECT value FROM json_each(?1)) AND "
                          "holds_words(folded, ?3) ORDER BY mtime DESC, path LIMIT ?2"
                        : "SELECT path FROM files INDEXED BY files_newest WHERE holds_words(folded, ?3) "
                          "ORDER BY mtime DESC, path LIMIT ?2",
          [&](sqlite3_stmt* statement) {
            if (fewCandidates) {
              sqlite3_bind_text(statement, 1, candidates.constData(), static_cast<int>(candidates.size()),
                                SQLITE_STATIC);
            }
            sqlite3_bind_pointer(statement, 3, fewCandidates ? &shortWords : &allWords, kWordsPointer, nullptr);
          });
}

void SearchIndex::findContents(Query& query) {
  if (query.full()) return;
  // Every word must be in the text: as typed, a word of three characters
  // or more also as the start of a longer one; a near word as one of its
  // spellings. A word without a letter or digit has no token there, so
  // such a search matches names only.
  QStringList terms;
  for (const Query::Word& word : query.words) {
    if (!hasLetterOrDigit(word.typed)) return;
    if (word.near) {
      QStringList spellings;
      for (const QString& spelling : word.spellings) spellings.append(quoted(spelling));
      terms.append(u'(' + spellings.join(QStringLiteral(" OR ")) + u')');
    } else {
      terms.append(quoted(word.typed) + (word.typed.size() >= 3 ? QStringLiteral("*") : QString()));
    }
  }
  const QString match = terms.join(QStringLiteral(" AND "));
  if (!query.recent.empty()) {
    QByteArray ids = "[";
    for (const RecentEntry& entry : query.recent) {
      if (ids.size() > 1) ids += ',';
      ids += QByteArray::number(entry.id);
    }
    ids += ']';
    QSet<qint64> matching;
    if (sqlite3_stmt* recent = prepare(
            "SELECT rowid FROM contents WHERE contents MATCH ?1 AND rowid IN (SELECT value FROM json_each(?2))")) {
      Reset reset{recent};
      bindText(recent, 1, match);
      sqlite3_bind_text(recent, 2, ids.constData(), static_cast<int>(ids.size()), SQLITE_STATIC);
      while (sqlite3_step(recent) == SQLITE_ROW) matching.insert(sqlite3_column_int64(recent, 0));
    }
    for (const RecentEntry& entry : query.recent) {
      if (matching.contains(entry.id)) query.add(entry.path);
    }
  }
  collect(query,
          "SELECT files.path FROM contents JOIN files ON files.id = contents.rowid "
          "WHERE contents MATCH ?1 ORDER BY bm25(contents), files.mtime DESC LIMIT ?2",
          [&](sqlite3_stmt* statement) { bindText(statement, 1, match); });
}

bool SearchIndex::hasHit(const QString& word) {
  const auto any = [&](const char* sql, const QString& term) {
    sqlite3_stmt* statement = prepare(sql);
    if (!statement) return false;
    Reset reset{statement};
    bindText(statement, 1, term);
    return sqlite3_step(statement) == SQLITE_ROW;
  };
  if (characterCount(word) >= 3 && any("SELECT 1 FROM names WHERE names MATCH ?1 LIMIT 1", quoted(word))) return true;
  if (characterCount(word) < 3) {
    sqlite3_stmt* statement = prepare("SELECT 1 FROM files WHERE instr(folded, ?1) > 0 LIMIT 1");
    if (!statement) return false;
    Reset reset{statement};
    bindText(statement, 1, word);
    if (sqlite3_step(statement) == SQLITE_ROW) return true;
  }
  return hasLetterOrDigit(word) && any("SELECT 1 FROM contents WHERE contents MATCH ?1 LIMIT 1",
                                       quoted(word) + (word.size() >= 3 ? QStringLiteral("*") : QString()));
}

QStringList SearchIndex::knownWords(const QStringList& candidates) {
  QStringList known;
  QHash<QString, qint64> uses;
  const QByteArray list = jsonList(candidates);
  // json_each drives, so that each candidate is one lookup of the words'
  // key.
  sqlite3_stmt* statement =
      prepare("SELECT w.word, w.uses FROM json_each(?1) AS j CROSS JOIN words AS w WHERE w.word = j.value");
  if (!statement) return known;
  Reset reset{statement};
  sqlite3_bind_text(statement, 1, list.constData(), static_cast<int>(list.size()), SQLITE_STATIC);
  while (sqlite3_step(statement) == SQLITE_ROW) {
    const QString word = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)),
                                           sqlite3_column_bytes(statement, 0));
    // A word left over from entries that went finds nothing any more.
    if (!hasHit(word)) continue;
    uses.insert(word, sqlite3_column_int64(statement, 1));
    known.append(word);
  }
  std::sort(known.begin(), known.end(),
            [&](const QString& a, const QString& b) { return uses[a] != uses[b] ? uses[a] > uses[b] : a < b; });
  return known;
}

std::vector<SearchHit> SearchIndex::search(const QStringList& words, int limit) {
  Query query;
  query.limit = limit;
  for (const QString& word : words) {
    const QString folded = foldText(word).trimmed();
    if (!folded.isEmpty()) query.words.push_back({word.trimmed(), {folded}, false});
  }
  if (!db_ || query.words.empty() || limit <= 0) return {};
  QStringList folded;
  for (const Query::Word& word : query.words) folded.append(word.spellings.first());
  query.joined = folded.join(u' ');
  query.recent = recentEntries();

  for (const auto& [tier, find] : {std::pair{SearchTier::NameEquals, &SearchIndex::findNameEquals},
                                   std::pair{SearchTier::NameStarts, &SearchIndex::findNameStarts},
                                   std::pair{SearchTier::NameContains, &SearchIndex::findNameContains},
                                   std::pair{SearchTier::Contents, &SearchIndex::findContents}}) {
    query.tier = tier;
    (this->*find)(query);
  }
  if (!query.hits.empty()) return std::move(query.hits);

  // Nothing holds every word: each word long enough that has no hit at all
  // is read as its near words.
  bool forgiven = false;
  for (Query::Word& word : query.words) {
    const QString& spelling = word.spellings.first();
    if (characterCount(spelling) < kNearWordLength || hasHit(spelling)) continue;
    QStringList near = knownWords(oneEditAway(spelling));
    if (near.isEmpty()) return {};
    if (near.size() > kMostNearWords) near.resize(kMostNearWords);
    word.spellings = near;
    word.near = true;
    forgiven = true;
  }
  if (!forgiven) return {};
  query.tier = SearchTier::NearWords;
  findNameContains(query);
  findContents(query);
  return std::move(query.hits);
}

QStringList SearchIndex::suggestion(const QStringList& words) {
  if (!db_) return {};
  QStringList suggested;
  bool changed = false;
  for (const QString& typed : words) {
    const QString word = foldText(typed).trimmed();
    if (word.isEmpty()) continue;
    if (hasHit(word)) {
      suggested.append(typed.trimmed());
      continue;
    }
    const qsizetype length = characterCount(word);
    if (length < 3 || length > kLongestSuggested) return {};
    QStringList candidates = oneEditAway(word);
    if (length >= kNearWordLength) {
      QSet<QString> further;
      for (const QString& near : std::as_const(candidates)) {
        for (const QString& next : deletionsAndSwaps(near)) further.insert(next);
      }
      further.remove(word);
      candidates = further.values();
    }
    // Nothing shorter than a word the trigram index can find.
    candidates.removeIf([](const QString& candidate) { return characterCount(candidate) < 3; });
    const QStringList known = knownWords(candidates);
    if (known.isEmpty()) return {};
    suggested.append(known.first());
    changed = true;
  }
  if (!changed || search(suggested, 1).empty()) return {};
  return suggested;
}

}  // namespace orvanta::service
