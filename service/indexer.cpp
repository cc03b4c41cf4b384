// The indexing thread: scans, live changes, desktop entries and contents.
#include "indexer.h"

#include "content_reader.h"
#include "search_index.h"
#include "document_format.h"
#include "tree_walk.h"
#include "tree_watcher.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFile>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <vector>

namespace orvanta::service {

namespace {

constexpr int kEntriesPerTransaction = 5000;
constexpr int kContentBatch = 16;
constexpr int kChangeDelayMs = 100;
// While the system lacks folder watches, changes are found this often.
constexpr int kPollIntervalMs = 60'000;
constexpr qint64 kMaxDesktopEntryBytes = 256 * 1024;

QString environmentOr(const char* name, const QString& fallback) {
  const QString value = qEnvironmentVariable(name);
  return value.isEmpty() ? fallback : value;
}

// Name=, GenericName= and Keywords= of a desktop entry's main group; no
// label when the entry is hidden, not shown or not an application.
struct DesktopEntry {
  QString name;
  QString keywords;
};

std::optional<DesktopEntry> readDesktopEntry(const QByteArray& path) {
  QFile file(QFile::decodeName(path));
  if (file.size() > kMaxDesktopEntryBytes || !file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QList<QByteArray> lines = file.read(kMaxDesktopEntryBytes).split('\n');
  bool inMain = false;
  DesktopEntry entry;
  QString type;
  for (const QByteArray& raw : lines) {
    const QByteArray line = raw.trimmed();
    if (line.startsWith('[')) {
      inMain = line == "[Desktop Entry]";
      continue;
    }
    if (!inMain || line.startsWith('#')) continue;
    const qsizetype equals = line.indexOf('=');
    if (equals <= 0) continue;
    const QByteArray key = line.left(equals).trimmed();
    const QString value = QString::fromUtf8(line.mid(equals + 1).trimmed());
    if (key == "Name") {
      entry.name = value;
    } else if (key == "GenericName" || key == "Keywords") {
      QString words = value;
      words.replace(u';', u' ');
      entry.keywords += u' ' + words;
    } else if (key == "Type") {
      type = value;
    } else if ((key == "NoDisplay" || key == "Hidden") && value == QStringLiteral("true")) {
      return std::nullopt;
    }
  }
  if (entry.name.isEmpty() || type != QStringLiteral("Application")) return std::nullopt;
  entry.keywords = entry.keywords.simplified();
  return entry;
}

bool isBelow(const QByteArray& path, const QByteArray& folder) {
  return path.startsWith(folder) && (path.size() == folder.size() || path[folder.size()] == '/' || folder.endsWith('/'));
}

}  // namespace

QStringList defaultApplicationDirs() {
  QStringList dirs{environmentOr("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share")) +
                   QStringLiteral("/applications")};
  for (const QString& dir :
       environmentOr("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share")).split(u':', Qt::SkipEmptyParts)) {
    const QString applications = QDir::cleanPath(dir) + QStringLiteral("/applications");
    if (!dirs.contains(applications)) dirs.append(applications);
  }
  return dirs;
}

QString defaultDatabasePath(const QStringList& roots) {
  QStringList sorted = roots;
  sorted.sort();
  const QByteArray digest =
      QCryptographicHash::hash(sorted.join(u'\n').toUtf8(), QCryptographicHash::Sha256).toHex().left(12);
  return environmentOr("XDG_CACHE_HOME", QDir::homePath() + QStringLiteral("/.cache")) +
         QStringLiteral("/orvanta/local-search-") + QString::fromLatin1(digest) + QStringLiteral(".db");
}

QStringList defaultExcludes() {
  return {QStringLiteral("node_modules"), QStringLiteral("__pycache__"), QStringLiteral("CMakeFiles"),
          QStringLiteral("cmake-build-*"), QStringLiteral("_build"), QStringLiteral("lost+found")};
}

