// The indexer under the faults of a real machine: folders deeper than the
// system's longest path, folders moved out of a root, two services on one
// index, a system out of folder watches, failed extractions, slow or hostile
// documents and a full disk.
#include "folder_poll.h"
#include "indexer.h"
#include "search_index.h"
#include "text_extraction.h"
#include "tree_walk.h"
#include "wait_for.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <linux/capability.h>
#include <sched.h>
#include <sys/wait.h>
#include <sys/syscall.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <memory>
#include <set>
#include <string>

namespace orvanta::service {
namespace {

QCoreApplication& app() {
  static int argc = 1;
  static char name[] = "indexer_test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication instance(argc, argv);
  return instance;
}

using testing::waitFor;

constexpr int kIndexWaitMs = 20'000;

// While it lives, this thread (and the threads and processes it starts)
// reads and searches files as an ordinary user does: root's right to pass
// over file modes is set aside, so a file without read permission cannot be
// read. The rights come back at the end.
class WithoutReadOverride {
 public:
  WithoutReadOverride() {
    if (syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
    reduced[0].effective &= ~((1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH));
    active_ = syscall(SYS_capset, &header_, reduced) == 0;
  }
  ~WithoutReadOverride() {
    if (active_) syscall(SYS_capset, &header_, saved_);
  }
  WithoutReadOverride(const WithoutReadOverride&) = delete;
  WithoutReadOverride& operator=(const WithoutReadOverride&) = delete;
  bool active() const { return active_; }

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2] = {};
  bool active_ = false;
};

// A file layer for SQLite that refuses every write while the disk is
// "full", as a full disk does (SQLITE_FULL), and counts what it refused.
namespace full_disk {

std::atomic<bool> full{false};
std::atomic<int> refused{0};
sqlite3_vfs* system = nullptr;

struct File {
  sqlite3_file base;
  sqlite3_file* real;  // the system's file, stored right after this one
};

sqlite3_file* real(sqlite3_file* file) { return reinterpret_cast<File*>(file)->real; }

int xClose(sqlite3_file* f) { return real(f)->pMethods->xClose(real(f)); }
int xRead(sqlite3_file* f, void* data, int amount, sqlite3_int64 offset) {
  return real(f)->pMethods->xRead(real(f), data, amount, offset);
}
int xWrite(sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
  if (full.load()) {
    ++refused;
    return SQLITE_FULL;
  }
  return real(f)->pMethods->xWrite(real(f), data, amount, offset);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) { return real(f)->pMethods->xTruncate(real(f), size); }
int xSync(sqlite3_file* f, int flags) { return real(f)->pMethods->xSync(real(f), flags); }
int xFileSize(sqlite3_file* f, sqlite3_int64* size) { return real(f)->pMethods->xFileSize(real(f), size); }
int xLock(sqlite3_file* f, int level) { return real(f)->pMethods->xLock(real(f), level); }
int xUnlock(sqlite3_file* f, int level) { return real(f)->pMethods->xUnlock(real(f), level); }
int xCheckReservedLock(sqlite3_file* f, int* out) { return real(f)->pMethods->xCheckReservedLock(real(f), out); }
int xFileControl(sqlite3_file* f, int op, void* arg) { return real(f)->pMethods->xFileControl(real(f), op, arg); }
int xSectorSize(sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); }
int xDeviceCharacteristics(sqlite3_file* f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); }
int xShmMap(sqlite3_file* f, int page, int size, int extend, void volatile** out) {
  return real(f)->pMethods->xShmMap(real(f), page, size, extend, out);
}
int xShmLock(sqlite3_file* f, int offset, int n, int flags) {
  return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}
void xShmBarrier(sqlite3_file* f) { real(f)->pMethods->xShmBarrier(real(f)); }
int xShmUnmap(sqlite3_file* f, int remove) { return real(f)->pMethods->xShmUnmap(real(f), remove); }

const sqlite3_io_methods methods = {2,
                                    xClose,
                                    xRead,
                                    xWrite,
                                    xTruncate,
                                    xSync,
                                    xFileSize,
                                    xLock,
                                    xUnlock,
                                    xCheckReservedLock,
                                    xFileControl,
                                    xSectorSize,
                                    xDeviceCharacteristics,
                                    xShmMap,
                                    xShmLock,
                                    xShmBarrier,
                                    xShmUnmap,
                                    nullptr,
                                    nullptr};

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
  auto* wrapper = reinterpret_cast<File*>(file);
  wrapper->real = reinterpret_cast<sqlite3_file*>(wrapper + 1);
  wrapper->base.pMethods = nullptr;
  const int result = system->xOpen(system, name, wrapper->real, flags, outFlags);
  if (wrapper->real->pMethods) wrapper->base.pMethods = &methods;
  return result;
}

