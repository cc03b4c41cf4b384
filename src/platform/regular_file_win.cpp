// Regular files on Windows: devices, pipes and folders are not disk files
// there; sizes are checked before reading, and opened handles are kept only
// when they are disk files.
#include "regular_file.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace orvanta::platform {

RegularFileContent readRegularFile(const QString& path, qint64 maxBytes) {
  RegularFileContent content;
  const QFileInfo info(path);
  if (!info.exists()) {
    content.status = RegularFileStatus::Missing;
    return content;
  }
  if (!info.isFile()) {
    content.status = RegularFileStatus::NotRegular;
    return content;
  }
  if (info.size() > maxBytes) {
    content.status = RegularFileStatus::TooLarge;
    return content;
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return content;
  if (file.isSequential()) {
    content.status = RegularFileStatus::NotRegular;
    return content;
  }
  content.bytes = file.read(maxBytes + 1);
  if (content.bytes.size() > maxBytes) {
    content.bytes.clear();
    content.status = RegularFileStatus::TooLarge;
    return content;
  }
  content.status = RegularFileStatus::Read;
  return content;
}

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
