// The file system of this machine, through Qt's file information.
#pragma once

#include "file_system.h"

namespace orvanta::platform {

class QtFileSystem : public FileSystem {
 public:
  PathKind kindOf(const QString& path) const override;
};

}  // namespace orvanta::platform
