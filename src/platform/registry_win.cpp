// The Windows registry through the wide-character registry calls: key
// names, value names and texts travel as UTF-16, so every character a
// setting holds comes back as it was stored, whatever the system's code
// page. The settings store hands texts over as UTF-8.
#include "registry.h"

#include <windows.h>

#include <vector>

namespace orvanta::platform {
namespace {

RegStatus fromWin32(LONG code) {
  switch (code) {
    case ERROR_SUCCESS: return RegStatus::Ok;
    case ERROR_FILE_NOT_FOUND: return RegStatus::NotFound;
    case ERROR_ACCESS_DENIED: return RegStatus::AccessDenied;
    case ERROR_MORE_DATA: return RegStatus::MoreData;
    default: return RegStatus::Failed;
  }
}

HKEY rootHandle(RegRoot root) { return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<quint32>(root))); }

const wchar_t* wide(const QString& text) { return reinterpret_cast<const wchar_t*>(text.utf16()); }

bool isText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// The UTF-8 of a stored text, without the one terminating zero the
// registry usually holds after it.
QByteArray textOf(const std::vector<BYTE>& buffer, DWORD size) {
  qsizetype units = static_cast<qsizetype>(size / 2);
  const auto* chars = reinterpret_cast<const char16_t*>(buffer.data());
  if (units > 0 && chars[units - 1] == 0) --units;
  return QString::fromUtf16(chars, units).toUtf8();
}

class WindowsRegistry : public Registry {
 public:
  RegStatus openKey(RegRoot root, const QString& path, quint32 access, RegKeyHandle* key) override {
    HKEY handle = nullptr;
    const LONG code = RegOpenKeyExW(rootHandle(root), wide(path), 0, access, &handle);
    *key = reinterpret_cast<RegKeyHandle>(handle);
    return fromWin32(code);
  }

  RegStatus createKey(RegRoot root, const QString& path, quint32 access, RegKeyHandle* key) override {
    HKEY handle = nullptr;
    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    wchar_t keyClass[] = L"1";
    const LONG code = RegCreateKeyExW(rootHandle(root), wide(path), 0, keyClass, REG_OPTION_NON_VOLATILE, access,
                                      &security, &handle, nullptr);
    *key = reinterpret_cast<RegKeyHandle>(handle);
    return fromWin32(code);
  }

  RegStatus queryValue(RegKeyHandle key, const QString& name, quint32 bufferSize, quint32* type,
                       QByteArray* data) override {
    data->clear();
    const auto handle = reinterpret_cast<HKEY>(key);
    // A text takes up to three bytes of UTF-8 for each two of UTF-16: a
    // buffer of that size holds every text that can fit the caller's.
    std::vector<BYTE> buffer(static_cast<size_t>(bufferSize) * 2 + 2, 0);
    DWORD size = static_cast<DWORD>(buffer.size());
    DWORD valueType = 0;
    const LONG code = RegQueryValueExW(handle, wide(name), nullptr, &valueType, buffer.data(), &size);
    if (code == ERROR_MORE_DATA && isText(valueType)) return RegStatus::MoreData;
    if (code != ERROR_SUCCESS) return fromWin32(code);
    const QByteArray bytes = isText(valueType)
                                 ? textOf(buffer, size)
                                 : QByteArray(reinterpret_cast<const char*>(buffer.data()), size);
    *type = valueType;
    if (bytes.size() > static_cast<qsizetype>(bufferSize)) return RegStatus::MoreData;
    *data = bytes;
    return RegStatus::Ok;
  }

  RegStatus setValue(RegKeyHandle key, const QString& name, quint32 type, const QByteArray& data) override {
    QByteArray stored = data;
    if (isText(type)) {
      // The text as UTF-16 with its terminating zero, as the registry's
      // own tools store it.
      const QString text = QString::fromUtf8(data);
      stored = QByteArray(reinterpret_cast<const char*>(text.utf16()), (text.size() + 1) * 2);
    }
    return fromWin32(RegSetValueExW(reinterpret_cast<HKEY>(key), wide(name), 0, type,
                                    reinterpret_cast<const BYTE*>(stored.constData()),
                                    static_cast<DWORD>(stored.size())));
  }

  void closeKey(RegKeyHandle key) override {
    if (key != 0) RegCloseKey(reinterpret_cast<HKEY>(key));
  }
};

}  // namespace

std::unique_ptr<Registry> createSystemRegistry() { return std::make_unique<WindowsRegistry>(); }

}  // namespace orvanta::platform
