// The service's index: the names of the files and folders under its root
// folders, and the lookup of the entries whose name holds every word.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace orvanta::service {

struct IndexEntry {
  QString path;  // full path
  QString name;  // last component
};

using FileIndex = std::vector<IndexEntry>;

// Walks `roots` (hidden entries and symbolic links to folders are not
// followed) and returns every file and folder found, sorted by path.
FileIndex buildIndex(const QStringList& roots);

// The paths of the entries whose name contains every word, ignoring case,
// in index order, at most `limit` of them. No words: no hits.
QStringList findHits(const FileIndex& index, const QStringList& words, int limit);

}  // namespace orvanta::service
