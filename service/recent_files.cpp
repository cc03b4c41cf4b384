// Reading the desktop's list of recently used files.
#include "recent_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <algorithm>
#include <optional>

namespace orvanta::service {

namespace {

// A time as the list writes it: ISO 8601 (fractions of a second allowed),
// or seconds since 1970 in the older form of an application's stamp.
QDateTime timeOf(QStringView text) {
  QDateTime time = QDateTime::fromString(text.toString(), Qt::ISODateWithMs);
  if (!time.isValid()) {
    // Qt reads at most milliseconds: drop the further digits.
    const qsizetype dot = text.indexOf(u'.');
    if (dot > 0) {
      qsizetype end = dot + 1;
      while (end < text.size() && text[end].isDigit()) ++end;
      const QString trimmed = text.first(std::min(end, dot + 4)).toString() + text.sliced(end).toString();
      time = QDateTime::fromString(trimmed, Qt::ISODateWithMs);
    }
  }
  return time;
}

// The path of a "file:" address, as bytes; empty for any other address.
QByteArray pathOf(QStringView href) {
  if (!href.startsWith(QLatin1StringView("file://"))) return {};
  const QStringView rest = href.sliced(7);
  const qsizetype slash = rest.indexOf(u'/');
  if (slash < 0) return {};
  const QStringView host = rest.first(slash);
  if (!host.isEmpty() && host != QLatin1StringView("localhost")) return {};
  return QByteArray::fromPercentEncoding(rest.sliced(slash).toUtf8());
}

}  // namespace

std::vector<RecentFile> readRecentFiles(const QByteArray& xbel) {
  std::vector<RecentFile> files;
  QXmlStreamReader reader(xbel);
  // The bookmark being read: its own time and its programs' latest.
  std::optional<RecentFile> current;
  QDateTime bookmarkTime;
  QDateTime programTime;
  const auto finish = [&] {
    if (!current) return;
    current->lastOpened = programTime.isValid() ? programTime : bookmarkTime;
    current->opens = std::max(current->opens, 1);
    files.push_back(*std::move(current));
    current.reset();
  };
  while (!reader.atEnd()) {
    const QXmlStreamReader::TokenType token = reader.readNext();
    if (token == QXmlStreamReader::EndElement && reader.name() == QLatin1StringView("bookmark")) finish();
    if (token != QXmlStreamReader::StartElement) continue;
    const QXmlStreamAttributes attributes = reader.attributes();
    if (reader.name() == QLatin1StringView("bookmark")) {
      finish();
      const QByteArray path = pathOf(attributes.value(QLatin1StringView("href")));
      if (path.isEmpty()) continue;
      current = RecentFile{path, 0, {}};
      bookmarkTime = timeOf(attributes.value(QLatin1StringView("visited")));
      const QDateTime modified = timeOf(attributes.value(QLatin1StringView("modified")));
      if (!bookmarkTime.isValid() || (modified.isValid() && modified > bookmarkTime)) bookmarkTime = modified;
      programTime = QDateTime();
    } else if (current && reader.name() == QLatin1StringView("application")) {
      current->opens += std::max(attributes.value(QLatin1StringView("count")).toInt(), 1);
      QDateTime time = timeOf(attributes.value(QLatin1StringView("modified")));
      if (!time.isValid()) {
        bool ok = false;
        const qint64 seconds = attributes.value(QLatin1StringView("timestamp")).toLongLong(&ok);
        if (ok) time = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
      }
      if (time.isValid() && (!programTime.isValid() || time > programTime)) programTime = time;
    }
  }
  finish();
  return files;
}

std::vector<QByteArray> rankRecentFiles(const std::vector<RecentFile>& files, const QDateTime& since) {
  std::vector<const RecentFile*> recent;
  for (const RecentFile& file : files) {
    if (file.lastOpened.isValid() && file.lastOpened >= since) recent.push_back(&file);
  }
  std::stable_sort(recent.begin(), recent.end(), [](const RecentFile* a, const RecentFile* b) {
    return a->opens != b->opens ? a->opens > b->opens : a->lastOpened > b->lastOpened;
  });
  std::vector<QByteArray> paths;
  paths.reserve(recent.size());
  for (const RecentFile* file : recent) {
    if (std::find(paths.cbegin(), paths.cend(), file->path) == paths.cend()) paths.push_back(file->path);
  }
  return paths;
}

const std::vector<RecentFile>& RecentFilesList::files() {
  const QFileInfo info(path_);
  const QDateTime modified = info.exists() ? info.lastModified() : QDateTime();
  const qint64 size = info.exists() ? info.size() : -1;
  if (modified == modified_ && size == size_) return files_;
  modified_ = modified;
  size_ = size;
  files_.clear();
  QFile file(path_);
  // The list is small; a file of more than 64 MiB is no list of ours.
  if (info.isFile() && size <= 64 * 1024 * 1024 && file.open(QIODevice::ReadOnly))
    files_ = readRecentFiles(file.readAll());
  return files_;
}

QString RecentFilesList::defaultPath() {
  QString data = qEnvironmentVariable("XDG_DATA_HOME");
  if (data.isEmpty() || !QDir::isAbsolutePath(data)) data = QDir::homePath() + QStringLiteral("/.local/share");
  return data + QStringLiteral("/recently-used.xbel");
}

}  // namespace orvanta::service
