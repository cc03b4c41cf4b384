// The registry kept in one text file in the registry editor's export format,
// used where there is no Windows registry. Every call reads the file again;
// changes are made under a lock file and land by replacing the whole file, so
// a reader never sees half a write and concurrent writers keep each other's
// values. Only a regular file of bounded size is read: anything else is left
// alone for the whole run, which then goes on with nothing stored. A lock
// that cannot be taken within a second is given up on for the whole run.
#pragma once

#include "registry.h"
#include "registry_file_format.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>

class QLockFile;

namespace orvanta::platform {

class FileRegistry : public Registry {
 public:
  explicit FileRegistry(QString filePath);

  // ${XDG_CONFIG_HOME:-$HOME/.config}/orvanta/registry.reg
  static QString defaultFilePath();

  const QString& filePath() const { return filePath_; }

  // Takes the rights of other users off the file's folder, the file and
  // its companions (the lock, copies moved aside); the paths narrowed.
  QStringList restrictAccess() const;

  // The largest file read; a larger one is left alone.
  static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

  // True once the file was found to be no regular file, or too large: it is
  // not read again, and no write touches it.
  bool fileRefused() const { return refused_; }

  // True once the lock could not be taken within its wait: later writes try
  // it once without waiting, and go ahead without it.
  bool lockGivenUp() const { return lockGivenUp_; }

  // Called once the new content is fully written to its temporary copy,
  // before it replaces the old file; returning false abandons the write.
  // Lets tests break a write at its most delicate point.
  void setBeforeReplaceHook(std::function<bool()> hook) { beforeReplace_ = std::move(hook); }

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
  };

  // The file's current content; empty when there is no file yet, or when it
  // is refused. A file that cannot be parsed is moved aside (under the lock,
  // taken here unless the caller holds it) and reads as empty. Nothing when
  // the file exists but cannot be read. Parsed again only when its bytes
  // changed since the last call.
  std::shared_ptr<const RegFileData> load(bool locked = false);
  // Takes the lock, waiting at most a second the first time; false when it
  // was given up on.
  bool takeLock(QLockFile& lock);
  void refuse(const QString& why);
  // Reads, changes and writes the file back under the lock.
  RegStatus modify(const std::function<RegStatus(RegFileData&)>& change);
  bool writable() const;
  void moveAside(const QString& why);
  RegKeyHandle addHandle(OpenKey key);

  QString filePath_;
  std::map<RegKeyHandle, OpenKey> open_;
  RegKeyHandle nextHandle_ = 1;
  std::function<bool()> beforeReplace_;
  bool refused_ = false;
  bool lockGivenUp_ = false;
  QByteArray cachedBytes_;
  std::shared_ptr<const RegFileData> cached_;
};

}  // namespace orvanta::platform
