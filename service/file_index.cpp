// Index building and lookup.
#include "file_index.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace orvanta::service {

FileIndex buildIndex(const QStringList& roots) {
  FileIndex index;
  for (const QString& root : roots) {
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      it.next();
      const QFileInfo info = it.fileInfo();
      index.push_back({QDir::toNativeSeparators(info.absoluteFilePath()), info.fileName()});
    }
  }
  std::sort(index.begin(), index.end(), [](const IndexEntry& a, const IndexEntry& b) { return a.path < b.path; });
  index.erase(std::unique(index.begin(), index.end(),
                          [](const IndexEntry& a, const IndexEntry& b) { return a.path == b.path; }),
              index.end());
  return index;
}

QStringList findHits(const FileIndex& index, const QStringList& words, int limit) {
  QStringList hits;
  if (words.isEmpty()) return hits;
  for (const IndexEntry& entry : index) {
    if (hits.size() >= limit) break;
    const bool all = std::all_of(words.cbegin(), words.cend(), [&](const QString& word) {
      return entry.name.contains(word, Qt::CaseInsensitive);
    });
    if (all) hits.append(entry.path);
  }
  return hits;
}

}  // namespace orvanta::service
