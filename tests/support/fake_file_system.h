// A file system for headless tests: the files and folders of a table of
// paths; every other path is missing. Counts the status queries made.
#pragma once

#include "platform/file_system.h"

#include <QHash>
#include <QString>

namespace orvanta::testing {

class FakeFileSystem : public platform::FileSystem {
 public:
  FakeFileSystem() = default;
  FakeFileSystem(std::initializer_list<std::pair<QString, platform::PathKind>> paths) {
    for (const auto& [path, kind] : paths) paths_.insert(path, kind);
  }

  void addFile(const QString& path) { paths_.insert(path, platform::PathKind::File); }
  void addFolder(const QString& path) { paths_.insert(path, platform::PathKind::Folder); }

  platform::PathKind kindOf(const QString& path) const override {
    ++queries_;
    return paths_.value(path, platform::PathKind::Missing);
  }

  int queries() const { return queries_; }

 private:
  QHash<QString, platform::PathKind> paths_;
  mutable int queries_ = 0;
};

}  // namespace orvanta::testing
