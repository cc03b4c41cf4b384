// The one way tests wait: run the event loop until a condition holds, with
// a deadline instead of a fixed delay.
#pragma once

#include <functional>

namespace orvanta::testing {

// Runs events (deferred deletions included) until `done` holds or
// `timeoutMs` passes; whether it held.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 5000);

}  // namespace orvanta::testing
