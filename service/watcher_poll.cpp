// The watcher of systems without folder watching here: not live, so the
// indexer finds changes by rescanning on its timer.
#include "tree_watcher.h"

namespace orvanta::service {

namespace {

class PollingWatcher final : public TreeWatcher {
 public:
  bool isLive() const override { return false; }
  bool watchFolder(const QByteArray&) override { return false; }
  void clear() override {}
};

}  // namespace

std::unique_ptr<TreeWatcher> createTreeWatcher(TreeWatcher::Callbacks) { return std::make_unique<PollingWatcher>(); }

}  // namespace orvanta::service
