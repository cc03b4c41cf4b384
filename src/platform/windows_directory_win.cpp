// The Windows directory from kernel32.
#include "windows_directory.h"

#include <windows.h>
// windows.h maps the name to its W variant, which would rename ours.
#undef GetWindowsDirectory

namespace orvanta::platform {

QString GetWindowsDirectory() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const UINT length = ::GetWindowsDirectoryW(buffer, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return QString();
  return QString::fromWCharArray(buffer, static_cast<qsizetype>(length));
}

}  // namespace orvanta::platform
