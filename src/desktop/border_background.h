// BorderBackground, the plain yellow backdrop that the preferences window
// draws around the results window while the anchor moves. Its load brings
// the results window to the front.
#pragma once

#include "platform/window_system.h"

#include <QWidget>

namespace orvanta::desktop {

class Windows;

class BorderBackground : public QWidget {
  Q_OBJECT

 public:
  BorderBackground(platform::WindowSystem& windowSystem, Windows& windows, QWidget* parent = nullptr);

  void Form_Load();
  // Unloads the backdrop: hidden; the object stays until the program ends.
  void Unload();
  bool isUnloaded() const { return unloaded_; }

  // Moves and sizes the backdrop, twips.
  void Move(int left, int top, int width, int height);

 signals:
  void unloaded();

 private:
  platform::WindowSystem& windowSystem_;
  Windows& windows_;
  bool unloaded_ = false;
};

}  // namespace orvanta::desktop