// Registers the layer once; its name.
const char* layer() {
  static sqlite3_vfs vfs = [] {
    system = sqlite3_vfs_find(nullptr);
    sqlite3_vfs copy = *system;
    copy.iVersion = 1;  // the calls of version 1 only, each the system's but opening
    copy.zName = "orvanta-full-disk";
    copy.szOsFile = static_cast<int>(sizeof(File)) + system->szOsFile;
    copy.xOpen = xOpen;
    copy.pNext = nullptr;
    return copy;
  }();
  static const bool registered = sqlite3_vfs_register(&vfs, 0) == SQLITE_OK;
  return registered ? vfs.zName : nullptr;
}

}  // namespace full_disk

bool writeFile(const QString& path, const QByteArray& data) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// An indexer over a temporary folder, with a search connection of its own.
class IndexerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    app();
    ASSERT_TRUE(dir.isValid());
    root = dir.path() + QStringLiteral("/root");
    ASSERT_TRUE(QDir().mkpath(root));
    settings.roots = {root};
    settings.excludes = defaultExcludes();
    settings.databasePath = dir.path() + QStringLiteral("/cache/index.db");
    settings.extractorProgram = QStringLiteral(ORVANTA_EXTRACT_BINARY);
  }

  void TearDown() override { indexer.reset(); }

  void startIndexer() {
    indexer = std::make_unique<Indexer>(settings, [this](const QString& line) {
      QMutexLocker lock(&mutex);
      lines.append(line);
    });
    ASSERT_TRUE(indexer->prepare());
    ASSERT_TRUE(search.open(settings.databasePath, false));
    indexer->start();
  }

  int loggedCount(const QString& text) {
    QMutexLocker lock(&mutex);
    return static_cast<int>(lines.filter(text).size());
  }

  QString log() {
    QMutexLocker lock(&mutex);
    return lines.join(u'\n');
  }

  // Waits for the first scan and for every document's text.
  void waitForIndex() {
    ASSERT_TRUE(
        waitFor([&] { return loggedCount(QStringLiteral("indexed ")) >= 1 && search.pendingContents(1).empty(); },
                kIndexWaitMs))
        << log().toStdString();
  }

  // The hits for `words`, as paths below the temporary folder.
  QStringList find(const QStringList& words) {
    QStringList found;
    for (const SearchHit& hit : search.search(words, 200))
      found.append(QFile::decodeName(hit.path).mid(dir.path().size()));
    return found;
  }

  // Makes a live change in the root and waits until it is indexed: every
  // change reported before it has been applied by then.
  void waitForLiveChangesApplied() {
    const QString marker = QStringLiteral("marker%1").arg(++markers_);
    ASSERT_TRUE(writeFile(root + u'/' + marker + QStringLiteral(".txt"), ""));
    ASSERT_TRUE(waitFor([&] { return !find({marker}).isEmpty(); }, kIndexWaitMs));
  }

  QTemporaryDir dir;
  QString root;
  IndexSettings settings;
  std::unique_ptr<Indexer> indexer;
  SearchIndex search;
  QMutex mutex;
  QStringList lines;
  int markers_ = 0;
};

// A chain of folders below `base` whose full path is longer than the
// system's longest path, made one level at a time relative to the last;
// removed again, deepest first, the same way.
class DeepTree {
 public:
  static constexpr int kLevels = 24;
  explicit DeepTree(const QByteArray& base) {
    path_ = base;
    int fd = ::open(base.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < kLevels && fd >= 0; ++i) {
      const QByteArray name = QByteArray(200, char('a' + i % 26));
      if (mkdirat(fd, name.constData(), 0755) != 0) break;
      fds_.push_back(fd);
      fd = openat(fd, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      path_ += '/' + name;
    }
    if (fd >= 0) fds_.push_back(fd);
  }
  ~DeepTree() {
    // fds_[i + 1] is the folder named at level i inside fds_[i].
    for (qsizetype i = fds_.size() - 1; i >= 0; --i) {
      if (i == fds_.size() - 1) {
        for (const QByteArray& file : files_) unlinkat(fds_[i], file.constData(), 0);
      } else {
        unlinkat(fds_[i], QByteArray(200, char('a' + i % 26)).constData(), AT_REMOVEDIR);
      }
      ::close(fds_[i]);
    }
  }
  bool complete() const { return fds_.size() == kLevels + 1 && path_.size() > PATH_MAX; }
  // Writes a file in the deepest folder; its full path.
  QByteArray addFile(const QByteArray& name, const QByteArray& data) {
    const int fd = openat(fds_.back(), name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return {};
    const bool written = ::write(fd, data.constData(), size_t(data.size())) == data.size();
    ::close(fd);
    files_.push_back(name);
    return written ? path_ + '/' + name : QByteArray();
  }
  QByteArray path() const { return path_; }

 private:
  QByteArray path_;
  QList<int> fds_;
  QList<QByteArray> files_;
};

TEST(TreeWalk, EntriesDeeperThanTheLongestPath) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  DeepTree tree(QFile::encodeName(dir.path()));
  ASSERT_TRUE(tree.complete());
  const QByteArray file = tree.addFile("bottom.txt", "abc");
  ASSERT_FALSE(file.isEmpty());

  QList<QByteArray> folders;
  std::optional<DiskEntry> bottom;
  walkTree(QFile::encodeName(dir.path()),
           [&](const DiskEntry& entry) {
             if (entry.isFolder) folders.append(entry.path);
             if (entry.name == "bottom.txt") bottom = entry;
             return true;
           },
           {});
  EXPECT_EQ(folders.size(), DeepTree::kLevels);
  ASSERT_TRUE(bottom.has_value());
  EXPECT_EQ(bottom->path, file);
  EXPECT_TRUE(bottom->isRegular);
  EXPECT_EQ(bottom->size, 3);
  // The entry at a long path is looked at as at any other.
  const std::optional<DiskEntry> stated = statEntry(file);
  ASSERT_TRUE(stated.has_value());
  EXPECT_EQ(stated->size, 3);
  EXPECT_EQ(stated->name, "bottom.txt");
  EXPECT_FALSE(statEntry(file + ".missing").has_value());
}

TEST_F(IndexerFixture, IndexesEntriesDeeperThanTheLongestPath) {
  DeepTree tree(QFile::encodeName(root));
  ASSERT_TRUE(tree.complete());
  const QByteArray file = tree.addFile("abyssal notes.txt", "");
  startIndexer();
  waitForIndex();
  const std::vector<SearchHit> hits = search.search({QStringLiteral("abyssal")}, 10);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].path, file);
  indexer.reset();  // before the tree goes
}

