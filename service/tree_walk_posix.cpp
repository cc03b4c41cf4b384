// Tree walking with the POSIX directory calls, and thread priorities (the
// I/O priority on Linux only).
#include "tree_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__linux__)
#include <sys/syscall.h>
#endif

#include <climits>
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

// Opens the folder at `path` however long the path is: a path longer than
// the system takes in one call is opened a piece at a time, each relative
// to the folder before. Links are never followed. -1 on failure.
int openFolder(const QByteArray& path) {
  constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
  if (path.size() < PATH_MAX) return ::open(path.constData(), kFlags);
  int fd = AT_FDCWD;
  qsizetype from = 0;
  while (from < path.size()) {
    // The longest piece that ends at a slash and fits.
    qsizetype to = path.size();
    if (to - from >= PATH_MAX) {
      to = path.lastIndexOf('/', from + PATH_MAX - 1);
      if (to <= from) {
        if (fd != AT_FDCWD) ::close(fd);
        return -1;  // a single name longer than any path
      }
    }
    const QByteArray piece = path.mid(from, to - from);
    const int next = ::openat(fd, piece.isEmpty() ? "/" : piece.constData(), kFlags);
    if (fd != AT_FDCWD) ::close(fd);
    if (next < 0) return -1;
    fd = next;
    from = to + 1;
  }
  return fd;
}

// Runs `look(folderFd, name)` on the entry at `path` through its open
// folder, so that paths of any length can be looked at.
template <typename Look>
bool atEntry(const QByteArray& path, Look look) {
  const qsizetype slash = path.lastIndexOf('/');
  if (slash < 0 || path.size() < PATH_MAX) return look(AT_FDCWD, path.constData());
  const int fd = openFolder(slash == 0 ? QByteArray("/") : path.left(slash));
  if (fd < 0) return false;
  const bool done = look(fd, path.constData() + slash + 1);
  ::close(fd);
  return done;
}

// A folder being walked: its open descriptor (-1 once closed to spare
// descriptors; it is opened again by path when needed) and the subfolders
// still to walk.
struct OpenFolder {
  QByteArray path;
  int fd = -1;
  std::vector<QByteArray> subfolders;  // names
  size_t next = 0;
};

// At most this many folders of the path being walked stay open.
constexpr size_t kMaxOpenFolders = 64;

}  // namespace

std::optional<DiskEntry> statEntry(const QByteArray& path) {
  struct stat status {};
  if (!atEntry(path, [&](int fd, const char* name) { return fstatat(fd, name, &status, AT_SYMLINK_NOFOLLOW) == 0; })) {
    return std::nullopt;
  }
  const qsizetype slash = path.lastIndexOf('/');
  return entryOf(path, path.mid(slash + 1), status);
}

void walkTree(const QByteArray& root, const std::function<bool(const DiskEntry&)>& visit,
              const std::function<bool()>& keepGoing, const std::function<bool(const QByteArray& path)>& passBy) {
  // Each folder is opened relative to its open parent, so depth is no limit.
  std::vector<OpenFolder> stack;
  const auto closeAll = [&] {
    for (OpenFolder& folder : stack) {
      if (folder.fd >= 0) ::close(folder.fd);
    }
  };
  // Reads the folder open at `fd` and puts it on the stack when it has
  // subfolders to walk; closes `fd` otherwise.
  const auto read = [&](QByteArray path, int fd) {
    DIR* dir = fdopendir(fd);
    if (!dir) {
      ::close(fd);
      return;
    }
    const QByteArray prefix = path == "/" ? path : path + '/';
    OpenFolder folder{std::move(path), -1, {}, 0};
    while (const dirent* item = readdir(dir)) {
      const QByteArray name(item->d_name);
      if (name == "." || name == "..") continue;
      const QByteArray path = prefix + name;
      if (passBy && passBy(path)) continue;
      struct stat status {};
      if (fstatat(dirfd(dir), item->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
      const DiskEntry entry = entryOf(path, name, status);
      if (!visit(entry)) continue;
      if (entry.isFolder) folder.subfolders.push_back(name);
    }
    if (folder.subfolders.empty()) {
      closedir(dir);
      return;
    }
    folder.fd = ::dup(dirfd(dir));
    closedir(dir);
    if (folder.fd < 0) return;
    stack.push_back(std::move(folder));
    if (stack.size() > kMaxOpenFolders) {
      OpenFolder& spared = stack[stack.size() - kMaxOpenFolders - 1];
      if (spared.fd >= 0) ::close(spared.fd);
      spared.fd = -1;
    }
  };

  if (keepGoing && !keepGoing()) return;
  const QByteArray start = root.endsWith('/') && root.size() > 1 ? root.chopped(1) : root;
  const int rootFd = openFolder(start);
  if (rootFd >= 0) read(start, rootFd);
  while (!stack.empty()) {
    OpenFolder& folder = stack.back();
    if (folder.next == folder.subfolders.size()) {
      if (folder.fd >= 0) ::close(folder.fd);
      stack.pop_back();
      continue;
    }
    if (keepGoing && !keepGoing()) {
      closeAll();
      return;
    }
    if (folder.fd < 0) folder.fd = openFolder(folder.path);
    const QByteArray& name = folder.subfolders[folder.next++];
    const int fd =
        folder.fd < 0 ? -1 : ::openat(folder.fd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    read((folder.path == "/" ? folder.path : folder.path + '/') + name, fd);
  }
}

qintptr lockFile(const QByteArray& path, qint64* holder) {
  const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  // The system drops the lock with the last descriptor, so a killed
  // process leaves none behind.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    char text[32] = {};
    const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    bool ok = false;
    const qint64 pid = got > 0 ? QByteArray(text, got).trimmed().toLongLong(&ok) : 0;
    if (holder) *holder = ok ? pid : 0;
    ::close(fd);
    return -1;
  }
  const QByteArray pid = QByteArray::number(qint64(getpid())) + '\n';
  if (ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.constData(), size_t(pid.size()), 0) != pid.size()) {
    // The id is only for the message of another service; the lock holds.
  }
  return fd;
}

void unlockFile(qintptr handle) {
  if (handle >= 0) ::close(static_cast<int>(handle));
}

// With the rights this process opens files with (its effective ones).
bool mayRead(const QByteArray& path) {
  return atEntry(path, [](int fd, const char* name) { return faccessat(fd, name, R_OK, AT_EACCESS) == 0; });
}

bool isTaggedCache(const QByteArray& path) {
  struct stat status {};
  return atEntry(path + "/CACHEDIR.TAG",
                 [&](int fd, const char* name) { return fstatat(fd, name, &status, 0) == 0; }) &&
         S_ISREG(status.st_mode);
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
