// Outside Windows the system's programs live under /usr.
#include "windows_directory.h"

namespace orvanta::platform {

QString windowsDirectory() { return QStringLiteral("/usr"); }

}  // namespace orvanta::platform
