// Reading the pictures of the window designs.
#include "artwork.h"

#include <QImage>
#include <QImageReader>

namespace orvanta::desktop::artwork {

QPixmap picture(const QString& name) {
  QImageReader reader(name, "png");
  reader.setAutoDetectImageFormat(false);
  return QPixmap::fromImage(reader.read());
}

}  // namespace orvanta::desktop::artwork
