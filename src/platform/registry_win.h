// The Windows registry backend, with the opening of its keys given from
// outside so that a test can stand in for a machine hive that refuses
// writes.
#pragma once

#include "registry.h"

#include <windows.h>

#include <memory>

namespace orvanta::platform {

// Which hive a key is opened in.
enum class RegHive {
  Machine,  // HKEY_LOCAL_MACHINE
  User,     // HKEY_CURRENT_USER
  Classes,  // HKEY_CLASSES_ROOT
};

// Opens (or, with `create`, creates) the key `path` of `hive` with the
// rights in `access`; a Win32 error code, as RegOpenKeyExW gives.
class RegHiveOpener {
 public:
  virtual ~RegHiveOpener() = default;
  virtual LONG open(RegHive hive, const wchar_t* path, REGSAM access, bool create, HKEY* key) = 0;
};

// The hives of this machine.
std::unique_ptr<RegHiveOpener> createSystemHiveOpener();

// The registry over `hives`. A key under HKEY_LOCAL_MACHINE that the
// account may not change (every standard user on Windows 10 and 11, where
// a 64-bit program gets no virtualization) is written under
// HKEY_CURRENT_USER at the same path instead, and a value is read from the
// user's key first and from the machine's when the user has none.
std::unique_ptr<Registry> createWindowsRegistry(std::unique_ptr<RegHiveOpener> hives);

}  // namespace orvanta::platform
