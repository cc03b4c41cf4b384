// MenuButton, the start-up window: a button drawn like an item of a menu
// bar. Its load loads the results window hidden and places the button
// above the right end of the anchor; it keeps itself topmost, and a click
// shows its pressed picture and drops the results window down.
#pragma once

#include "platform/window_system.h"
#include "settings/reg_keys.h"

#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

class QScreen;

namespace orvanta::desktop {

class Windows;

class MenuButton : public QWidget {
  Q_OBJECT

 public:
  MenuButton(const settings::RegKeys& regKeys, platform::WindowSystem& windowSystem, Windows& windows,
             QWidget* parent = nullptr);

  // Loads the results window hidden, then moves the button to the anchor's
  // left and above its top.
  void Form_Load();
  // Unloads the button: timer stopped, hidden. The object stays until the
  // program ends.
  void Unload();
  bool isUnloaded() const { return unloaded_; }
  // Moves the button, as little as needed, no further out than at its
  // default place on the screen that holds it; the settings stay as they
  // are.
  void moveIntoReach();
  // The screens have changed (one added or removed, moved, resized, or a
  // bar took part of one): the button, and the panel while it shows, are
  // moved into reach on the screens there are now.
  void followScreens();

  // What a start with the panel asked for does: as a click on the button
  // (pressed picture, panel dropped), and the panel, already down or not,
  // is activated with the caret in its search box.
  void dropPanel();

  // The pressed picture, hidden until the click.
  QLabel* Image1() const { return image1_; }
  QTimer* Timer1() const { return timer1_; }

  // Geometry in twips.
  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  void setLeft(int twips);
  void setTop(int twips);

 signals:
  void unloaded();

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Form_Resize();
  void Form_Click();
  void keepOnTop();
  void watchScreen(QScreen* screen);

  const settings::RegKeys& regKeys_;
  platform::WindowSystem& windowSystem_;
  Windows& windows_;
  QPixmap idlePicture_;
  QLabel* image1_ = nullptr;
  QTimer* timer1_ = nullptr;
  // The place computed at load, twips.
  qint32 left_ = 0;
  qint32 top_ = 0;
  bool unloaded_ = false;
};

}  // namespace orvanta::desktop
