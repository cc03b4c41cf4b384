// The Windows directory from kernel32.
#include "windows_directory.h"

#include <windows.h>

namespace orvanta::platform {

QString windowsDirectory() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const UINT length = ::GetWindowsDirectoryW(buffer, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return QString();
  return QString::fromWCharArray(buffer, static_cast<qsizetype>(length));
}

}  // namespace orvanta::platform
