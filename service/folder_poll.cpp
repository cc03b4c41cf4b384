// Polling the folders without a watch, one listing each.
#include "folder_poll.h"

#include "tree_walk.h"

#include <vector>

namespace orvanta::service {

namespace {

QHash<QByteArray, UnwatchedFolders::Seen> listFolder(const QByteArray& folder,
                                                     const std::function<bool(const QByteArray&)>& passBy) {
  QHash<QByteArray, UnwatchedFolders::Seen> entries;
  walkTree(
      folder,
      [&](const DiskEntry& entry) {
        entries.insert(entry.name, {entry.mtime, entry.size, entry.isFolder});
        return false;  // this folder's own entries only
      },
      {}, passBy);
  return entries;
}

bool isBelowOrAt(const QByteArray& path, const QByteArray& folder) {
  return path == folder || (path.startsWith(folder) && path.size() > folder.size() &&
                            (path[folder.size()] == '/' || folder.endsWith('/')));
}

}  // namespace

void UnwatchedFolders::add(const QByteArray& folder) { folders_.insert(folder, listFolder(folder, passBy)); }

void UnwatchedFolders::remove(const QByteArray& folder) { folders_.remove(folder); }

void UnwatchedFolders::removeTree(const QByteArray& path) {
  for (auto it = folders_.begin(); it != folders_.end();) {
    if (isBelowOrAt(it.key(), path)) {
      it = folders_.erase(it);
    } else {
      ++it;
    }
  }
}

void UnwatchedFolders::poll(const Report& report, const std::function<bool(const QByteArray&)>& retryWatch) {
  const QList<QByteArray> folders = folders_.keys();
  for (const QByteArray& folder : folders) {
    const std::optional<DiskEntry> self = statEntry(folder);
    if (!self || !self->isFolder) {
      folders_.remove(folder);
      continue;
    }
    const bool watched = retryWatch && retryWatch(folder);
    const QHash<QByteArray, Seen> now = listFolder(folder, passBy);
    const QHash<QByteArray, Seen> before = watched ? folders_.take(folder) : folders_.value(folder);
    if (!watched) folders_.insert(folder, now);
    const QByteArray prefix = folder.endsWith('/') ? folder : folder + '/';
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
      const auto old = before.constFind(it.key());
      // A subfolder's own time changes with what it holds, which its own
      // watch or poll reports; here only its coming and going counts.
      const bool changed = old == before.cend() || old->isFolder != it->isFolder ||
                           (!it->isFolder && (old->mtime != it->mtime || old->size != it->size));
      if (changed) report(prefix + it.key(), false);
    }
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
      if (!now.contains(it.key())) report(prefix + it.key(), true);
    }
  }
}

}  // namespace orvanta::service