ExcludeRules::ExcludeRules(const QStringList& patterns) {
  for (const QString& pattern : patterns) {
    if (pattern.isEmpty()) continue;
    const bool onPath = pattern.contains(u'/');
    QRegularExpression expression(
        QRegularExpression::wildcardToRegularExpression(pattern, QRegularExpression::UnanchoredWildcardConversion));
    expression.setPattern(u'^' + expression.pattern() + u'$');
    (onPath ? paths_ : names_).push_back(std::move(expression));
  }
}

bool ExcludeRules::excludes(const QByteArray& path, const QByteArray& name) const {
  if (name.startsWith('.')) return true;
  const QString decodedName = QFile::decodeName(name);
  for (const QRegularExpression& expression : names_) {
    if (expression.match(decodedName).hasMatch()) return true;
  }
  if (paths_.empty()) return false;
  const QString decodedPath = QFile::decodeName(path);
  for (const QRegularExpression& expression : paths_) {
    if (expression.match(decodedPath).hasMatch()) return true;
  }
  return false;
}

IndexLock::IndexLock(const QString& databasePath)
    : databasePath_(databasePath), file_(databasePath + QStringLiteral(".lock")) {
  // Only a lock whose process is gone is stale, however old.
  file_.setStaleLockTime(0);
}

