// The program's other windows as the results window's CloseForm sees them:
// records each call, and unloads the real results window when asked to.
#pragma once

#include "results_window/form1.h"
#include "results_window/program_windows.h"

#include <QStringList>

namespace orvanta::testing {

class FakeProgramWindows : public results_window::ProgramWindows {
 public:
  // `log`, when given, is shared with the other windows' records and gets
  // every call, the pressed picture's hiding included.
  explicit FakeProgramWindows(QStringList* log = nullptr) : log_(log) {}

  // The window unloadForm1 unloads; none when null.
  results_window::Form1* form1 = nullptr;
  // The windows unloaded, in order.
  QStringList unloaded;

  void hideButtonPressedPicture() override { record(QStringLiteral("hide Image1"), false); }
  void unloadBorderBackground() override { record(QStringLiteral("BorderBackground"), true); }
  void unloadMenuButton() override { record(QStringLiteral("MenuButton"), true); }
  void unloadForm1() override {
    record(QStringLiteral("Form1"), true);
    if (form1) form1->Unload();
  }

 private:
  void record(const QString& call, bool unload) {
    if (log_) log_->append(call);
    if (unload) unloaded << call;
  }

  QStringList* log_;
};

}  // namespace orvanta::testing
