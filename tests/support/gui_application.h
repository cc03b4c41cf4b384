// The one QApplication of a test program: it exists from before the first
// test to after the last.
#pragma once

#include <QApplication>

namespace orvanta::testing {

// The application; made on first use at the latest.
QApplication& guiApplication();

}  // namespace orvanta::testing
