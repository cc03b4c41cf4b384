// A blocking page fetch for tests that need a real transfer: GET over HTTP
// to a loopback address only, at most 60 seconds.
#pragma once

#include <QString>

#include <optional>

namespace orvanta::testing {

// The answer body as UTF-8 text; nothing when the address is not on this
// machine, the transfer fails or it takes longer than the limit.
std::optional<QString> fetchLoopbackPage(const QString& address);

}  // namespace orvanta::testing
