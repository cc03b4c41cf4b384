// The one way tests wait: until a condition holds, with a deadline instead
// of a fixed delay.
#pragma once

#include <functional>

namespace orvanta::testing {

// Runs events (deferred deletions included) until `done` holds or
// `timeoutMs` passes; whether it held.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 5000);

// The flavour of the end-to-end tests, which watch other processes (the
// built program, the service, the X server) rather than this one: checks
// `done` every 50 ms without running this process's events, until it holds
// or `timeoutMs` passes; whether it held.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 10000);

}  // namespace orvanta::testing
