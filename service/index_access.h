// Who may read the index: it holds the names and the text of the user's
// documents, so its folder and files are the user's alone.
#pragma once

#include <QString>

#include <functional>

namespace orvanta::service {

// Takes the rights of other users off the index database at
// `databasePath`, its companions (the write-ahead log, the shared memory
// file, damaged copies kept aside) and, when `ownFolder` (the service's
// default folder rather than one the user named), its folder. Says in one
// line what it narrowed, when anything.
void restrictIndexAccess(const QString& databasePath, bool ownFolder, const std::function<void(const QString&)>& log);

}  // namespace orvanta::service
