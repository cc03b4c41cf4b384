// Systems without a mount table to read here (Windows): only the user's
// Trash is known.
#include "quiet_places.h"

namespace orvanta::service {

std::vector<MountPoint> readMountTable() { return {}; }

QByteArray trashUserId() { return {}; }

}  // namespace orvanta::service
