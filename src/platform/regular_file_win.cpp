// The regular-file open on Windows: the file is opened without waiting and
// kept only when the handle is a disk file (not a pipe, a console or a
// device); folders cannot be opened this way at all.
#include "regular_file.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace orvanta::platform {

bool openRegularFile(QFile& file, const QString& path) {
  if (path.isEmpty() || path.contains(QChar(0))) return false;
  const std::wstring name = path.toStdWString();
  HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    return false;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    return false;
  }
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    _close(fd);
    return false;
  }
  return true;
}

}  // namespace orvanta::platform