// A folder moved out of the root takes its subfolders' watches along: news
// from the moved copy must not touch the entries now at the old paths.
TEST_F(IndexerFixture, FolderMovedOutKeepsNoWatches) {
  ASSERT_TRUE(writeFile(root + QStringLiteral("/album/disc/track.txt"), ""));
  startIndexer();
  waitForIndex();
  ASSERT_EQ(find({"track"}), QStringList{"/root/album/disc/track.txt"});

  ASSERT_TRUE(QFile::rename(root + QStringLiteral("/album"), dir.path() + QStringLiteral("/moved")));
  ASSERT_TRUE(waitFor([&] { return find({"track"}).isEmpty(); }, kIndexWaitMs));
  // The same paths again inside the root.
  ASSERT_TRUE(writeFile(root + QStringLiteral("/album/disc/track.txt"), ""));
  ASSERT_TRUE(waitFor([&] { return find({"track"}) == QStringList{"/root/album/disc/track.txt"}; }, kIndexWaitMs));

  // Changes in the moved copy, deep down, are none of the index's business.
  ASSERT_TRUE(QFile::remove(dir.path() + QStringLiteral("/moved/disc/track.txt")));
  ASSERT_TRUE(QDir().mkpath(dir.path() + QStringLiteral("/moved/disc/stray")));
  waitForLiveChangesApplied();
  EXPECT_EQ(find({"track"}), QStringList{"/root/album/disc/track.txt"});
  EXPECT_EQ(find({"stray"}), QStringList{});
}

// The service on an index another service already uses refuses to start;
// the lock goes with a killed service.
TEST_F(IndexerFixture, SecondServiceOnOneIndexRefusesToStart) {
  const QString other = dir.path() + QStringLiteral("/other");
  ASSERT_TRUE(writeFile(root + QStringLiteral("/first root file.txt"), ""));
  ASSERT_TRUE(writeFile(other + QStringLiteral("/second root file.txt"), ""));
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CACHE_HOME"}) {
    environment.insert(QString::fromLatin1(name), dir.path() + QStringLiteral("/xdg"));
  }
  const auto start = [&](QProcess& service, const QString& folder) {
    service.setProcessEnvironment(environment);
    service.setProcessChannelMode(QProcess::MergedChannels);
    service.start(QStringLiteral(ORVANTA_SERVICE_BINARY),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--root"), folder,
                   QStringLiteral("--index"), settings.databasePath});
  };
  QString firstLog;
  QProcess first;
  start(first, root);
  ASSERT_TRUE(waitFor(
      [&] {
        firstLog += QString::fromLocal8Bit(first.readAll());
        return firstLog.contains(QStringLiteral("indexed "));
      },
      kIndexWaitMs))
      << firstLog.toStdString();

  QProcess second;
  start(second, other);
  ASSERT_TRUE(second.waitForFinished(kIndexWaitMs));
  EXPECT_EQ(second.exitCode(), 1);
  const QStringList refusal = QString::fromLocal8Bit(second.readAll()).split(u'\n', Qt::SkipEmptyParts);
  ASSERT_EQ(refusal.size(), 1) << refusal.join(u'\n').toStdString();
  EXPECT_TRUE(refusal[0].contains(QStringLiteral("in use by another service"))) << refusal[0].toStdString();
  EXPECT_TRUE(refusal[0].contains(settings.databasePath)) << refusal[0].toStdString();

  // The first service's entries are still there, none of the second's.
  ASSERT_TRUE(search.open(settings.databasePath, false));
  EXPECT_EQ(find({"first", "root"}), QStringList{"/root/first root file.txt"});
  EXPECT_EQ(find({"second", "root"}), QStringList{});

  // Killed, the first service leaves nothing that keeps the next one out.
  first.kill();
  first.waitForFinished();
  QProcess third;
  start(third, other);
  QString thirdLog;
  EXPECT_TRUE(waitFor(
      [&] {
        thirdLog += QString::fromLocal8Bit(third.readAll());
        return thirdLog.contains(QStringLiteral("indexed "));
      },
      kIndexWaitMs))
      << thirdLog.toStdString();
  third.kill();
  third.waitForFinished();
  EXPECT_EQ(find({"second", "root"}), QStringList{"/other/second root file.txt"});
}

