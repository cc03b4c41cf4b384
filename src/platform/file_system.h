// The file-system service: the path tests the classification and the
// opening of hits make. "\" and "/" both separate path components.
#pragma once

#include <QString>

namespace orvanta::platform {

enum class PathKind { Missing, File, Folder };

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // What exists at `path`, from one status query.
  virtual PathKind kindOf(const QString& path) const = 0;

  // True only when a file (not a folder) exists at `path`.
  bool FileExists(const QString& path) const { return kindOf(path) == PathKind::File; }
  // True only when a folder exists at `path`.
  bool FolderExists(const QString& path) const { return kindOf(path) == PathKind::Folder; }

  // The last component of `path`, trailing separators ignored.
  static QString GetFileName(const QString& path);
  // The characters after the last "." of the last component, without the
  // dot; empty when that component has no dot.
  static QString GetExtensionName(const QString& path);
};

}  // namespace orvanta::platform
