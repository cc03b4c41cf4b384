// Tree walking with the POSIX directory calls, and thread priorities (the
// I/O priority on Linux only).
#include "tree_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__linux__)
#include <sys/syscall.h>
#endif

#include <vector>

namespace orvanta::service {

namespace {

DiskEntry entryOf(const QByteArray& path, const QByteArray& name, const struct stat& status) {
  DiskEntry entry;
  entry.path = path;
  entry.name = name;
  entry.isFolder = S_ISDIR(status.st_mode);
  entry.isRegular = S_ISREG(status.st_mode);
#if defined(__APPLE__)
  entry.mtime = qint64(status.st_mtimespec.tv_sec) * 1'000'000'000 + status.st_mtimespec.tv_nsec;
#else
  entry.mtime = qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
#endif
  entry.size = entry.isFolder ? 0 : qint64(status.st_size);
  return entry;
}

}  // namespace

std::optional<DiskEntry> statEntry(const QByteArray& path) {
  struct stat status {};
  if (lstat(path.constData(), &status) != 0) return std::nullopt;
  const qsizetype slash = path.lastIndexOf('/');
  return entryOf(path, path.mid(slash + 1), status);
}

void walkTree(const QByteArray& root, const std::function<bool(const DiskEntry&)>& visit,
              const std::function<bool()>& keepGoing) {
  std::vector<QByteArray> folders{root.endsWith('/') && root.size() > 1 ? root.chopped(1) : root};
  while (!folders.empty()) {
    if (keepGoing && !keepGoing()) return;
    const QByteArray folder = std::move(folders.back());
    folders.pop_back();
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    DIR* dir = fdopendir(fd);
    if (!dir) {
      ::close(fd);
      continue;
    }
    const QByteArray prefix = folder == "/" ? folder : folder + '/';
    std::vector<QByteArray> below;
    while (const dirent* item = readdir(dir)) {
      const QByteArray name(item->d_name);
      if (name == "." || name == "..") continue;
      struct stat status {};
      if (fstatat(fd, item->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
      const DiskEntry entry = entryOf(prefix + name, name, status);
      if (!visit(entry)) continue;
      if (entry.isFolder) below.push_back(entry.path);
    }
    closedir(dir);
    // Depth first, in the order read.
    folders.insert(folders.end(), std::make_move_iterator(below.rbegin()), std::make_move_iterator(below.rend()));
  }
}

bool isTaggedCache(const QByteArray& path) {
  struct stat status {};
  return stat((path + "/CACHEDIR.TAG").constData(), &status) == 0 && S_ISREG(status.st_mode);
}

void lowerThreadPriority() {
#if defined(__linux__)
  // ioprio_set(IOPRIO_WHO_PROCESS, this thread, IOPRIO_CLASS_IDLE); glibc
  // has no wrapper. setpriority with a thread id lowers that thread only.
  constexpr int kWhoProcess = 1;
  constexpr int kClassIdle = 3;
  constexpr int kClassShift = 13;
  syscall(SYS_ioprio_set, kWhoProcess, 0, kClassIdle << kClassShift);
  setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 19);
#else
  setpriority(PRIO_PROCESS, 0, 19);
#endif
}

}  // namespace orvanta::service
