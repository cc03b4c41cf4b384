// The registry kept in one text file in the registry editor's export format,
// used where there is no Windows registry. Every call reads the file again;
// changes are made under a lock file and land by replacing the whole file, so
// a reader never sees half a write and concurrent writers keep each other's
// values.
#pragma once

#include "registry.h"
#include "registry_file_format.h"

#include <QString>

#include <functional>
#include <map>
#include <optional>

namespace orvanta::platform {

class FileRegistry : public Registry {
 public:
  explicit FileRegistry(QString filePath);

  // ${XDG_CONFIG_HOME:-$HOME/.config}/orvanta/registry.reg
  static QString defaultFilePath();

  const QString& filePath() const { return filePath_; }

  // Called once the new content is fully written to its temporary copy,
  // before it replaces the old file; returning false abandons the write.
  // Lets tests break a write at its most delicate point.
  void setBeforeReplaceHook(std::function<bool()> hook) { beforeReplace_ = std::move(hook); }

  // Answers reads under HKEY_CLASSES_ROOT that the file cannot answer
  // (a key or value it does not hold). Read-only: writes never reach it.
  void setClassesRootFallback(Registry* fallback) { classesFallback_ = fallback; }

  RegStatus openKey(RegRoot root, const QString& path, quint32 access, RegKeyHandle* key) override;
  RegStatus createKey(RegRoot root, const QString& path, quint32 access, RegKeyHandle* key) override;
  RegStatus queryValue(RegKeyHandle key, const QString& name, quint32 bufferSize, quint32* type,
                       QByteArray* data) override;
  RegStatus setValue(RegKeyHandle key, const QString& name, quint32 type, const QByteArray& data) override;
  void closeKey(RegKeyHandle key) override;

 private:
  struct OpenKey {
    RegRoot root;
    QString path;
    quint32 access;
    RegKeyHandle fallbackKey = 0;  // the same key opened in the fallback, if any
  };

  // The file's current content; empty when there is no file yet. A file that
  // cannot be parsed is moved aside (under the lock, taken here unless the
  // caller holds it) and reads as empty. Nothing when the file
  // exists but cannot be read.
  std::optional<RegFileData> load(bool locked = false);
  // Reads, changes and writes the file back under the lock.
  RegStatus modify(const std::function<RegStatus(RegFileData&)>& change);
  bool writable() const;
  void moveAside(const QString& why);
  RegKeyHandle addHandle(OpenKey key);

  QString filePath_;
  std::map<RegKeyHandle, OpenKey> open_;
  RegKeyHandle nextHandle_ = 1;
  std::function<bool()> beforeReplace_;
  Registry* classesFallback_ = nullptr;
};

}  // namespace orvanta::platform
