// The embedded browser run in a process of its own. The browser engine is
// large: keeping it out of the program keeps the program's start quick and
// small, and a failing engine cannot take the program down. The browser
// process places its view inside a native child window of ours and speaks
// the line protocol of browser_protocol.h over its standard streams.
#pragma once

#include "browser.h"

#include <QString>
#include <QStringList>

namespace orvanta::platform {

// A factory starting `program` (with `arguments` first, then
// "--parent-window <id>") for each browser. When the program cannot be
// started or ends early, the view stays empty and navigation does nothing.
BrowserFactory processBrowserFactory(QString program, QStringList arguments = {});

// The browser program: in the program's helper folder of an installed
// tree, or beside the program in a build tree. Empty when neither holds
// one.
QString installedBrowserProgram();

// A factory of browsers that only say, in one line in their place, that
// the browser cannot be shown, and ignore navigation.
BrowserFactory missingBrowserFactory(QString message);

}  // namespace orvanta::platform
