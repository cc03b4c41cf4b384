// The text format of the registry file: the export format of the Windows
// registry editor ("Windows Registry Editor Version 5.00", [KEY] sections,
// "Name"="text", @= for a default value, dword:, hex:, hex(N):).
// Parsing and writing only; the file's locking and replacement live in
// file_registry.cpp.
#pragma once

#include "registry.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace orvanta::platform {

struct RegFileValue {
  QString name;  // empty for the key's default value
  quint32 type = RegSz;
  // The bytes as the registry holds them: string types (REG_SZ,
  // REG_EXPAND_SZ, REG_MULTI_SZ) in UTF-16LE, REG_DWORD little-endian.
  QByteArray data;
};

struct RegFileKey {
  RegRoot root = RegRoot::LocalMachine;
  QString path;  // below the root, components separated by "\", no leading or trailing "\"
  std::vector<RegFileValue> values;
};

// The whole content of a registry file. Key paths and value names compare
// without regard to letter case, as in the Windows registry.
class RegFileData {
 public:
  const std::vector<RegFileKey>& keys() const { return keys_; }

  // The key itself, when it has a section of its own.
  RegFileKey* findKey(RegRoot root, const QString& path);
  const RegFileKey* findKey(RegRoot root, const QString& path) const;

  // True when the key has a section, or one of its subkeys has (a parent of
  // a stored key exists too), or the path is empty (the root itself).
  bool keyExists(RegRoot root, const QString& path) const;

  // Returns the key's section, adding an empty one when it has none.
  RegFileKey& ensureKey(RegRoot root, const QString& path);

  // Removes a key with all its subkeys.
  void removeKey(RegRoot root, const QString& path);

  static const RegFileValue* findValue(const RegFileKey& key, const QString& name);
  static void setValue(RegFileKey& key, RegFileValue value);
  static void removeValue(RegFileKey& key, const QString& name);

 private:
  std::vector<RegFileKey> keys_;
};

// Normalises a key path: "/" is not a separator, repeated, leading and
// trailing "\" are dropped.
QString normaliseKeyPath(const QString& path);

// The text the registry editor uses for a root ("HKEY_LOCAL_MACHINE").
QString rootName(RegRoot root);

// Parses a registry file. On failure returns nothing and describes the first
// problem (with its line number) in `error`.
std::optional<RegFileData> parseRegFile(const QByteArray& bytes, QString* error);

// Writes the data in the registry editor's format, UTF-8 encoded.
QByteArray serializeRegFile(const RegFileData& data);

}  // namespace orvanta::platform
