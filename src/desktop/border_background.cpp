// The backdrop window.
#include "border_background.h"

#include "windows.h"
#include "platform/twips.h"
#include "platform/window_geometry.h"

namespace orvanta::desktop {

BorderBackground::BorderBackground(platform::WindowSystem& windowSystem, Windows& windows, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint), windowSystem_(windowSystem), windows_(windows) {
  setObjectName(QStringLiteral("BorderBackground"));
  setWindowTitle(QStringLiteral(" "));
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, QColor(255, 255, 0));
  setPalette(palette);
  setAutoFillBackground(true);
  platform::setWindowGeometry(*this, platform::twipsToPixels(10080, 9180, 2280, 1110));
}

void BorderBackground::Form_Load() { windowSystem_.bringToFront(windows_.form1()); }

void BorderBackground::Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  hide();
  emit unloaded();
}

void BorderBackground::Move(int left, int top, int width, int height) {
  platform::setWindowGeometry(*this, platform::twipsToPixels(left, top, width, height));
}

}  // namespace orvanta::desktop