bool IndexLock::tryLock() {
  // Missing folders are made for this user alone.
  const QString folder = QFileInfo(databasePath_).absolutePath();
  QStringList missing;
  for (QString path = folder; !QFileInfo::exists(path) && !QDir(path).isRoot(); path = QFileInfo(path).absolutePath()) {
    missing.prepend(path);
  }
  for (const QString& path : missing) {
    QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  if (file_.tryLock(0)) return true;
  qint64 pid = 0;
  QString host;
  QString program;
  if (file_.error() == QLockFile::LockFailedError && file_.getLockInfo(&pid, &host, &program)) {
    refusal_ = QStringLiteral(
                   "local-search-service: the index %1 is in use by another service (process %2); "
                   "stop it or give this one another --index")
                   .arg(databasePath_)
                   .arg(pid);
  } else {
    refusal_ = QStringLiteral("local-search-service: cannot lock the index %1 (cannot make %2)")
                   .arg(databasePath_, file_.fileName());
  }
  return false;
}

class Indexer::Worker : public QObject {
 public:
  Worker(const IndexSettings& settings, Log log) : settings_(settings), log_(std::move(log)), excludes_(settings.excludes) {
    for (const QString& root : settings_.roots) roots_.push_back(QFile::encodeName(QDir::cleanPath(root)));
    for (const QString& dir : settings_.applicationDirs) {
      applicationDirs_.push_back(QFile::encodeName(QDir::cleanPath(dir)));
    }
    // The index's own folder is never indexed.
    const QString own = QFileInfo(settings_.databasePath).absolutePath();
    ownFolder_ = QFile::encodeName(QDir::cleanPath(own));
  }

  std::atomic<bool> stopping{false};

  void run() {
    lowerThreadPriority();
    if (!index_.open(settings_.databasePath, false, log_)) {
      log_(QStringLiteral("cannot open the index database %1").arg(settings_.databasePath));
      return;
    }
    reader_ = std::make_unique<ContentReader>(settings_.extractorProgram, settings_.extractTimeoutMs);
    TreeWatcher::Callbacks callbacks{[this](const QByteArray& path) { noteChange(path, false); },
                                     [this](const QByteArray& path) { noteChange(path, true); },
                                     [this](const QString& why) { lose(why); }};
    watcher_ = settings_.makeWatcher ? settings_.makeWatcher(std::move(callbacks))
                                     : createTreeWatcher(std::move(callbacks));
    changeTimer_.setSingleShot(true);
    changeTimer_.setInterval(kChangeDelayMs);
    QObject::connect(&changeTimer_, &QTimer::timeout, this, [this] { applyChanges(); });
    rescanTimer_.setInterval(settings_.rescanIntervalMs);
    QObject::connect(&rescanTimer_, &QTimer::timeout, this, [this] { scan(); });
    contentTimer_.setSingleShot(true);
    contentTimer_.setInterval(0);
    QObject::connect(&contentTimer_, &QTimer::timeout, this, [this] { readContents(); });
    scan();
    rescanTimer_.start();
  }

 private:
  bool keepGoing() const { return !stopping.load(); }

  void watch(const QByteArray& folder) {
    if (!watcher_->isLive() || watchesLacking_) return;
    if (!watcher_->watchFolder(folder)) {
      watchesLacking_ = true;
      log_(QStringLiteral("out of folder watches; changes are found by rescanning every %1 s instead")
               .arg(kPollIntervalMs / 1000));
      rescanTimer_.setInterval(std::min(settings_.rescanIntervalMs, kPollIntervalMs));
    }
  }

  bool isApplicationEntry(const QByteArray& path) const {
    if (!path.endsWith(".desktop")) return false;
    return std::any_of(applicationDirs_.cbegin(), applicationDirs_.cend(),
                       [&](const QByteArray& dir) { return isBelow(path, dir); });
  }

  // Stores one entry found under a root; folders are watched and, with
  // `descend`, walked.
  void storeEntry(const DiskEntry& entry, bool descend) {
    EntryRecord record;
    record.path = entry.path;
    record.kind = entry.isFolder ? EntryKind::Folder : EntryKind::File;
    record.label = QFile::decodeName(entry.name);
    record.mtime = entry.mtime;
    record.size = entry.size;
    record.wantsContents = entry.isRegular && entry.size > 0 && entry.size <= kMaxDocumentBytes && formatOf(entry.name) != DocumentFormat::None;
    const auto [id, pending] = index_.store(record, generation_);
    if (pending) contentsWaiting_ = true;
    countStored();
    if (entry.isFolder) {
      watch(entry.path);
      if (descend) walk(entry.path);
    }
  }

  void storeApplication(const DiskEntry& entry) {
    const std::optional<DesktopEntry> desktop = readDesktopEntry(entry.path);
    if (!desktop) {
      index_.removeTree(entry.path);
      return;
    }
    EntryRecord record;
    record.path = entry.path;
    record.kind = EntryKind::Application;
    record.label = desktop->name;
    record.extra = desktop->keywords;
    record.mtime = entry.mtime;
    record.size = entry.size;
    index_.store(record, generation_);
    countStored();
  }

  void countStored() {
    if (++sinceCommit_ >= kEntriesPerTransaction) {
      index_.commit();
      index_.begin();
      sinceCommit_ = 0;
    }
  }

  bool included(const DiskEntry& entry) const {
    if (excludes_.excludes(entry.path, entry.name)) return false;
    if (entry.isFolder && (entry.path == ownFolder_ || isTaggedCache(entry.path))) return false;
    return true;
  }

  void walk(const QByteArray& folder) {
    walkTree(
        folder,
        [this](const DiskEntry& entry) {
          if (!included(entry)) return false;
          storeEntry(entry, false);
          return true;
        },
        [this] { return keepGoing(); });
  }

  void scan() {
    QElapsedTimer timer;
    timer.start();
    changeTimer_.stop();
    changes_.clear();
    index_.begin();
    generation_ = index_.nextGeneration();
    sinceCommit_ = 0;
    for (const QByteArray& root : roots_) {
      watch(root);
      walk(root);
    }
    for (const QByteArray& dir : applicationDirs_) {
      watch(dir);
      walkTree(
          dir,
          [this](const DiskEntry& entry) {
            if (entry.isFolder) {
              watch(entry.path);
              return true;
            }
            if (entry.name.endsWith(".desktop")) storeApplication(entry);
            return false;
          },
          [this] { return keepGoing(); });
    }
    if (!keepGoing()) {
      index_.commit();
      return;
    }
    const int gone = index_.removeUnseen(generation_);
    index_.commit();
    const qint64 count = index_.entryCount();
    log_(QStringLiteral("indexed %1 entries in %2 ms (%3 gone)").arg(count).arg(timer.elapsed()).arg(gone));
    contentsWaiting_ = true;
    contentTimer_.start();
  }

  void noteChange(const QByteArray& path, bool removed) {
    changes_.push_back({path, removed});
    if (!changeTimer_.isActive()) changeTimer_.start();
  }

  void lose(const QString& why) {
    log_(QStringLiteral("%1; rescanning").arg(why));
    QTimer::singleShot(0, this, [this] { scan(); });
  }

  void applyChanges() {
    const std::vector<std::pair<QByteArray, bool>> changes = std::exchange(changes_, {});
    index_.begin();
    for (const auto& [path, removed] : changes) {
      if (removed) {
        index_.removeTree(path);
        continue;
      }
      const std::optional<DiskEntry> entry = statEntry(path);
      if (!entry) {
        index_.removeTree(path);
      } else if (isApplicationEntry(path)) {
        storeApplication(*entry);
      } else if (std::any_of(roots_.cbegin(), roots_.cend(), [&](const QByteArray& root) { return isBelow(path, root); })) {
        if (included(*entry)) storeEntry(*entry, true);
      } else if (entry->isFolder) {
        watch(path);  // a new subfolder of an applications folder
      }
    }
    index_.commit();
    if (contentsWaiting_) contentTimer_.start();
  }

  void readContents() {
    if (!keepGoing()) return;
    const auto pending = index_.pendingContents(kContentBatch);
    if (pending.empty()) {
      contentsWaiting_ = false;
      if (documentsRead_ > 0) {
        log_(QStringLiteral("read the contents of %1 documents in %2 ms")
                 .arg(documentsRead_)
                 .arg(contentClock_.elapsed()));
      }
      documentsRead_ = 0;
      return;
    }
    if (documentsRead_ == 0) contentClock_.start();
    documentsRead_ += static_cast<int>(pending.size());
    std::vector<std::pair<qint64, std::optional<QString>>> texts;
    for (const auto& [id, path] : pending) {
      if (!keepGoing()) return;
      texts.emplace_back(id, reader_->read(path));
    }
    index_.begin();
    for (const auto& [id, text] : texts) {
      index_.setContents(id, text.value_or(QString()), text ? ContentState::Done : ContentState::Failed);
    }
    index_.commit();
    // One batch at a time, so live changes get in between.
    contentTimer_.start();
  }

  IndexSettings settings_;
  Log log_;
  ExcludeRules excludes_;
  std::vector<QByteArray> roots_;
  std::vector<QByteArray> applicationDirs_;
  QByteArray ownFolder_;
  SearchIndex index_;
  std::unique_ptr<ContentReader> reader_;
  std::unique_ptr<TreeWatcher> watcher_;
  // Children, so they move to the indexing thread with the worker.
  QTimer changeTimer_{this};
  QTimer rescanTimer_{this};
  QTimer contentTimer_{this};
  std::vector<std::pair<QByteArray, bool>> changes_;
  qint64 generation_ = 0;
  int sinceCommit_ = 0;
  bool watchesLacking_ = false;
  bool contentsWaiting_ = false;
  int documentsRead_ = 0;  // since the queue of contents last ran dry
  QElapsedTimer contentClock_;
};

Indexer::Indexer(IndexSettings settings, Log log) : settings_(std::move(settings)), log_(std::move(log)) {}

Indexer::~Indexer() {
  if (!thread_) return;
  worker_->stopping = true;
  // The worker goes on its own thread, which then ends.
  QMetaObject::invokeMethod(worker_, [worker = worker_] {
    delete worker;
    QThread::currentThread()->quit();
  });
  thread_->wait();
  delete thread_;
}

bool Indexer::prepare() {
  SearchIndex index;
  return index.open(settings_.databasePath, true, log_);
}

void Indexer::start() {
  if (thread_) return;
  thread_ = new QThread;
  worker_ = new Worker(settings_, log_);
  worker_->moveToThread(thread_);
  thread_->start(QThread::LowPriority);
  QMetaObject::invokeMethod(worker_, [worker = worker_] { worker->run(); });
}

}  // namespace orvanta::service