// Starts programs in a user namespace of their own whose limit of inotify
// watches is `watches`: the system runs out of watches for them alone.
class FewWatches {
 public:
  explicit FewWatches(int watches)
      : uidMap_("0 " + std::to_string(getuid()) + " 1"),
        gidMap_("0 " + std::to_string(getgid()) + " 1"),
        limit_(std::to_string(watches)) {}

  // Whether this system lets a process make such a namespace (tried in a
  // child that then ends).
  bool available() const {
    const pid_t child = fork();
    if (child == 0) _exit(enter() ? 0 : 1);
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  // For QProcess::setChildProcessModifier: runs in the child before the
  // program starts, so only calls a forked child may make.
  std::function<void()> modifier() const {
    return [this] {
      if (!enter()) _exit(77);
    };
  }

 private:
  static bool put(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return ::close(fd) == 0 && written;
  }

  bool enter() const {
    return unshare(CLONE_NEWUSER) == 0 && put("/proc/self/setgroups", "deny") && put("/proc/self/uid_map", uidMap_) &&
           put("/proc/self/gid_map", gidMap_) && put("/proc/sys/user/max_inotify_watches", limit_);
  }

  std::string uidMap_;
  std::string gidMap_;
  std::string limit_;
};

// The inodes a process watches with inotify, from its descriptors' fdinfo.
std::set<qulonglong> watchedInodes(qint64 pid) {
  std::set<qulonglong> inodes;
  const QString fdinfo = QStringLiteral("/proc/%1/fdinfo").arg(pid);
  for (const QString& name : QDir(fdinfo).entryList(QDir::Files)) {
    QFile file(fdinfo + u'/' + name);
    if (!file.open(QIODevice::ReadOnly)) continue;
    for (const QByteArray& line : file.readAll().split('\n')) {
      if (!line.startsWith("inotify wd:")) continue;
      const qsizetype at = line.indexOf(" ino:");
      if (at < 0) continue;
      const QByteArray hex = line.mid(at + 5, line.indexOf(' ', at + 5) - at - 5);
      inodes.insert(hex.toULongLong(nullptr, 16));
    }
  }
  return inodes;
}

// One look at a polled folder reports what came, went or was written since
// the last look, and nothing else: not what a subfolder holds, nothing when
// nothing changed.
TEST(UnwatchedFolders, ReportsWhatChangedSinceTheLastLook) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString folder = dir.path() + QStringLiteral("/polled");
  for (const char* name : {"same.txt", "written.txt", "gone.txt", "sub/inner.txt", "turns/x"}) {
    ASSERT_TRUE(writeFile(folder + u'/' + QString::fromLatin1(name), "1"));
  }
  UnwatchedFolders folders;
  const QByteArray path = QFile::encodeName(folder);
  folders.add(path);
  folders.add(QFile::encodeName(dir.path() + QStringLiteral("/missing")));
  ASSERT_EQ(folders.size(), 2);
  QStringList reports;
  const auto look = [&](bool watchNow) {
    reports.clear();
    folders.poll(
        [&](const QByteArray& changed, bool removed) {
          reports.append((removed ? QStringLiteral("-") : QStringLiteral("+")) +
                         QFile::decodeName(changed).mid(folder.size() + 1));
        },
        [&](const QByteArray&) { return watchNow; });
    reports.sort();
    return reports;
  };
  EXPECT_EQ(look(false), QStringList{});
  EXPECT_EQ(folders.size(), 1);  // the missing folder is dropped

  ASSERT_TRUE(writeFile(folder + QStringLiteral("/written.txt"), "longer"));
  ASSERT_TRUE(QFile::remove(folder + QStringLiteral("/gone.txt")));
  ASSERT_TRUE(writeFile(folder + QStringLiteral("/came.txt"), ""));
  ASSERT_TRUE(writeFile(folder + QStringLiteral("/sub/another.txt"), ""));  // the subfolder's own news
  ASSERT_TRUE(QDir(folder + QStringLiteral("/turns")).removeRecursively());
  ASSERT_TRUE(writeFile(folder + QStringLiteral("/turns"), "now a file"));
  EXPECT_EQ(look(false), (QStringList{"+came.txt", "+turns", "+written.txt", "-gone.txt"}));
  EXPECT_EQ(look(false), QStringList{});

  // Once it gets a watch, a last look, then no more.
  ASSERT_TRUE(writeFile(folder + QStringLiteral("/late.txt"), ""));
  EXPECT_EQ(look(true), QStringList{"+late.txt"});
  EXPECT_TRUE(folders.isEmpty());
}

