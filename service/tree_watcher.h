// Live news of changes below the indexed folders. Where the system can
// watch folders (inotify on Linux) each watched folder reports entries that
// appear, change, move or go; elsewhere the watcher is not live and the
// indexer rescans on a timer instead.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

namespace orvanta::service {

class TreeWatcher {
 public:
  struct Callbacks {
    std::function<void(const QByteArray& path)> changed;  // appeared, written or moved here
    std::function<void(const QByteArray& path)> removed;  // deleted or moved away
    std::function<void(const QString& why)> lost;         // news were lost: rescan
  };

  virtual ~TreeWatcher() = default;
  // Whether changes are reported as they happen.
  virtual bool isLive() const = 0;
  // Watches the folder `path` itself (not its subfolders). False when the
  // system has no more watches to give.
  virtual bool watchFolder(const QByteArray& path) = 0;
  // Stops watching everything.
  virtual void clear() = 0;
};

// The system's watcher; must be made and used on one thread with an event
// loop.
std::unique_ptr<TreeWatcher> createTreeWatcher(TreeWatcher::Callbacks callbacks);

}  // namespace orvanta::service
