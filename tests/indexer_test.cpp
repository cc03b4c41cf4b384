// The indexer under the faults of a real machine: folders deeper than the
// system's longest path, folders moved out of a root, two services on one
// index, failed extractions, slow or hostile documents and a full disk.
#include "indexer.h"
#include "search_index.h"
#include "tree_walk.h"
#include "wait_for.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <memory>

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

}  // namespace
}  // namespace orvanta::service