// When the system runs out of folder watches, the folders without one are
// polled, and only they: news from them arrive by the poll (new, changed
// and deleted files, a new subfolder), and the log says how many are polled.
TEST_F(IndexerFixture, FoldersWithoutAWatchArePolled) {
  constexpr int kWatches = 4;
  const FewWatches fewWatches(kWatches);
  if (!fewWatches.available()) GTEST_SKIP() << "this system makes no user namespaces";
  QStringList folders{root};
  for (int i = 0; i < 6; ++i) {
    folders.append(root + QStringLiteral("/folder%1").arg(i));
    ASSERT_TRUE(writeFile(folders.last() + QStringLiteral("/kept%1.txt").arg(i), ""));
    ASSERT_TRUE(writeFile(folders.last() + QStringLiteral("/dropped%1.txt").arg(i), ""));
  }
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CACHE_HOME"}) {
    environment.insert(QString::fromLatin1(name), dir.path() + QStringLiteral("/xdg"));
  }
  QProcess service;
  service.setProcessEnvironment(environment);
  service.setProcessChannelMode(QProcess::MergedChannels);
  service.setChildProcessModifier(fewWatches.modifier());
  service.start(
      QStringLiteral(ORVANTA_SERVICE_BINARY),
      {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--root"), root, QStringLiteral("--index"),
       settings.databasePath, QStringLiteral("--poll-seconds"), QStringLiteral("1")});
  QString serviceLog;
  const auto logged = [&](const QString& text) {
    serviceLog += QString::fromLocal8Bit(service.readAll());
    return serviceLog.contains(text);
  };
  const int unwatchedCount = static_cast<int>(folders.size()) - kWatches;
  ASSERT_TRUE(waitFor(
      [&] {
        return logged(QStringLiteral("indexed ")) &&
               logged(QStringLiteral("out of folder watches: %1 folders without a watch polled every 1 s")
                          .arg(unwatchedCount));
      },
      kIndexWaitMs))
      << serviceLog.toStdString();
  EXPECT_EQ(serviceLog.count(QStringLiteral("without a watch polled")), 1) << serviceLog.toStdString();

  // The polled folders are the ones the kernel shows without a watch.
  const std::set<qulonglong> watched = watchedInodes(service.processId());
  EXPECT_EQ(watched.size(), static_cast<size_t>(kWatches));
  QStringList unwatched;
  QStringList watchedFolders;
  for (const QString& folder : folders) {
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &status), 0);
    (watched.count(status.st_ino) ? watchedFolders : unwatched).append(folder);
  }
  ASSERT_EQ(unwatched.size(), unwatchedCount);
  ASSERT_FALSE(watchedFolders.isEmpty());

  ASSERT_TRUE(search.open(settings.databasePath, false));
  const auto relative = [&](const QString& path) { return path.mid(dir.path().size()); };
  const QString lateFile = unwatched[0] + QStringLiteral("/latecomer.txt");
  const QString watchedFile = watchedFolders[0] + QStringLiteral("/arrival.txt");
  const QString newFolder = unwatched[1] + QStringLiteral("/subfolder");
  ASSERT_TRUE(writeFile(lateFile, ""));
  ASSERT_TRUE(writeFile(watchedFile, ""));
  ASSERT_TRUE(writeFile(newFolder + QStringLiteral("/nested.txt"), ""));
  const QString gone = unwatched[2] == root ? unwatched[0] : unwatched[2];
  const QStringList droppedHere = QDir(gone).entryList({QStringLiteral("dropped*")});
  ASSERT_EQ(droppedHere.size(), 1);
  ASSERT_TRUE(QFile::remove(gone + u'/' + droppedHere[0]));
  const QString droppedWord = QFileInfo(droppedHere[0]).completeBaseName();
  // A file written anew there: its new size is stored.
  const QStringList keptHere = QDir(gone).entryList({QStringLiteral("kept*")});
  ASSERT_EQ(keptHere.size(), 1);
  const QByteArray keptPath = QFile::encodeName(gone + u'/' + keptHere[0]);
  ASSERT_TRUE(writeFile(QFile::decodeName(keptPath), "grown"));
  EXPECT_TRUE(waitFor(
      [&] {
        const std::optional<StoredEntry> kept = search.find(keptPath);
        return find({"latecomer"}) == QStringList{relative(lateFile)} &&
               find({"arrival"}) == QStringList{relative(watchedFile)} &&
               find({"nested"}) == QStringList{relative(newFolder + QStringLiteral("/nested.txt"))} &&
               find({droppedWord}).isEmpty() && kept && kept->size == 5;
      },
      kIndexWaitMs))
      << serviceLog.toStdString();
  // The new subfolder got no watch either: it is polled too.
  EXPECT_TRUE(waitFor(
      [&] {
        return logged(
            QStringLiteral("out of folder watches: %1 folders without a watch polled").arg(unwatchedCount + 1));
      },
      kIndexWaitMs))
      << serviceLog.toStdString();
  service.kill();
  service.waitForFinished();
}

