// The files the desktop's programs opened lately, as desktop programs keep
// them: the list of recently used files, an XBEL file
// (`$XDG_DATA_HOME/recently-used.xbel`) that each program adds the files
// it opens to, with how often and when.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <vector>

namespace orvanta::service {

struct RecentFile {
  QByteArray path;  // as the file system has it
  int opens = 0;    // by every program together
  QDateTime lastOpened;
};

// The local files of an XBEL list: each bookmark of a "file:" address, its
// opens the sum of its programs' counts, its last open the latest of their
// times (or the bookmark's own, when it names no program).
std::vector<RecentFile> readRecentFiles(const QByteArray& xbel);

// The paths of the files opened at `since` or later, the most often opened
// first, then the last opened first.
std::vector<QByteArray> rankRecentFiles(const std::vector<RecentFile>& files, const QDateTime& since);

// The desktop's list, read again whenever the file changed.
class RecentFilesList {
 public:
  explicit RecentFilesList(QString path = defaultPath()) : path_(std::move(path)) {}

  // The files as the list holds them now.
  const std::vector<RecentFile>& files();

  // `${XDG_DATA_HOME:-$HOME/.local/share}/recently-used.xbel`.
  static QString defaultPath();

 private:
  QString path_;
  QDateTime modified_;
  qint64 size_ = -1;
  std::vector<RecentFile> files_;
};

}  // namespace orvanta::service
