// The Windows registry through the wide-character registry calls: key
// names, value names and texts travel as UTF-16, so every character a
// setting holds comes back as it was stored, whatever the system's code
// page. The settings store hands texts over as UTF-8. A machine key the
// account may not change is written under HKEY_CURRENT_USER instead.
#include "registry_win.h"

#include <map>
#include <utility>
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

class SystemHiveOpener : public RegHiveOpener {
 public:
  LONG open(RegHive hive, const wchar_t* path, REGSAM access, bool create, HKEY* key) override {
    const HKEY root = hive == RegHive::Machine ? HKEY_LOCAL_MACHINE
                      : hive == RegHive::User  ? HKEY_CURRENT_USER
                                               : HKEY_CLASSES_ROOT;
    if (!create) return RegOpenKeyExW(root, path, 0, access, key);
    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    wchar_t keyClass[] = L"1";
    return RegCreateKeyExW(root, path, 0, keyClass, REG_OPTION_NON_VOLATILE, access, &security, key, nullptr);
  }
};

// An open key: for a machine key, the user's key of the same path beside
// it, which holds what the account could not write under the machine's.
struct OpenKey {
  HKEY main = nullptr;       // the key asked for; null when only the user's exists
  HKEY user = nullptr;       // the user's key of a machine key, when it exists
  bool writeToUser = false;  // the machine refused the rights to write
};

class WindowsRegistry : public Registry {
 public:
  explicit WindowsRegistry(std::unique_ptr<RegHiveOpener> hives) : hives_(std::move(hives)) {}

  ~WindowsRegistry() override {
    for (const auto& [handle, key] : open_) closeHandles(key);
  }

  RegStatus openKey(RegRoot root, const QString& path, quint32 access, RegKeyHandle* key) override {
    return openOrCreate(root, path, access, false, key);
  }

  RegStatus createKey(RegRoot root, const QString& path, quint32 access, RegKeyHandle* key) override {
    return openOrCreate(root, path, access, true, key);
  }

  RegStatus queryValue(RegKeyHandle handle, const QString& name, quint32 bufferSize, quint32* type,
                       QByteArray* data) override {
    data->clear();
    const auto it = open_.find(handle);
    if (it == open_.end()) return RegStatus::Failed;
    // The user's value first, as the system's own redirection read it.
    if (it->second.user) {
      const RegStatus status = query(it->second.user, name, bufferSize, type, data);
      if (status != RegStatus::NotFound || !it->second.main) return status;
    }
    return query(it->second.main, name, bufferSize, type, data);
  }

  RegStatus setValue(RegKeyHandle handle, const QString& name, quint32 type, const QByteArray& data) override {
    const auto it = open_.find(handle);
    if (it == open_.end()) return RegStatus::Failed;
    OpenKey& key = it->second;
    if (!key.writeToUser) {
      const RegStatus status = set(key.main, name, type, data);
      if (status != RegStatus::AccessDenied || !key.user) return status;
      key.writeToUser = true;
    }
    return set(key.user, name, type, data);
  }

  void closeKey(RegKeyHandle handle) override {
    const auto it = open_.find(handle);
    if (it == open_.end()) return;
    closeHandles(it->second);
    open_.erase(it);
  }

 private:
  static RegHive hiveOf(RegRoot root) { return root == RegRoot::LocalMachine ? RegHive::Machine : RegHive::Classes; }

  static void closeHandles(const OpenKey& key) {
    if (key.main) RegCloseKey(key.main);
    if (key.user) RegCloseKey(key.user);
  }

  RegStatus openOrCreate(RegRoot root, const QString& path, quint32 access, bool create, RegKeyHandle* handle) {
    *handle = 0;
    OpenKey key;
    LONG code = hives_->open(hiveOf(root), wide(path), access, create, &key.main);
    if (root == RegRoot::LocalMachine) {
      const bool writing = (access & kKeyWriteRights) != 0;
      if (code == ERROR_ACCESS_DENIED && writing) {
        // The machine's key for reading, where it exists; the writes go
        // to the user's.
        key.main = nullptr;
        if (hives_->open(RegHive::Machine, wide(path), access & ~kKeyWriteRights, false, &key.main) != ERROR_SUCCESS) {
          key.main = nullptr;
        }
        code = hives_->open(RegHive::User, wide(path), access, true, &key.user);
        if (code != ERROR_SUCCESS) key.user = nullptr;
        key.writeToUser = true;
      } else if (code == ERROR_SUCCESS || code == ERROR_FILE_NOT_FOUND) {
        // The user's key of a value written before, when the machine
        // refused; made only when a write needs it.
        const LONG user = hives_->open(RegHive::User, wide(path), access, false, &key.user);
        if (user != ERROR_SUCCESS) key.user = nullptr;
        if (code != ERROR_SUCCESS && user == ERROR_SUCCESS) {
          key.main = nullptr;
          code = ERROR_SUCCESS;
        }
      }
    }
    if (code != ERROR_SUCCESS) {
      closeHandles(key);
      return fromWin32(code);
    }
    *handle = ++lastHandle_;
    open_.emplace(*handle, key);
    return RegStatus::Ok;
  }

  static RegStatus query(HKEY key, const QString& name, quint32 bufferSize, quint32* type, QByteArray* data) {
    if (!key) return RegStatus::NotFound;
    // A text takes up to three bytes of UTF-8 for each two of UTF-16: a
    // buffer of that size holds every text that can fit the caller's.
    std::vector<BYTE> buffer(static_cast<size_t>(bufferSize) * 2 + 2, 0);
    DWORD size = static_cast<DWORD>(buffer.size());
    DWORD valueType = 0;
    const LONG code = RegQueryValueExW(key, wide(name), nullptr, &valueType, buffer.data(), &size);
    if (code == ERROR_MORE_DATA && isText(valueType)) return RegStatus::MoreData;
    if (code != ERROR_SUCCESS) return fromWin32(code);
    const QByteArray bytes =
        isText(valueType) ? textOf(buffer, size) : QByteArray(reinterpret_cast<const char*>(buffer.data()), size);
    *type = valueType;
    if (bytes.size() > static_cast<qsizetype>(bufferSize)) return RegStatus::MoreData;
    *data = bytes;
    return RegStatus::Ok;
  }

  static RegStatus set(HKEY key, const QString& name, quint32 type, const QByteArray& data) {
    if (!key) return RegStatus::AccessDenied;
    QByteArray stored = data;
    if (isText(type)) {
      // The text as UTF-16 with its terminating zero, as the registry's
      // own tools store it.
      const QString text = QString::fromUtf8(data);
      stored = QByteArray(reinterpret_cast<const char*>(text.utf16()), (text.size() + 1) * 2);
    }
    return fromWin32(RegSetValueExW(key, wide(name), 0, type, reinterpret_cast<const BYTE*>(stored.constData()),
                                    static_cast<DWORD>(stored.size())));
  }

  std::unique_ptr<RegHiveOpener> hives_;
  std::map<RegKeyHandle, OpenKey> open_;
  RegKeyHandle lastHandle_ = 0;
};

}  // namespace

std::unique_ptr<RegHiveOpener> createSystemHiveOpener() { return std::make_unique<SystemHiveOpener>(); }

std::unique_ptr<Registry> createWindowsRegistry(std::unique_ptr<RegHiveOpener> hives) {
  return std::make_unique<WindowsRegistry>(std::move(hives));
}

std::unique_ptr<Registry> createSystemRegistry() { return createWindowsRegistry(createSystemHiveOpener()); }

}  // namespace orvanta::platform
