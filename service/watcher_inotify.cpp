// Folder watching with Linux inotify: one watch per folder, read through a
// socket notifier on the indexer's thread.
#include "tree_watcher.h"

#include <QHash>
#include <QSocketNotifier>

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace orvanta::service {

namespace {

constexpr uint32_t kEvents = IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE | IN_ATTRIB | IN_DELETE | IN_MOVED_FROM |
                             IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_DONT_FOLLOW | IN_EXCL_UNLINK;

class InotifyWatcher final : public TreeWatcher {
 public:
  explicit InotifyWatcher(Callbacks callbacks) : callbacks_(std::move(callbacks)) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { readEvents(); });
  }

  ~InotifyWatcher() override {
    notifier_.reset();
    if (fd_ >= 0) ::close(fd_);
  }

  bool isLive() const override { return fd_ >= 0; }

  bool watchFolder(const QByteArray& path) override {
    if (fd_ < 0) return false;
    const int wd = inotify_add_watch(fd_, path.constData(), kEvents);
    if (wd < 0) return errno != ENOSPC && errno != ENOMEM;
    folders_.insert(wd, path);
    return true;
  }

  void clear() override {
    for (auto it = folders_.cbegin(); it != folders_.cend(); ++it) inotify_rm_watch(fd_, it.key());
    folders_.clear();
  }

 private:
  void readEvents() {
    alignas(inotify_event) char buffer[64 * (sizeof(inotify_event) + NAME_MAX + 1)];
    for (;;) {
      const ssize_t length = ::read(fd_, buffer, sizeof buffer);
      if (length <= 0) return;
      for (ssize_t offset = 0; offset < length;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
        offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        handle(*event);
      }
    }
  }

  void handle(const inotify_event& event) {
    if (event.mask & IN_Q_OVERFLOW) {
      if (callbacks_.lost) callbacks_.lost(QStringLiteral("the change queue overflowed"));
      return;
    }
    if (event.mask & IN_IGNORED) {
      folders_.remove(event.wd);
      return;
    }
    const auto folder = folders_.constFind(event.wd);
    if (folder == folders_.cend()) return;
    if (event.mask & IN_MOVE_SELF) {
      // Moved away: its parent's watch reports that; later news from it
      // would carry the old path.
      inotify_rm_watch(fd_, event.wd);
      folders_.remove(event.wd);
      return;
    }
    if (event.mask & IN_DELETE_SELF) return;  // the parent's watch reports it
    if (event.len == 0) return;
    const QByteArray path = (*folder == "/" ? *folder : *folder + '/') + QByteArray(event.name);
    if (event.mask & (IN_DELETE | IN_MOVED_FROM)) {
      // A folder moved away keeps its inode, and with it the watches of its
      // subfolders, which would go on reporting under the old paths: a file
      // deleted out there would be forgotten here. Where it went, it is not
      // indexed; where it comes back, it is watched anew.
      if ((event.mask & IN_MOVED_FROM) && (event.mask & IN_ISDIR)) forgetTree(path);
      if (callbacks_.removed) callbacks_.removed(path);
    } else if (callbacks_.changed) {
      callbacks_.changed(path);
    }
  }

  // Stops watching `path` and every folder below it.
  void forgetTree(const QByteArray& path) {
    const QByteArray below = path + '/';
    for (auto it = folders_.begin(); it != folders_.end();) {
      if (it.value() == path || it.value().startsWith(below)) {
        inotify_rm_watch(fd_, it.key());
        it = folders_.erase(it);
      } else {
        ++it;
      }
    }
  }

  Callbacks callbacks_;
  int fd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  QHash<int, QByteArray> folders_;
};

}  // namespace

std::unique_ptr<TreeWatcher> createTreeWatcher(TreeWatcher::Callbacks callbacks) {
  return std::make_unique<InotifyWatcher>(std::move(callbacks));
}

}  // namespace orvanta::service
