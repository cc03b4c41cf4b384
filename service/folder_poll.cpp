// Polling the folders without a watch, one listing each.
#include "folder_poll.h"

#include "tree_walk.h"

#include <algorithm>
#include <vector>

namespace orvanta::service {

namespace {

UnwatchedFolders::Listing listFolder(const QByteArray& folder, const std::function<bool(const QByteArray&)>& passBy) {
  std::vector<std::pair<QByteArray, UnwatchedFolders::Seen>> entries;
  walkTree(
      folder,
      [&](const DiskEntry& entry) {
        entries.push_back({entry.name, {entry.mtime, entry.isFolder ? -1 : entry.size}});
        return false;  // this folder's own entries only
      },
      {}, passBy);
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  UnwatchedFolders::Listing listing;
  listing.seen.reserve(entries.size());
  for (const auto& [name, seen] : entries) {
    listing.names.append(name).append('\0');
    listing.seen.push_back(seen);
  }
  listing.names.squeeze();
  return listing;
}

// The names of a listing in their order.
class Names {
 public:
  explicit Names(const QByteArray& names) : names_(names) {}
  bool atEnd() const { return at_ >= names_.size(); }
  QByteArrayView current() const { return QByteArrayView(names_).sliced(at_, names_.indexOf('\0', at_) - at_); }
  void next() { at_ = names_.indexOf('\0', at_) + 1; }

 private:
  const QByteArray& names_;
  qsizetype at_ = 0;
};

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
    const Listing now = listFolder(folder, passBy);
    const Listing before = watched ? folders_.take(folder) : folders_.value(folder);
    if (!watched) folders_.insert(folder, now);
    const QByteArray prefix = folder.endsWith('/') ? folder : folder + '/';
    // Both listings are sorted: one pass over the two side by side.
    Names was(before.names);
    Names is(now.names);
    size_t wasAt = 0;
    size_t isAt = 0;
    while (!was.atEnd() || !is.atEnd()) {
      const int order = was.atEnd() ? 1 : is.atEnd() ? -1 : was.current().compare(is.current());
      if (order < 0) {
        report(prefix + was.current().toByteArray(), true);  // went
        was.next();
        ++wasAt;
      } else if (order > 0) {
        report(prefix + is.current().toByteArray(), false);  // came
        is.next();
        ++isAt;
      } else {
        const Seen& old = before.seen[wasAt];
        const Seen& seen = now.seen[isAt];
        // A subfolder's own time changes with what it holds, which its own
        // watch or poll reports; here only its coming and going counts.
        const bool folderBoth = old.size < 0 && seen.size < 0;
        if (!folderBoth && (old.size != seen.size || old.mtime != seen.mtime)) {
          report(prefix + is.current().toByteArray(), false);
        }
        was.next();
        is.next();
        ++wasAt;
        ++isAt;
      }
    }
  }
}

}  // namespace orvanta::service
