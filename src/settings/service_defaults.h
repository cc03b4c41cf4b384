// Where the program reaches the local search service and how the service
// treats its connections unless told otherwise: read by both, so that they
// cannot drift apart.
#pragma once

#include <QtGlobal>

namespace orvanta::settings {

// The loopback TCP port the service listens on and the program asks.
inline constexpr quint16 kServicePort = 4664;

// Seconds after which the service closes an idle connection, or one that has
// not sent a whole request head since it opened or since its last answer.
inline constexpr int kServiceIdleSeconds = 15;

// Connections the service serves at once, over all its listeners.
inline constexpr int kServiceMaxConnections = 256;

}  // namespace orvanta::settings
