// The folders the system had no watch left for: each is looked at on a
// timer, its entries compared with what it held the last time, so changes
// there are found without walking the whole tree again. Only the folder's
// own entries are compared; its subfolders are watched or polled for
// themselves.
#pragma once

#include <QByteArray>
#include <QHash>

#include <functional>
#include <vector>

namespace orvanta::service {

class UnwatchedFolders {
 public:
  // One entry as the last look saw it; a folder's size is -1 (its time
  // is not compared: it changes with what the folder holds).
  struct Seen {
    qint64 mtime = 0;
    qint64 size = 0;
  };
  // A folder's entries, kept small: their names sorted, each ending in a
  // NUL, and what was seen of each in the same order.
  struct Listing {
    QByteArray names;
    std::vector<Seen> seen;
  };
  using Report = std::function<void(const QByteArray& path, bool removed)>;

  // Starts polling `folder`, taking what it holds now as the last look.
  void add(const QByteArray& folder);
  // Stops polling `folder` (it got a watch).
  void remove(const QByteArray& folder);
  // Stops polling `path` and every folder below it (they went).
  void removeTree(const QByteArray& path);
  bool contains(const QByteArray& folder) const { return folders_.contains(folder); }
  qsizetype size() const { return folders_.size(); }
  bool isEmpty() const { return folders_.isEmpty(); }

  // Looks at every polled folder once: an entry that appeared, or a file
  // whose time or size changed, is reported as changed; one that went, as
  // removed. A folder that went itself is dropped (its parent reports it).
  // `retryWatch` is asked first for each; true: the folder has a watch now
  // and leaves the polling after this look.
  void poll(const Report& report, const std::function<bool(const QByteArray&)>& retryWatch);

  // Asked with each entry's path before it is looked at; true leaves it
  // out unseen (as the walk of the tree leaves it out).
  std::function<bool(const QByteArray& path)> passBy;

 private:
  QHash<QByteArray, Listing> folders_;
};

}  // namespace orvanta::service
