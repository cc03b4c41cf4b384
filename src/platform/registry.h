// The registry service: keys under a root, each holding typed values.
// Mirrors the handful of registry calls the settings store needs (open,
// create, query, set, close) so that the same store code runs on the real
// Windows registry and on the file-backed registry used everywhere else.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <memory>

namespace orvanta::platform {

// Predefined root keys, with the numeric handles Windows gives them.
enum class RegRoot : quint32 {
  ClassesRoot = 0x80000000u,
  LocalMachine = 0x80000002u,
};

// Value types, numbered as Windows numbers them.
enum RegType : quint32 {
  RegNone = 0,
  RegSz = 1,
  RegExpandSz = 2,
  RegBinary = 3,
  RegDword = 4,
  RegMultiSz = 7,
  RegQword = 11,
};

// Access rights, as Windows defines them.
inline constexpr quint32 kKeyQueryValue = 0x0001;
inline constexpr quint32 kKeySetValue = 0x0002;
inline constexpr quint32 kKeyCreateSubKey = 0x0004;
inline constexpr quint32 kKeyRead = 0x20019;
inline constexpr quint32 kKeyAllAccess = 0x2003F;
// Rights beyond reading: a key opened with any of them needs write access.
inline constexpr quint32 kKeyWriteRights = 0x0002 | 0x0004 | 0x0020 | 0x00010000 | 0x00040000 | 0x00080000;

enum class RegStatus {
  Ok,
  NotFound,      // no such key or value
  AccessDenied,  // the key cannot be opened or changed with the rights asked for
  MoreData,      // the value's data does not fit the caller's buffer
  Failed,        // any other failure (I/O, bad handle, bad argument)
};

using RegKeyHandle = quintptr;

class Registry {
 public:
  virtual ~Registry() = default;

  // Opens an existing key below `root` with the rights in `access`.
  virtual RegStatus openKey(RegRoot root, const QString& path, quint32 access, RegKeyHandle* key) = 0;

  // Opens `path` below `root`, creating it (and any missing parents) first.
  virtual RegStatus createKey(RegRoot root, const QString& path, quint32 access, RegKeyHandle* key) = 0;

  // Reads one value: string types come back as UTF-8, without the
  // terminating zero the registry may hold. `name` empty means the key's
  // default value. When the data is larger than `bufferSize` bytes (of
  // UTF-8 for string types) the call fails with MoreData and `data` is left
  // empty.
  virtual RegStatus queryValue(RegKeyHandle key, const QString& name, quint32 bufferSize, quint32* type,
                               QByteArray* data) = 0;

  // Stores one value; string types are given as UTF-8.
  virtual RegStatus setValue(RegKeyHandle key, const QString& name, quint32 type, const QByteArray& data) = 0;

  // Releases a handle from openKey or createKey. A zero handle is ignored.
  virtual void closeKey(RegKeyHandle key) = 0;
};

// The registry of this machine: the real one on Windows, the registry file
// in the user's configuration folder elsewhere.
std::unique_ptr<Registry> createSystemRegistry();

}  // namespace orvanta::platform