// The Trash and mounts of network file systems below a root are left out,
// one log line each, unless a root names them; a share mounted later is
// left out of the live changes too.
TEST_F(IndexerFixture, TrashAndNetworkSharesAreLeftOutUnlessARootNamesThem) {
  ASSERT_TRUE(writeFile(root + QStringLiteral("/kept/ordinary.txt"), ""));
  ASSERT_TRUE(writeFile(root + QStringLiteral("/share/remote.txt"), ""));
  ASSERT_TRUE(writeFile(root + QStringLiteral("/bin/thrown.txt"), ""));
  ASSERT_TRUE(writeFile(root + QStringLiteral("/sshfs/far.txt"), ""));
  auto mounts = std::make_shared<QList<MountPoint>>();
  *mounts = {{QFile::encodeName(root + QStringLiteral("/share")), "nfs4"},
             {QFile::encodeName(root + QStringLiteral("/kept")), "ext4"},
             {QFile::encodeName(root + QStringLiteral("/sshfs")), "fuse.sshfs"}};
  auto mountsMutex = std::make_shared<QMutex>();
  settings.mountTable = [mounts, mountsMutex] {
    QMutexLocker lock(mountsMutex.get());
    return std::vector<MountPoint>(mounts->cbegin(), mounts->cend());
  };
  settings.userTrash = root + QStringLiteral("/bin");
  startIndexer();
  waitForIndex();
  EXPECT_EQ(find({"ordinary"}), QStringList{"/root/kept/ordinary.txt"});
  EXPECT_EQ(find({"remote"}), QStringList{});
  EXPECT_EQ(find({"share"}), QStringList{});
  EXPECT_EQ(find({"thrown"}), QStringList{});
  EXPECT_EQ(find({"far"}), QStringList{});
  EXPECT_EQ(loggedCount(QStringLiteral("left out %1/share: a network file system (nfs4)").arg(root)), 1)
      << log().toStdString();
  EXPECT_EQ(loggedCount(QStringLiteral("left out %1/bin: the Trash").arg(root)), 1) << log().toStdString();

  // A share mounted while the service runs: news from within the root of
  // its mount point do not bring it in.
  {
    QMutexLocker lock(mountsMutex.get());
    mounts->append({QFile::encodeName(root + QStringLiteral("/mounted later")), "cifs"});
  }
  ASSERT_TRUE(writeFile(root + QStringLiteral("/mounted later/afar.txt"), ""));
  waitForLiveChangesApplied();
  EXPECT_EQ(find({"afar"}), QStringList{});
  EXPECT_EQ(find({"mounted", "later"}), QStringList{});

  // Named as roots, they are indexed.
  indexer.reset();
  settings.roots = {root, root + QStringLiteral("/share"), root + QStringLiteral("/bin")};
  lines.clear();
  startIndexer();
  waitForIndex();
  EXPECT_EQ(find({"remote"}), QStringList{"/root/share/remote.txt"});
  EXPECT_EQ(find({"thrown"}), QStringList{"/root/bin/thrown.txt"});
  EXPECT_EQ(find({"far"}), QStringList{});
  EXPECT_EQ(find({"ordinary"}), QStringList{"/root/kept/ordinary.txt"});
}

// A start over an unchanged tree reads no document again: the helper is not
// even started until a new document comes.
TEST_F(IndexerFixture, UnchangedRestartReadsNoDocumentAgain) {
  constexpr int kDocuments = 6;
  for (int i = 0; i < kDocuments; ++i) {
    ASSERT_TRUE(writeFile(root + QStringLiteral("/shelf/volume%1.txt").arg(i), "basalt" + QByteArray::number(i)));
  }
  ASSERT_TRUE(writeFile(root + QStringLiteral("/shelf/blank.txt"), "NOTEXT"));  // read once, without text
  const QString tallyPath = dir.path() + QStringLiteral("/tally");
  qputenv("ORVANTA_STAND_IN_TALLY", QFile::encodeName(tallyPath));
  const auto tally = [&](const char* what) {
    QFile file(tallyPath);
    if (!file.open(QIODevice::ReadOnly)) return qsizetype(0);
    return file.readAll().split('\n').count(what);
  };
  settings.extractorProgram = QStringLiteral(ORVANTA_STAND_IN_EXTRACT);
  startIndexer();
  waitForIndex();
  EXPECT_EQ(find({"basalt3"}), QStringList{"/root/shelf/volume3.txt"});
  EXPECT_EQ(tally("start"), 1);
  EXPECT_EQ(tally("read"), kDocuments + 1);

  // Again over the same tree; then one new document, read once its name is
  // stored: everything that waited at the start has been read by then.
  indexer.reset();
  lines.clear();
  startIndexer();
  ASSERT_TRUE(waitFor([&] { return loggedCount(QStringLiteral("indexed ")) >= 1; }, kIndexWaitMs));
  ASSERT_TRUE(writeFile(root + QStringLiteral("/shelf/addendum.txt"), "pumice"));
  EXPECT_TRUE(waitFor([&] { return !find({"pumice"}).isEmpty() && search.pendingContents(1).empty(); }, kIndexWaitMs))
      << log().toStdString();
  qunsetenv("ORVANTA_STAND_IN_TALLY");
  EXPECT_EQ(tally("read"), kDocuments + 2);  // the new one only
  EXPECT_EQ(tally("start"), 2);              // for the new one
  EXPECT_EQ(find({"basalt3"}), QStringList{"/root/shelf/volume3.txt"});
}

