// Files and folders that only their owner may use: the settings file, with
// the service's codes, and the search index, with the text of the user's
// documents. They get these rights when they are made, whatever the
// process's file mode mask, and older ones are narrowed at start.
#pragma once

#include <QString>
#include <QStringList>

namespace orvanta::platform {

// Makes the folder at `path` and every missing folder above it, each open
// to its owner only. True when `path` is a folder afterwards.
bool makePrivateFolder(const QString& path);

// Makes an empty file at `path`, open to its owner only, when nothing is
// there; an existing entry is left as it is. True when a file is there
// afterwards.
bool makePrivateFile(const QString& path);

// Takes every right of the group and of others off the file or folder at
// `path` (a link is left alone, never followed). True when rights were
// taken off.
bool restrictToOwner(const QString& path);

// restrictToOwner() for `folder` itself (when `withFolder`) and for each
// entry directly in it whose name starts with `prefix`; the paths whose
// rights were narrowed.
QStringList restrictEntriesToOwner(const QString& folder, const QString& prefix, bool withFolder);

}  // namespace orvanta::platform
