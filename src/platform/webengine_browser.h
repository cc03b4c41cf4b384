// The embedded browser on Qt WebEngine. The engine is set up when the first
// browser is made, so a program that never opens one never starts it. It
// sends no traffic of its own: no background networking, no component
// updates, no crash reports, no prefetching; and it loads nothing from
// outside this machine.
#pragma once

#include "browser.h"

class QUrl;

namespace orvanta::platform {

// A factory making WebEngine browsers, each on a private in-memory profile
// (nothing is written to disk).
BrowserFactory webEngineBrowserFactory();

// The switches handed to the engine: the settings above, and no sandbox
// when the process runs with root rights (the sandbox cannot start then).
QString browserEngineSwitches(bool runningAsRoot);

// Whether the browser may request `url`: addresses that go over the network
// only on this machine's loopback ("localhost", 127.0.0.0/8, ::1); local
// schemes (data:, about:, file:, ...) always.
bool browserMayLoad(const QUrl& url);

// Whether this process runs with root rights.
bool processRunsAsRoot();

}  // namespace orvanta::platform