// Entities are decoded where they are whole and short; an '&' that starts
// none stays as it is, however much text follows before a ';'.
TEST(HtmlText, EntitiesAreShortAndLiteralOtherwise) {
  const struct {
    QString html;
    QString text;
  } cases[] = {
      {QStringLiteral("tom &amp; jerry"), QStringLiteral("tom & jerry")},
      {QStringLiteral("&#x41;&#66;&lt;"), QStringLiteral("AB<")},
      {QStringLiteral("&thetasym;"), QStringLiteral(" ")},                   // unknown name: a word break
      {QStringLiteral("&abcdefghijk;"), QStringLiteral(" ")},                // eleven letters: still a name
      {QStringLiteral("&abcdefghijkl;"), QStringLiteral("&abcdefghijkl;")},  // too long for one
      {QStringLiteral("trailing &"), QStringLiteral("trailing &")},
      {QStringLiteral("&;"), QStringLiteral("&;")},
      // Large runs of what never becomes an entity stay as they are.
      {QString(100'000, u'&') + QStringLiteral(" tail"), QString(100'000, u'&') + QStringLiteral(" tail")},
      {QStringLiteral("&amp").repeated(30'000) + QString(20, u' ') + u';',
       QStringLiteral("&amp").repeated(30'000) + QString(20, u' ') + u';'},
  };
  for (const auto& c : cases) EXPECT_EQ(textOfHtml(c.html), c.text) << c.html.left(40).toStdString();
}

// Documents that take the helper long (hostile ones run into its time
// limit) are read beside the live changes, which are applied meanwhile.
TEST_F(IndexerFixture, SlowDocumentsDoNotHoldUpLiveChanges) {
  for (int i = 0; i < 8; ++i) {
    ASSERT_TRUE(writeFile(root + QStringLiteral("/stall%1.txt").arg(i), "HANG until stopped"));
  }
  ASSERT_TRUE(writeFile(root + QStringLiteral("/obsolete.txt"), ""));
  settings.extractorProgram = QStringLiteral(ORVANTA_STAND_IN_EXTRACT);
  settings.extractTimeoutMs = 600'000;  // each of them holds the helper this long
  startIndexer();
  ASSERT_TRUE(waitFor([&] { return loggedCount(QStringLiteral("indexed ")) >= 1; }, kIndexWaitMs));
  ASSERT_EQ(find({"obsolete"}), QStringList{"/root/obsolete.txt"});

  ASSERT_TRUE(writeFile(root + QStringLiteral("/arrival.txt"), ""));
  ASSERT_TRUE(QFile::remove(root + QStringLiteral("/obsolete.txt")));
  EXPECT_TRUE(
      waitFor([&] { return find({"arrival"}) == QStringList{"/root/arrival.txt"} && find({"obsolete"}).isEmpty(); },
              kIndexWaitMs));
  // The documents are still being read: none has text yet.
  EXPECT_FALSE(search.pendingContents(1).empty());
  // Stopping does not wait for them either (the test's time limit would).
  indexer.reset();
}

// A file the service could not read gets another try when its attributes
// change (made readable, say): the failure is not kept while its time and
// size stay the same, and the try comes with the news, not after a wait.
TEST_F(IndexerFixture, FailedExtractionIsRetriedOnAttributeChange) {
  const WithoutReadOverride asAnOrdinaryUser;
  ASSERT_TRUE(asAnOrdinaryUser.active() || geteuid() != 0);
  const QString locked = root + QStringLiteral("/locked.txt");
  ASSERT_TRUE(writeFile(locked, "combination of the safe"));
  ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::WriteOwner));
  settings.extractorProgram = QStringLiteral(ORVANTA_STAND_IN_EXTRACT);
  settings.contentRetryMs = 60 * 60 * 1000;  // no timed try within the test
  startIndexer();
  waitForIndex();
  ASSERT_EQ(find({"locked"}), QStringList{"/root/locked.txt"});
  ASSERT_EQ(find({"combination"}), QStringList{});
  const std::optional<StoredEntry> before = search.find(QFile::encodeName(locked));
  ASSERT_TRUE(before.has_value());
  EXPECT_EQ(before->content, ContentState::Retry);

  const QFileInfo info(locked);
  ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
  EXPECT_TRUE(waitFor([&] { return find({"combination"}) == QStringList{"/root/locked.txt"}; }, kIndexWaitMs));
  // Same time and size: only the attribute change led to the new try.
  EXPECT_EQ(QFileInfo(locked).lastModified(), info.lastModified());
}

// A failure that may pass (here the helper cannot be started) is tried
// again after a wait, without any news of the file.
TEST_F(IndexerFixture, TransientExtractionFailureIsRetriedAfterAWait) {
  const QString helper = dir.path() + QStringLiteral("/helper/extract");
  settings.extractorProgram = helper;  // not there yet
  settings.contentRetryMs = 20;
  ASSERT_TRUE(writeFile(root + QStringLiteral("/ledger.txt"), "lantern oil accounts"));
  startIndexer();
  const QByteArray path = QFile::encodeName(root + QStringLiteral("/ledger.txt"));
  ASSERT_TRUE(waitFor(
      [&] {
        const std::optional<StoredEntry> entry = search.find(path);
        return entry && entry->content == ContentState::Retry;
      },
      kIndexWaitMs));

  ASSERT_TRUE(QDir().mkpath(QFileInfo(helper).absolutePath()));
  ASSERT_TRUE(QFile::copy(QStringLiteral(ORVANTA_STAND_IN_EXTRACT), helper + QStringLiteral(".part")));
  ASSERT_TRUE(QFile::setPermissions(helper + QStringLiteral(".part"), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
  ASSERT_TRUE(QFile::rename(helper + QStringLiteral(".part"), helper));
  EXPECT_TRUE(waitFor([&] { return find({"lantern"}) == QStringList{"/root/ledger.txt"}; }, kIndexWaitMs));
  EXPECT_EQ(search.find(path)->content, ContentState::Done);
}

// Writes that fail (a full disk) are said once; indexing pauses, tries
// again after waits, and goes on by itself once writes succeed again.
TEST_F(IndexerFixture, FullDiskPausesIndexingUntilSpaceComesBack) {
  ASSERT_NE(full_disk::layer(), nullptr);
  settings.databaseVfs = full_disk::layer();
  settings.writeRetryMs = 20;
  ASSERT_TRUE(writeFile(root + QStringLiteral("/early.txt"), "before the disk filled"));
  startIndexer();
  waitForIndex();
  ASSERT_EQ(find({"early"}), QStringList{"/root/early.txt"});

  full_disk::full = true;
  full_disk::refused = 0;
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(writeFile(root + QStringLiteral("/harvest%1.txt").arg(i), "granary records " + QByteArray::number(i)));
  }
  ASSERT_TRUE(
      waitFor([&] { return loggedCount(QStringLiteral("cannot write the index database")) == 1; }, kIndexWaitMs))
      << log().toStdString();
  // It keeps trying, with a line for the first failure only.
  const int refusedAtFirst = full_disk::refused.load();
  ASSERT_TRUE(waitFor([&] { return full_disk::refused.load() >= refusedAtFirst + 3; }, kIndexWaitMs));
  EXPECT_EQ(loggedCount(QStringLiteral("cannot write the index database")), 1) << log().toStdString();
  EXPECT_TRUE(log().contains(QStringLiteral("database or disk is full"))) << log().toStdString();
  EXPECT_TRUE(indexer->writesFailing());
  EXPECT_EQ(find({"harvest"}), QStringList{});
  // Searches still answer from what is stored.
  EXPECT_EQ(find({"early"}), QStringList{"/root/early.txt"});

  full_disk::full = false;
  EXPECT_TRUE(waitFor([&] { return find({"granary"}).size() == 5 && find({"harvest"}).size() == 5; }, kIndexWaitMs))
      << log().toStdString();
  EXPECT_EQ(loggedCount(QStringLiteral("is written again")), 1);
  EXPECT_FALSE(indexer->writesFailing());
  EXPECT_EQ(loggedCount(QStringLiteral("cannot write the index database")), 1);
  // Live changes are applied again.
  waitForLiveChangesApplied();
}

// A database that cannot be written at a start is not damaged: it stays
// where it is, for the start after space comes back.
TEST(IndexDatabase, UnwritableIsNotDamaged) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ASSERT_NE(full_disk::layer(), nullptr);
  const QString path = dir.path() + QStringLiteral("/index.db");
  {
    SearchIndex index;
    ASSERT_TRUE(index.open(path, true));
    ASSERT_TRUE(index.begin());
    EntryRecord record;
    record.path = "/kept/entry.txt";
    record.label = QStringLiteral("entry.txt");
    index.store(record, 1);
    ASSERT_TRUE(index.commit());
  }
  full_disk::full = true;
  full_disk::refused = 0;
  QStringList lines;
  SearchIndex index;
  const bool opened = index.open(
      path, true, [&](const QString& line) { lines.append(line); }, full_disk::layer());
  full_disk::full = false;
  EXPECT_GT(full_disk::refused.load(), 0);  // the start tried to write
  EXPECT_FALSE(opened);
  EXPECT_EQ(lines, QStringList{});
  EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("*.damaged-*")}, QDir::Files), QStringList{});
  ASSERT_TRUE(index.open(path, true));
  EXPECT_EQ(index.search({QStringLiteral("entry")}, 10).size(), 1u);
}

}  // namespace
}  // namespace orvanta::service
