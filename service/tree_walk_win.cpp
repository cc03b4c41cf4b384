// Tree walking on Windows through Qt's directory iterator (names there are
// UTF-16 and always convert), and the thread priorities of Windows.
#include "tree_walk.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QThread>

#include <windows.h>

#include <vector>

namespace orvanta::service {

namespace {

DiskEntry entryOf(const QFileInfo& info) {
  DiskEntry entry;
  entry.path = info.absoluteFilePath().toUtf8();
  entry.name = info.fileName().toUtf8();
  entry.isFolder = info.isDir() && !info.isSymLink();
  entry.isRegular = info.isFile() && !info.isSymLink();
  entry.mtime = info.lastModified().toMSecsSinceEpoch() * 1'000'000;
  entry.size = entry.isFolder ? 0 : info.size();
  return entry;
}

}  // namespace

std::optional<DiskEntry> statEntry(const QByteArray& path) {
  const QFileInfo info(QString::fromUtf8(path));
  if (!info.exists() && !info.isSymLink()) return std::nullopt;
  return entryOf(info);
}

void walkTree(const QByteArray& root, const std::function<bool(const DiskEntry&)>& visit,
              const std::function<bool()>& keepGoing, const std::function<bool(const QByteArray& path)>& passBy) {
  std::vector<QString> folders{QString::fromUtf8(root)};
  while (!folders.empty()) {
    if (keepGoing && !keepGoing()) return;
    const QString folder = folders.back();
    folders.pop_back();
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden);
    while (it.hasNext()) {
      it.next();
      if (passBy && passBy(it.filePath().toUtf8())) continue;
      const DiskEntry entry = entryOf(it.fileInfo());
      if (visit(entry) && entry.isFolder) folders.push_back(it.filePath());
    }
  }
}

qintptr lockFile(const QByteArray& path, qint64* holder) {
  // Opened without sharing: nobody else opens it until the handle closes,
  // which the system does when the process ends.
  const std::wstring name = QString::fromUtf8(path).toStdWString();
  const HANDLE file =
      CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (holder) *holder = 0;
  if (file == INVALID_HANDLE_VALUE) return -1;
  const QByteArray pid = QByteArray::number(qint64(GetCurrentProcessId())) + '\n';
  DWORD written = 0;
  SetEndOfFile(file);
  WriteFile(file, pid.constData(), static_cast<DWORD>(pid.size()), &written, nullptr);
  return reinterpret_cast<qintptr>(file);
}

void unlockFile(qintptr handle) {
  if (handle != -1) CloseHandle(reinterpret_cast<HANDLE>(handle));
}

bool mayRead(const QByteArray& path) { return QFileInfo(QString::fromUtf8(path)).isReadable(); }

bool isTaggedCache(const QByteArray& path) {
  return QFileInfo(QString::fromUtf8(path) + QStringLiteral("/CACHEDIR.TAG")).isFile();
}

void lowerThreadPriority() { QThread::currentThread()->setPriority(QThread::IdlePriority); }

}  // namespace orvanta::service
