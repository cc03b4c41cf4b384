// The activation hook of the results window.
#include "module1.h"

#include "form1.h"

namespace orvanta::results_window {

void Module1::HookWindow() {
  if (hooked_) return;
  PreviousWindowProc = windowSystem_.replaceActivationHook([this](bool active) { WindowProc(active); });
  hooked_ = true;
}

void Module1::UnhookWindow() {
  if (!hooked_) return;
  hooked_ = false;
  windowSystem_.replaceActivationHook(PreviousWindowProc);
}

void Module1::WindowProc(bool active) {
  // Kept before CloseForm: unhooking there must not lose the receiver the
  // change goes on to.
  const platform::ActivationHook previous = PreviousWindowProc;
  if (!active && HookedWindow) HookedWindow->CloseForm();
  if (previous) previous(active);
}

}  // namespace orvanta::results_window
