// Narrowing the rights of an index written before it was made private.
#include "index_access.h"

#include "platform/private_files.h"

#include <QFileInfo>
#include <QStringList>

namespace orvanta::service {

void restrictIndexAccess(const QString& databasePath, bool ownFolder, const std::function<void(const QString&)>& log) {
  const QFileInfo database(databasePath);
  const QStringList narrowed =
      platform::restrictEntriesToOwner(database.absolutePath(), database.fileName(), ownFolder);
  if (!narrowed.isEmpty() && log) {
    log(QStringLiteral("local-search-service: other users could read the index; made it this user's alone: %1")
            .arg(narrowed.join(QStringLiteral(", "))));
  }
}

}  // namespace orvanta::service
