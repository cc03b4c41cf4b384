// The one QApplication of a widget test program, created on first use.
#pragma once

#include <QApplication>

namespace orvanta::testing {

inline QApplication& qtApplication() {
  static int argc = 1;
  static char name[] = "orvanta-test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    auto* created = new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return created;
  }();
  return *app;
}

}  // namespace orvanta::testing
