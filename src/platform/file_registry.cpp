// The registry file: reading, locking and atomic replacement.
#include "file_registry.h"

#include "private_files.h"
#include "regular_file.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

#include <cstdio>

namespace orvanta::platform {
namespace {

constexpr int kLockWaitMs = 1000;
constexpr int kLockPollMs = 10;

QByteArray utf16LeToUtf8(const QByteArray& bytes) {
  QString text;
  text.reserve(bytes.size() / 2);
  for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
    text.append(QChar(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8))));
  }
  return text.toUtf8();
}

QByteArray utf8ToUtf16Le(const QByteArray& bytes) {
  const QString text = QString::fromUtf8(bytes);
  QByteArray out;
  out.reserve(text.size() * 2);
  for (QChar c : text) {
    out.append(static_cast<char>(c.unicode() & 0xff));
    out.append(static_cast<char>(c.unicode() >> 8));
  }
  return out;
}

bool isStringType(quint32 type) { return type == RegSz || type == RegExpandSz || type == RegMultiSz; }

}  // namespace

FileRegistry::FileRegistry(QString filePath) : filePath_(std::move(filePath)) {}

QString FileRegistry::defaultFilePath() {
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
  return base + QStringLiteral("/orvanta/registry.reg");
}

bool FileRegistry::writable() const {
  const QFileInfo file(filePath_);
  if (!file.exists()) return true;  // the first write creates it
  // The owner's write bit is checked as well as access(), so that a file
  // marked read-only stays read-only for an administrator too.
  return file.isWritable() && file.permissions().testFlag(QFileDevice::WriteOwner);
}

QStringList FileRegistry::restrictAccess() const {
  const QFileInfo file(filePath_);
  // The folder is the program's own: it and the registry file's companions
  // (its lock, copies kept aside) are narrowed with it.
  return restrictEntriesToOwner(file.absolutePath(), file.fileName(), true);
}

void FileRegistry::moveAside(const QString& why) {
  const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
  QString target = filePath_ + QStringLiteral(".corrupt-") + stamp;
  for (int n = 1; QFileInfo::exists(target); ++n) {
    target = filePath_ + QStringLiteral(".corrupt-") + stamp + QLatin1Char('-') + QString::number(n);
  }
  if (QFile::rename(filePath_, target)) {
    std::fprintf(stderr, "orvanta: registry file %s could not be read (%s); kept it as %s and started empty\n",
                 qUtf8Printable(filePath_), qUtf8Printable(why), qUtf8Printable(target));
  } else {
    std::fprintf(stderr, "orvanta: registry file %s could not be read (%s) nor moved to %s\n",
                 qUtf8Printable(filePath_), qUtf8Printable(why), qUtf8Printable(target));
  }
}

void FileRegistry::refuse(const QString& why) {
  refused_ = true;
  std::fprintf(stderr, "orvanta: registry file %s is left alone (%s); the program runs on its default settings\n",
               qUtf8Printable(filePath_), qUtf8Printable(why));
}

bool FileRegistry::takeLock(QLockFile& lock) {
  // Polled rather than left to QLockFile's own wait, whose retries grow
  // apart: a lock that another writer holds for a moment is taken as soon
  // as it is free.
  QDeadlineTimer deadline(lockGivenUp_ ? 0 : kLockWaitMs);
  for (;;) {
    if (lock.tryLock(0)) return true;
    if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired()) break;
    QThread::msleep(kLockPollMs);
  }
  if (!lockGivenUp_) {
    lockGivenUp_ = true;
    std::fprintf(stderr, "orvanta: the lock %s of the registry file cannot be taken; settings are written without it\n",
                 qUtf8Printable(lock.fileName()));
  }
  return false;
}

std::shared_ptr<const RegFileData> FileRegistry::load(bool locked) {
  static const auto empty = std::make_shared<const RegFileData>();
  if (refused_) return empty;
  RegularFileContent content = readRegularFile(filePath_, kMaxFileBytes);
  switch (content.status) {
    case RegularFileStatus::Read:
      break;
    case RegularFileStatus::Missing:
      return empty;
    case RegularFileStatus::Unreadable:
      return nullptr;
    case RegularFileStatus::NotRegular:
      refuse(QStringLiteral("it is not a regular file"));
      return empty;
    case RegularFileStatus::TooLarge:
      refuse(QStringLiteral("it is larger than %1 MiB").arg(kMaxFileBytes / (1024 * 1024)));
      return empty;
  }
  if (cached_ && content.bytes == cachedBytes_) return cached_;
  QString error;
  if (auto data = parseRegFile(content.bytes, &error)) {
    cachedBytes_ = std::move(content.bytes);
    cached_ = std::make_shared<const RegFileData>(std::move(*data));
    return cached_;
  }

  // Move the damaged file aside under the lock, after checking that no
  // writer has replaced it in the meantime.
  QLockFile lock(filePath_ + QStringLiteral(".lock"));
  if (!locked) takeLock(lock);
  const RegularFileContent again = readRegularFile(filePath_, kMaxFileBytes);
  if (again.status != RegularFileStatus::Read) return empty;
  if (again.bytes != content.bytes) {
    if (auto data = parseRegFile(again.bytes, &error)) return std::make_shared<const RegFileData>(std::move(*data));
  }
  moveAside(error);
  return empty;
}

