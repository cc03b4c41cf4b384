// The one QApplication of a widget test program: it exists from before the
// first test to after the last.
#pragma once

#include <QApplication>

#include <functional>

namespace orvanta::testing {

QApplication& guiApplication();

// Runs events until `done` holds or `timeoutMs` passes; whether it held.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 5000);

}  // namespace orvanta::testing
