// The indexing thread: scans, live changes, desktop entries and contents.
#include "indexer.h"

#include "content_reader.h"
#include "folder_poll.h"
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
#include <QSet>
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
constexpr qint64 kMaxDesktopEntryBytes = 256 * 1024;
// The longest waits before another try at unreadable files and at writing
// the index.
constexpr int kMaxContentRetryMs = 60 * 60 * 1000;
constexpr int kMaxWriteRetryMs = 5 * 60 * 1000;

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
  QFile file(decodePath(path));
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
  const QString decodedName = decodePath(name);
  for (const QRegularExpression& expression : names_) {
    if (expression.match(decodedName).hasMatch()) return true;
  }
  if (paths_.empty()) return false;
  const QString decodedPath = decodePath(path);
  for (const QRegularExpression& expression : paths_) {
    if (expression.match(decodedPath).hasMatch()) return true;
  }
  return false;
}

IndexLock::IndexLock(const QString& databasePath) : databasePath_(databasePath) {}

IndexLock::~IndexLock() { unlockFile(handle_); }

bool IndexLock::tryLock() {
  if (handle_ != -1) return true;
  // Missing folders are made for this user alone.
  const QString folder = QFileInfo(databasePath_).absolutePath();
  QStringList missing;
  for (QString path = folder; !QFileInfo::exists(path) && !QDir(path).isRoot(); path = QFileInfo(path).absolutePath()) {
    missing.prepend(path);
  }
  for (const QString& path : missing) {
    QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  const QString lockPath = databasePath_ + QStringLiteral(".lock");
  qint64 holder = 0;
  handle_ = lockFile(encodePath(lockPath), &holder);
  if (handle_ != -1) return true;
  if (holder > 0) {
    refusal_ = QStringLiteral(
                   "local-search-service: the index %1 is in use by another service (process %2); "
                   "stop it or give this one another --index")
                   .arg(databasePath_)
                   .arg(holder);
  } else {
    refusal_ = QStringLiteral(
                   "local-search-service: the index %1 is in use by another service, or its lock %2 cannot be "
                   "made; stop it or give this one another --index")
                   .arg(databasePath_, lockPath);
  }
  return false;
}

class Indexer::Worker : public QObject {
 public:
  Worker(const IndexSettings& settings, Log log)
      : settings_(settings),
        log_(std::move(log)),
        excludes_(settings.excludes),
        quiet_(encodePath(settings.userTrash.isEmpty() ? QString() : QDir::cleanPath(settings.userTrash)),
               trashUserId()) {
    for (const QString& root : settings_.roots) roots_.push_back(encodePath(QDir::cleanPath(root)));
    for (const QString& dir : settings_.applicationDirs) {
      applicationDirs_.push_back(encodePath(QDir::cleanPath(dir)));
    }
    // The index's own folder is never indexed.
    const QString own = QFileInfo(settings_.databasePath).absolutePath();
    ownFolder_ = encodePath(QDir::cleanPath(own));
  }

  ~Worker() override {
    // The helper is stopped on the thread that started it.
    stopping = true;
    if (contentThread_.isRunning()) {
      QMetaObject::invokeMethod(contentContext_, [this] {
        reader_.reset();
        QThread::currentThread()->quit();
      });
      contentThread_.wait();
    }
    delete contentContext_;
  }

  std::atomic<bool> stopping{false};
  std::atomic<bool> contentsPaused{false};  // on battery: no documents are read
  std::atomic<bool> writesFailing{false};   // indexing paused until writes succeed

  // Documents are read again once the pause ends.
  void resumeContents() { contentTimer_.start(); }

  void run() {
    lowerThreadPriority();
    const QByteArray vfs = settings_.databaseVfs;
    if (!index_.open(settings_.databasePath, false, log_, vfs.isEmpty() ? nullptr : vfs.constData())) {
      log_(QStringLiteral("cannot open the index database %1").arg(settings_.databasePath));
      return;
    }
    // Documents are read on a thread of their own, so that slow or hostile
    // ones never hold up the live changes applied here.
    contentContext_ = new QObject;
    contentContext_->moveToThread(&contentThread_);
    contentThread_.start(QThread::LowestPriority);
    QMetaObject::invokeMethod(contentContext_, [] { lowerThreadPriority(); });
    retryDelayMs_ = settings_.contentRetryMs;
    writeDelayMs_ = settings_.writeRetryMs;
    retryTimer_.setSingleShot(true);
    QObject::connect(&retryTimer_, &QTimer::timeout, this, [this] { retryUnreadable(); });
    writeRetryTimer_.setSingleShot(true);
    QObject::connect(&writeRetryTimer_, &QTimer::timeout, this, [this] { scan(); });
    TreeWatcher::Callbacks callbacks{[this](const QByteArray& path) { noteChange(path, false); },
                                     [this](const QByteArray& path) { noteChange(path, true); },
                                     [this](const QString& why) { lose(why); }};
    watcher_ = settings_.makeWatcher ? settings_.makeWatcher(std::move(callbacks))
                                     : createTreeWatcher(std::move(callbacks));
    changeTimer_.setSingleShot(true);
    changeTimer_.setInterval(kChangeDelayMs);
    QObject::connect(&changeTimer_, &QTimer::timeout, this, [this] { applyChanges(); });
    const int rescanMs = settings_.rescanIntervalMs > 0 ? settings_.rescanIntervalMs
                         : watcher_->isLive()           ? 0
                                                        : kUnwatchedRescanMs;
    rescanTimer_.setInterval(rescanMs);
    QObject::connect(&rescanTimer_, &QTimer::timeout, this, [this] { scan(); });
    unwatched_.passBy = [this](const QByteArray& path) { return isQuiet(path); };
    pollTimer_.setInterval(settings_.pollIntervalMs);
    QObject::connect(&pollTimer_, &QTimer::timeout, this, [this] { pollUnwatched(); });
    contentTimer_.setSingleShot(true);
    contentTimer_.setInterval(0);
    QObject::connect(&contentTimer_, &QTimer::timeout, this, [this] { readContents(); });
    scan();
    if (rescanMs > 0) rescanTimer_.start();
  }

 private:
  bool keepGoing() const { return !stopping.load() && !failedWrite_; }

  // Notes a failed write of the index (a full disk, say): one log line,
  // then indexing pauses and a rescan tries again after a wait that
  // doubles while the failure lasts. Live changes wait for it too.
  void writeFailed() {
    failedWrite_ = true;
    if (!paused_) {
      paused_ = true;
      writesFailing = true;
      log_(QStringLiteral("cannot write the index database %1 (%2); indexing paused, trying again from time to time")
               .arg(settings_.databasePath, index_.writeError()));
    }
    changeTimer_.stop();
    contentTimer_.stop();
    if (!writeRetryTimer_.isActive()) {
      writeRetryTimer_.start(writeDelayMs_);
      writeDelayMs_ = std::min(writeDelayMs_ * 2, kMaxWriteRetryMs);
    }
  }

  // A transaction ended; false (and the pause begun) when it was not stored.
  bool committed() {
    if (index_.commit()) return true;
    writeFailed();
    return false;
  }

  // Watches `folder`; when the system has no watch left for it, it is
  // polled instead.
  void watch(const QByteArray& folder) {
    if (!watcher_->isLive()) return;
    if (watcher_->watchFolder(folder)) {
      unwatched_.remove(folder);
    } else {
      unwatched_.add(folder);
    }
  }

  // Looks at the folders without a watch for changes, giving each another
  // try at a watch first (others may have been given back).
  void pollUnwatched() {
    unwatched_.poll([this](const QByteArray& path, bool removed) { noteChange(path, removed); },
                    [this](const QByteArray& folder) { return watcher_->watchFolder(folder); });
    reportPolling();
  }

  // Says how many folders are polled whenever that number changes, and
  // runs the poll timer while there are any.
  void reportPolling() {
    const qsizetype count = unwatched_.size();
    if (count == polledReported_) return;
    if (count > 0) {
      log_(QStringLiteral("out of folder watches: %1 without a watch polled every %2 s")
               .arg(count == 1 ? QStringLiteral("1 folder") : QStringLiteral("%1 folders").arg(count))
               .arg(settings_.pollIntervalMs / 1000.0));
      if (!pollTimer_.isActive()) pollTimer_.start();
    } else {
      log_(QStringLiteral("every folder is watched again; polling ends"));
      pollTimer_.stop();
    }
    polledReported_ = count;
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
    record.label = decodePath(entry.name);
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
    if (index_.writeFailed()) {
      failedWrite_ = true;  // ends the walk
      return;
    }
    if (++sinceCommit_ >= kEntriesPerTransaction) {
      if (!committed() || !index_.begin()) failedWrite_ = true;
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
        [this] { return keepGoing(); }, [this](const QByteArray& path) { return isQuiet(path); });
  }

  // Takes the mount table anew: mounts come and go.
  void readMounts() { quiet_.setMounts(settings_.mountTable ? settings_.mountTable() : readMountTable()); }

  // Whether `path` is a place left out unless a root names it (the Trash,
  // a network share, removable media); said once per place.
  bool isQuiet(const QByteArray& path) {
    const QString reason = quiet_.reason(path);
    if (reason.isEmpty()) return false;
    if (std::find(roots_.cbegin(), roots_.cend(), path) != roots_.cend()) return false;
    if (!quietLogged_.contains(path)) {
      quietLogged_.insert(path);
      log_(QStringLiteral("left out %1: %2 (give it as a --root to index it)").arg(QFile::decodeName(path), reason));
    }
    return true;
  }

  void scan() {
    QElapsedTimer timer;
    timer.start();
    changeTimer_.stop();
    changes_.clear();
    failedWrite_ = false;
    writeRetryTimer_.stop();
    if (!index_.begin()) {
      index_.commit();
      writeFailed();
      return;
    }
    generation_ = index_.nextGeneration();
    readMounts();
    // Files that could not be read get another try with each scan.
    index_.retryContentsLater();
    sinceCommit_ = 0;
    // Roots on a network share or removable media come last, each after
    // what was found before it is stored: a share gone dead holds up its
    // own walk only (searches never wait for the walk: they are answered
    // from their own connection and never look at the disk).
    std::vector<QByteArray> ordered;
    std::vector<QByteArray> onQuietMounts;
    for (const QByteArray& root : roots_) (quiet_.isOnQuietMount(root) ? onQuietMounts : ordered).push_back(root);
    for (const QByteArray& root : ordered) {
      watch(root);
      walk(root);
    }
    for (const QByteArray& root : onQuietMounts) {
      if (!keepGoing()) break;
      if (!committed() || !index_.begin()) {
        failedWrite_ = true;
        break;
      }
      sinceCommit_ = 0;
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
    if (stopping.load()) {
      index_.commit();
      return;
    }
    const int gone = failedWrite_ || index_.writeFailed() ? 0 : index_.removeUnseen(generation_);
    if (failedWrite_ || !committed()) {
      if (index_.writeFailed()) index_.commit();  // rolls back what is left
      writeFailed();
      return;
    }
    if (paused_) {
      paused_ = false;
      writesFailing = false;
      log_(QStringLiteral("the index database %1 is written again; indexing goes on").arg(settings_.databasePath));
    }
    writeDelayMs_ = settings_.writeRetryMs;
    const qint64 count = index_.entryCount();
    log_(QStringLiteral("indexed %1 entries in %2 ms (%3 gone)").arg(count).arg(timer.elapsed()).arg(gone));
    reportPolling();
    contentsWaiting_ = true;
    contentTimer_.start();
  }

  void noteChange(const QByteArray& path, bool removed) {
    changes_.push_back({path, removed});
    // While writes fail, the next scan takes in every change.
    if (!paused_ && !changeTimer_.isActive()) changeTimer_.start();
  }

  void lose(const QString& why) {
    log_(QStringLiteral("%1; rescanning").arg(why));
    QTimer::singleShot(0, this, [this] { scan(); });
  }

  void applyChanges() {
    if (paused_) return;
    const std::vector<std::pair<QByteArray, bool>> changes = std::exchange(changes_, {});
    failedWrite_ = false;
    readMounts();
    if (!index_.begin()) {
      index_.commit();
      writeFailed();
      return;
    }
    for (const auto& [path, removed] : changes) {
      if (removed) {
        index_.removeTree(path);
        unwatched_.removeTree(path);
        continue;
      }
      // Not looked at: a dead share would hang the look.
      const std::optional<DiskEntry> entry = isQuiet(path) ? std::nullopt : statEntry(path);
      if (!entry) {
        index_.removeTree(path);
        unwatched_.removeTree(path);
      } else if (isApplicationEntry(path)) {
        storeApplication(*entry);
      } else if (std::any_of(roots_.cbegin(), roots_.cend(), [&](const QByteArray& root) { return isBelow(path, root); })) {
        if (included(*entry)) {
          storeEntry(*entry, true);
          // News of a file whose text could not be read (its permissions
          // changed, say) is a reason to try again.
          if (entry->isRegular && index_.retryContents(path)) contentsWaiting_ = true;
        }
      } else if (entry->isFolder) {
        watch(path);  // a new subfolder of an applications folder
      }
    }
    if (!committed()) return;
    reportPolling();
    if (contentsWaiting_) contentTimer_.start();
  }

  // Hands the next batch of documents to the contents thread; one batch at
  // a time.
  void readContents() {
    if (!keepGoing() || paused_ || batchInFlight_ || contentsPaused.load()) return;
    std::vector<PendingContent> pending = index_.pendingContents(kContentBatch);
    if (pending.empty()) {
      contentsWaiting_ = false;
      if (documentsRead_ > 0) {
        log_(QStringLiteral("read the contents of %1 documents in %2 ms")
                 .arg(documentsRead_)
                 .arg(contentClock_.elapsed()));
      }
      documentsRead_ = 0;
      // Unreadable files were tried again and none failed that way: the
      // next such failure starts the waits afresh.
      if (!retryTimer_.isActive() && !unreadableSinceRetry_) retryDelayMs_ = settings_.contentRetryMs;
      return;
    }
    if (documentsRead_ == 0) contentClock_.start();
    documentsRead_ += static_cast<int>(pending.size());
    batchInFlight_ = true;
    QMetaObject::invokeMethod(contentContext_, [this, batch = std::move(pending)] {
      // On the contents thread: each text goes back to the indexing thread
      // as soon as it is read.
      if (!reader_) {
        reader_ = std::make_unique<ContentReader>(settings_.extractorProgram, settings_.extractTimeoutMs, &stopping);
      }
      for (const PendingContent& item : batch) {
        // The rest of the batch stays pending for later.
        if (stopping.load() || contentsPaused.load()) break;
        Extraction extraction = reader_->extract(item.path);
        QMetaObject::invokeMethod(
            this, [this, item, extraction = std::move(extraction)] { storeContents(item, extraction); });
      }
      QMetaObject::invokeMethod(this, [this] {
        batchInFlight_ = false;
        contentTimer_.start();
      });
    });
  }

  void storeContents(const PendingContent& item, const Extraction& extraction) {
    if (stopping.load() || paused_) return;  // still pending: read again later
    const ContentState state = extraction.text        ? ContentState::Done
                               : extraction.transient ? ContentState::Retry
                                                      : ContentState::Failed;
    failedWrite_ = false;
    if (!index_.begin()) {
      index_.commit();
      writeFailed();
      return;
    }
    index_.setContents(item, extraction.text.value_or(QString()), state);
    if (!committed()) return;
    if (state == ContentState::Retry) {
      unreadableSinceRetry_ = true;
      if (!retryTimer_.isActive()) {
        retryTimer_.start(retryDelayMs_);
        retryDelayMs_ = std::min(retryDelayMs_ * 2, kMaxContentRetryMs);
      }
    }
  }

  // The wait after files could not be read is over: they wait for reading again.
  void retryUnreadable() {
    if (paused_) return;
    unreadableSinceRetry_ = false;
    failedWrite_ = false;
    if (!index_.begin()) {
      index_.commit();
      writeFailed();
      return;
    }
    index_.retryContentsLater();
    if (!committed()) return;
    contentsWaiting_ = true;
    contentTimer_.start();
  }

  IndexSettings settings_;
  Log log_;
  ExcludeRules excludes_;
  QuietPlaces quiet_;
  QSet<QByteArray> quietLogged_;  // the places left out that the log has named
  std::vector<QByteArray> roots_;
  std::vector<QByteArray> applicationDirs_;
  QByteArray ownFolder_;
  SearchIndex index_;
  std::unique_ptr<TreeWatcher> watcher_;
  // The contents thread, and what lives on it.
  QThread contentThread_;
  QObject* contentContext_ = nullptr;  // made on the indexing thread, moved to the contents thread
  std::unique_ptr<ContentReader> reader_;
  bool batchInFlight_ = false;
  // Children, so they move to the indexing thread with the worker.
  QTimer changeTimer_{this};
  QTimer rescanTimer_{this};
  QTimer pollTimer_{this};  // looks at the folders without a watch
  QTimer contentTimer_{this};
  QTimer retryTimer_{this};       // another try at files that could not be read
  QTimer writeRetryTimer_{this};  // another try at writing the index
  int retryDelayMs_ = 0;
  int writeDelayMs_ = 0;
  bool unreadableSinceRetry_ = false;
  bool paused_ = false;       // writes failed: indexing waits for the next try
  bool failedWrite_ = false;  // a write of the current piece of work failed
  std::vector<std::pair<QByteArray, bool>> changes_;
  qint64 generation_ = 0;
  int sinceCommit_ = 0;
  UnwatchedFolders unwatched_;
  qsizetype polledReported_ = 0;  // the number of polled folders last logged
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

void Indexer::setContentsPaused(bool paused) {
  contentsPaused_ = paused;
  if (!worker_) return;
  worker_->contentsPaused = paused;
  if (!paused) QMetaObject::invokeMethod(worker_, [worker = worker_] { worker->resumeContents(); });
}

bool Indexer::writesFailing() const { return worker_ && worker_->writesFailing.load(); }

void Indexer::start() {
  if (thread_) return;
  thread_ = new QThread;
  worker_ = new Worker(settings_, log_);
  worker_->contentsPaused = contentsPaused_;
  worker_->moveToThread(thread_);
  thread_->start(QThread::LowPriority);
  QMetaObject::invokeMethod(worker_, [worker = worker_] { worker->run(); });
}

}  // namespace orvanta::service