RegStatus FileRegistry::modify(const std::function<RegStatus(RegFileData&)>& change) {
  if (refused_) return RegStatus::Failed;
  if (!writable()) return RegStatus::AccessDenied;
  const QFileInfo info(filePath_);
  // The file holds the service's codes: its folder, the file, its lock and
  // the copy that replaces it are the user's alone.
  if (!makePrivateFolder(info.absolutePath())) return RegStatus::Failed;

  // Without the lock the write still lands whole; only a writer at the same
  // moment could lose its value.
  QLockFile lock(filePath_ + QStringLiteral(".lock"));
  lock.setStaleLockTime(30000);
  if (takeLock(lock)) restrictToOwner(lock.fileName());

  // Read again under the lock: another program may have written meanwhile.
  const auto loaded = load(true);
  if (!loaded || refused_) return RegStatus::Failed;
  RegFileData data = *loaded;
  const QByteArray before = serializeRegFile(data);
  const RegStatus status = change(data);
  if (status != RegStatus::Ok) return status;
  const QByteArray after = serializeRegFile(data);
  if (after == before && QFileInfo::exists(filePath_)) return RegStatus::Ok;

  QSaveFile out(filePath_);
  if (!out.open(QIODevice::WriteOnly)) return RegStatus::Failed;
  // The copy takes the rights of the file it replaces, or the umask's.
  out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  if (out.write(after) != after.size() || !out.flush()) {
    out.cancelWriting();
    out.commit();
    return RegStatus::Failed;
  }
  if (beforeReplace_ && !beforeReplace_()) {
    out.cancelWriting();
    out.commit();
    return RegStatus::Failed;
  }
  if (!out.commit()) return RegStatus::Failed;
  // The next read finds these bytes and need not parse them again.
  cachedBytes_ = after;
  cached_ = std::make_shared<const RegFileData>(std::move(data));
  return RegStatus::Ok;
}

RegKeyHandle FileRegistry::addHandle(OpenKey key) {
  const RegKeyHandle handle = nextHandle_++;
  open_.emplace(handle, std::move(key));
  return handle;
}

RegStatus FileRegistry::openKey(RegRoot root, const QString& path, quint32 access, RegKeyHandle* key) {
  *key = 0;
  const bool wantsWrite = (access & kKeyWriteRights) != 0;
  const auto data = load();
  if (!data) return RegStatus::Failed;
  if (!data->keyExists(root, path)) return RegStatus::NotFound;
  if (wantsWrite && !writable()) return RegStatus::AccessDenied;
  *key = addHandle(OpenKey{root, normaliseKeyPath(path), access});
  return RegStatus::Ok;
}

RegStatus FileRegistry::createKey(RegRoot root, const QString& path, quint32 access, RegKeyHandle* key) {
  *key = 0;
  if ((access & kKeyWriteRights) != 0 && !writable()) return RegStatus::AccessDenied;
  const auto data = load();
  if (!data) return RegStatus::Failed;
  if (!data->findKey(root, path)) {
    const RegStatus status = modify([&](RegFileData& current) {
      current.ensureKey(root, path);
      return RegStatus::Ok;
    });
    if (status != RegStatus::Ok) return status;
  }
  *key = addHandle(OpenKey{root, normaliseKeyPath(path), access});
  return RegStatus::Ok;
}

RegStatus FileRegistry::queryValue(RegKeyHandle key, const QString& name, quint32 bufferSize, quint32* type,
                                   QByteArray* data) {
  data->clear();
  const auto it = open_.find(key);
  if (it == open_.end()) return RegStatus::Failed;
  const OpenKey& open = it->second;
  if ((open.access & kKeyQueryValue) == 0) return RegStatus::AccessDenied;
  const auto content = load();
  if (!content) return RegStatus::Failed;
  const RegFileKey* stored = content->findKey(open.root, open.path);
  const RegFileValue* value = stored ? RegFileData::findValue(*stored, name) : nullptr;
  if (!value) return RegStatus::NotFound;
  const QByteArray bytes = isStringType(value->type) ? utf16LeToUtf8(value->data) : value->data;
  *type = value->type;
  if (bytes.size() > static_cast<qsizetype>(bufferSize)) return RegStatus::MoreData;
  *data = bytes;
  return RegStatus::Ok;
}

RegStatus FileRegistry::setValue(RegKeyHandle key, const QString& name, quint32 type, const QByteArray& data) {
  const auto it = open_.find(key);
  if (it == open_.end()) return RegStatus::Failed;
  const OpenKey open = it->second;
  if ((open.access & kKeySetValue) == 0) return RegStatus::AccessDenied;
  RegFileValue value{name, type, isStringType(type) ? utf8ToUtf16Le(data) : data};
  return modify([&](RegFileData& current) {
    RegFileData::setValue(current.ensureKey(open.root, open.path), value);
    return RegStatus::Ok;
  });
}

void FileRegistry::closeKey(RegKeyHandle key) { open_.erase(key); }

}  // namespace orvanta::platform
