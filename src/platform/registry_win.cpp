// The Windows registry through the 8-bit ("ANSI") registry calls, so strings
// travel in the system's code page exactly as the settings store expects.
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

class WindowsRegistry : public Registry {
 public:
  RegStatus openKey(RegRoot root, const QString& path, quint32 access, RegKeyHandle* key) override {
    HKEY handle = nullptr;
    const QByteArray name = path.toLocal8Bit();
    const LONG code = RegOpenKeyExA(rootHandle(root), name.constData(), 0, access, &handle);
    *key = reinterpret_cast<RegKeyHandle>(handle);
    return fromWin32(code);
  }

  RegStatus createKey(RegRoot root, const QString& path, quint32 access, RegKeyHandle* key) override {
    HKEY handle = nullptr;
    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    char keyClass[] = "1";
    const QByteArray name = path.toLocal8Bit();
    const LONG code = RegCreateKeyExA(rootHandle(root), name.constData(), 0, keyClass, REG_OPTION_NON_VOLATILE,
                                      access, &security, &handle, nullptr);
    *key = reinterpret_cast<RegKeyHandle>(handle);
    return fromWin32(code);
  }

  RegStatus queryValue(RegKeyHandle key, const QString& name, quint32 bufferSize, quint32* type,
                       QByteArray* data) override {
    std::vector<BYTE> buffer(bufferSize, 0);
    DWORD size = bufferSize;
    DWORD valueType = 0;
    const QByteArray valueName = name.toLocal8Bit();
    const LONG code = RegQueryValueExA(reinterpret_cast<HKEY>(key), valueName.constData(), nullptr, &valueType,
                                       buffer.data(), &size);
    data->clear();
    if (code == ERROR_SUCCESS) {
      *type = valueType;
      *data = QByteArray(reinterpret_cast<const char*>(buffer.data()), static_cast<qsizetype>(size));
    }
    return fromWin32(code);
  }

  RegStatus setValue(RegKeyHandle key, const QString& name, quint32 type, const QByteArray& data) override {
    const QByteArray valueName = name.toLocal8Bit();
    return fromWin32(RegSetValueExA(reinterpret_cast<HKEY>(key), valueName.constData(), 0, type,
                                    reinterpret_cast<const BYTE*>(data.constData()),
                                    static_cast<DWORD>(data.size())));
  }

  void closeKey(RegKeyHandle key) override {
    if (key != 0) RegCloseKey(reinterpret_cast<HKEY>(key));
  }
};

}  // namespace

std::unique_ptr<Registry> createSystemRegistry() { return std::make_unique<WindowsRegistry>(); }

}  // namespace orvanta::platform
