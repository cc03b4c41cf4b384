// The Windows directory: the folder that %SystemRoot% in a registered open
// command stands for.
#pragma once

#include <QString>

namespace orvanta::platform {

// The system's Windows directory, without a trailing separator; empty when
// it cannot be found. Outside Windows this is /usr, the prefix under which
// the system keeps its programs (so "%SystemRoot%/bin/evince" names
// /usr/bin/evince).
QString windowsDirectory();

}  // namespace orvanta::platform
