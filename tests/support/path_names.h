// The file-system service's GetFileName and GetExtensionName for tests that
// need path names without a disk.
#pragma once

#include <QString>

namespace orvanta::testing {

// The text after the last slash or backslash.
QString lastPathComponent(const QString& path);

// The text after the last dot of the last component; empty without a dot.
QString extensionName(const QString& path);

}  // namespace orvanta::testing
