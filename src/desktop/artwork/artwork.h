// The program's pictures, compiled in as resources under ":/artwork".
#pragma once

#include <QPixmap>
#include <QString>

namespace orvanta::desktop {

// The picture named `name` (for example "close_button.png"); a null pixmap
// when there is no such picture.
QPixmap artwork(const QString& name);

}  // namespace orvanta::desktop
