// The text format of the registry file: the export format of the Windows
// registry editor in both of its versions ("Windows Registry Editor Version
// 5.00" and "REGEDIT4"), as UTF-8, UTF-16 in either byte order or 8-bit
// text; [KEY] sections, "Name"="text", @= for a default value, dword:, hex:,
// hex(N):. A file that is read and written again keeps, byte for byte, every
// line of a value the program did not change, its comments, and the sections
// of hives the program does not use. Parsing and writing only; the file's
// locking and replacement live in file_registry.cpp.
#pragma once

#include "registry.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <map>
#include <optional>
#include <vector>

namespace orvanta::platform {

struct RegFileValue {
  QString name;  // empty for the key's default value
  quint32 type = RegSz;
  // The bytes as the registry holds them: string types (REG_SZ,
  // REG_EXPAND_SZ, REG_MULTI_SZ) in UTF-16LE, REG_DWORD little-endian.
  QByteArray data;
  // The file's own bytes: `lead` holds the blank and comment lines before
  // the value, `source` the value's line(s) as read; `source` is empty for a
  // value made or changed since, which is written out in the file's form.
  QByteArray lead{};
  QByteArray source{};
};

class RegFileData;

struct RegFileKey {
  RegRoot root = RegRoot::LocalMachine;
  QString path;  // below the root, components separated by "\", no leading or trailing "\"
  std::vector<RegFileValue> values;
  // The blank and comment lines before the section and its [KEY] line, as
  // read; for a section of another hive, the whole section.
  QByteArray lead{};
  QByteArray source{};
  // A section of a hive the program does not use ([HKEY_CURRENT_USER\...]):
  // not looked into, written back as it was read.
  bool otherHive = false;

 private:
  friend class RegFileData;
  friend std::optional<RegFileData> parseRegFile(const QByteArray& bytes, QString* error);
  // Case-folded value name to its place in `values`; rebuilt when it no
  // longer matches.
  mutable QHash<QString, qsizetype> index_;
  const RegFileValue* lookUp(const QString& name) const;
};

// The encoding of a registry file's text.
enum class RegFileEncoding {
  Utf8,     // 8-bit text: lines that are not valid UTF-8 read as Windows-1252
  Utf16Le,  // the registry editor's own export
  Utf16Be,
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

  static const RegFileValue* findValue(const RegFileKey& key, const QString& name);
  // Stores a value. A value that already holds the same type and data is
  // left as it is, its text in the file included.
  static void setValue(RegFileKey& key, RegFileValue value);

  RegFileEncoding encoding() const { return encoding_; }
  // The file has the "REGEDIT4" header: 8-bit strings in hex(N) data.
  bool isRegedit4() const { return regedit4_; }

 private:
  friend std::optional<RegFileData> parseRegFile(const QByteArray& bytes, QString* error);
  friend QByteArray serializeRegFile(const RegFileData& data);

  void rebuildKeyIndex();

  std::vector<RegFileKey> keys_;
  // Root name and case-folded path ("HKEY_LOCAL_MACHINE\software\orvanta")
  // to the key's place in `keys_`; ordered, so that a key's subkeys follow
  // it.
  std::map<QString, size_t> keyIndex_;

  // The form of the file as read, kept for writing it back.
  RegFileEncoding encoding_ = RegFileEncoding::Utf8;
  bool regedit4_ = false;
  bool windows1252Lines_ = false;  // some 8-bit line was not UTF-8
  bool headerSeen_ = false;
  QString lineEnd_ = QStringLiteral("\n");
  QByteArray prelude_;   // byte-order mark, header line and what precedes it
  QByteArray epilogue_;  // blank and comment lines after the last section
};

// Normalises a key path: "/" is not a separator, repeated, leading and
// trailing "\" are dropped.
QString normaliseKeyPath(const QString& path);

// The text the registry editor uses for a root ("HKEY_LOCAL_MACHINE").
QString rootName(RegRoot root);

// Parses a registry file in any of the forms above, in time linear in its
// size. On failure returns nothing and describes the first problem (with its
// line number) in `error`. Lines that delete a key or a value ([-KEY],
// "name"=-) take effect and are not kept.
std::optional<RegFileData> parseRegFile(const QByteArray& bytes, QString* error);

// Writes the data back in the form it was read in (encoding, header, line
// ends), every kept line as it was; a new file is UTF-8 with the
// "Windows Registry Editor Version 5.00" header.
QByteArray serializeRegFile(const RegFileData& data);

}  // namespace orvanta::platform
