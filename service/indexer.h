// The background indexer: on its own thread at low priority it walks the
// roots and the applications folders into the index database, compares
// what is stored with the disk by time and size, has the contents of new
// and changed documents extracted, follows changes live where the system
// reports them, and rescans on a timer and whenever news were lost.
#pragma once

#include "quiet_places.h"
#include "tree_watcher.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QThread;

namespace orvanta::service {

// The walk of the whole tree where the system cannot watch folders.
inline constexpr int kUnwatchedRescanMs = 30 * 60 * 1000;

struct IndexSettings {
  QStringList roots;             // folders whose files and folders are indexed
  QStringList excludes;          // more names or paths to skip (wildcards)
  QStringList applicationDirs;   // folders of desktop entries
  QString databasePath;          // the index database file
  QString extractorProgram;      // the text extraction helper
  // Between walks of the whole tree; 0: none. Where the system watches
  // folders live, every change is reported as it happens, lost news start
  // a rescan and folders without a watch are polled, so no walk is needed;
  // where it cannot (the watcher is not live), 0 stands for
  // kUnwatchedRescanMs.
  int rescanIntervalMs = 0;
  // How often the folders the system had no watch left for are looked at.
  int pollIntervalMs = 60'000;
  int extractTimeoutMs = 10'000;  // per file
  // First wait before a file that could not be read is read again, and
  // before a failed write of the index is tried again; each doubles while
  // the failure lasts.
  int contentRetryMs = 60'000;
  int writeRetryMs = 5'000;
  // The SQLite file layer the indexer writes through; empty: the system's.
  QByteArray databaseVfs;
  // The user's Trash, left out unless a root names it; empty: none.
  QString userTrash;
  // Reads the mount table, whose network file systems and removable media
  // are left out unless a root names them; empty: the system's.
  std::function<std::vector<MountPoint>()> mountTable;
  // Makes the watcher on the indexing thread; empty: the system's.
  std::function<std::unique_ptr<TreeWatcher>(TreeWatcher::Callbacks)> makeWatcher;
};

// The applications folders of the XDG base directories:
// $XDG_DATA_HOME/applications and each of $XDG_DATA_DIRS/applications.
QStringList defaultApplicationDirs();
// The database file under ${XDG_CACHE_HOME:-$HOME/.cache}/orvanta/, one per
// set of roots, so services over different folders never share one.
QString defaultDatabasePath(const QStringList& roots);
// Names skipped everywhere besides hidden ones (starting with ".") and
// folders tagged with a CACHEDIR.TAG.
QStringList defaultExcludes();

// Whether an entry is left out: its name or full path matches a pattern.
class ExcludeRules {
 public:
  explicit ExcludeRules(const QStringList& patterns);
  bool excludes(const QByteArray& path, const QByteArray& name) const;

 private:
  std::vector<QRegularExpression> names_;
  std::vector<QRegularExpression> paths_;
};

// Keeps a second service off an index database: two services writing one
// index would each drop the other's entries as gone. A lock on a file beside
// the database, held while the service runs; the system drops it with the
// process, so a killed service leaves nothing that blocks the next.
class IndexLock {
 public:
  explicit IndexLock(const QString& databasePath);
  ~IndexLock();
  IndexLock(const IndexLock&) = delete;
  IndexLock& operator=(const IndexLock&) = delete;
  // Takes the lock, making the database's folder when missing. False when
  // another process holds it or it cannot be made; `refusal` says why.
  bool tryLock();
  QString refusal() const { return refusal_; }

 private:
  QString databasePath_;
  qintptr handle_ = -1;
  QString refusal_;
};

class Indexer {
 public:
  using Log = std::function<void(const QString&)>;
  Indexer(IndexSettings settings, Log log);
  ~Indexer();
  Indexer(const Indexer&) = delete;
  Indexer& operator=(const Indexer&) = delete;

  // Opens the database, moving a damaged one aside and starting afresh.
  bool prepare();
  // Starts the indexing thread: a scan, then live changes and rescans.
  void start();
  // Pauses or resumes reading documents' contents (names stay live); the
  // document being read is finished first. May be called before start().
  void setContentsPaused(bool paused);
  // Whether writes of the index fail and indexing waits to try again.
  bool writesFailing() const;

 private:
  class Worker;
  IndexSettings settings_;
  Log log_;
  QThread* thread_ = nullptr;
  Worker* worker_ = nullptr;
  bool contentsPaused_ = false;
};

}  // namespace orvanta::service
