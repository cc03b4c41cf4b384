// Socket owners where the system has no socket tables to read: unknown.
#include "socket_owner.h"

namespace orvanta::service {

std::optional<unsigned> connectionPeerOwner(const sockaddr*, const sockaddr*) { return std::nullopt; }

std::optional<unsigned> listeningPortOwner(unsigned short) { return std::nullopt; }

bool canTellPeerOwners() { return false; }

std::optional<unsigned> currentUserId() { return std::nullopt; }

}  // namespace orvanta::service
