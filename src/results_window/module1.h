// The activation hook of the results window: while it is installed, the
// application losing activation to another application closes every
// window first, and the change then goes on to the receiver it replaced.
#pragma once

#include "platform/window_system.h"

namespace orvanta::results_window {

class Form1;

class Module1 {
 public:
  explicit Module1(platform::WindowSystem& windowSystem) : windowSystem_(windowSystem) {}

  // The window whose CloseForm a deactivation calls; set once at load.
  Form1* HookedWindow = nullptr;

  // Installs WindowProc as the receiver of activation changes and keeps
  // the receiver it replaced.
  void HookWindow();
  // Puts the replaced receiver back. Harmless when repeated or when not
  // hooked.
  void UnhookWindow();
  // One activation change: a deactivation calls CloseForm on the hooked
  // window, then every change goes on to the previous receiver.
  void WindowProc(bool active);

 private:
  platform::WindowSystem& windowSystem_;
  platform::ActivationHook PreviousWindowProc;
  bool hooked_ = false;
};

}  // namespace orvanta::results_window
