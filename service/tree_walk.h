// What the indexer needs of the file system: walking a folder tree with the
// names' bytes as they are on disk (so names that are not valid UTF-8 are
// kept exactly), looking at one entry without following links, and running
// the indexing thread at low CPU and idle I/O priority.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <functional>
#include <optional>

namespace orvanta::service {

// The text of a path's bytes and the bytes of a path: the file system's
// own bytes on POSIX systems, UTF-8 on Windows, whose names are UTF-16 (the
// walk there gives them as UTF-8, where QFile's name encoding would be the
// ANSI code page).
inline QString decodePath(const QByteArray& bytes) {
#ifdef Q_OS_WIN
  return QString::fromUtf8(bytes);
#else
  return QFile::decodeName(bytes);
#endif
}
inline QByteArray encodePath(const QString& path) {
#ifdef Q_OS_WIN
  return path.toUtf8();
#else
  return QFile::encodeName(path);
#endif
}

struct DiskEntry {
  QByteArray path;  // full path
  QByteArray name;  // last component
  bool isFolder = false;
  bool isRegular = false;  // a regular file (not a link, FIFO, device...)
  qint64 mtime = 0;        // nanoseconds since the epoch
  qint64 size = 0;
};

// The entry at `path`, links not followed; nothing when it is gone.
std::optional<DiskEntry> statEntry(const QByteArray& path);

// Visits every entry below `root` (not `root` itself), folders before their
// contents. `visit` returns false to leave an entry out (a folder: with all
// it holds). `keepGoing` is asked between folders; false ends the walk.
// `passBy` is asked with each entry's path before the entry is looked at
// (a dead network share hangs whoever looks at its mount point); true
// leaves it out unseen.
void walkTree(const QByteArray& root, const std::function<bool(const DiskEntry&)>& visit,
              const std::function<bool()>& keepGoing, const std::function<bool(const QByteArray& path)>& passBy = {});

// Whether this process may read the entry at `path`.
bool mayRead(const QByteArray& path);

// Takes an exclusive lock on the file at `path` (made when missing, for this
// user alone), held until unlockFile or the end of the process, however it
// ends, and writes this process's id into it. -1 when another process
// holds it (its id in `holder`, where known) or it cannot be made.
qintptr lockFile(const QByteArray& path, qint64* holder);
void unlockFile(qintptr handle);

// Whether the folder `path` is tagged as a cache (holds a CACHEDIR.TAG).
bool isTaggedCache(const QByteArray& path);

// Lowers the calling thread to idle I/O priority and the lowest CPU
// priority; processes it starts inherit both.
void lowerThreadPriority();

}  // namespace orvanta::service
