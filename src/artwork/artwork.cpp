// Reading the pictures of the window designs.
#include "artwork.h"

#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

namespace orvanta::artwork {
namespace {

QImage readPng(const QString& name) {
  QImageReader reader(name, "png");
  reader.setAutoDetectImageFormat(false);
  return reader.read();
}

}  // namespace

QString doubleSizeName(const QString& name) {
  const qsizetype dot = name.lastIndexOf(u'.');
  const qsizetype slash = name.lastIndexOf(u'/');
  if (dot <= slash) return name + QStringLiteral("@2x");
  return name.left(dot) + QStringLiteral("@2x") + name.mid(dot);
}

QPixmap picture(const QString& name, qreal devicePixelRatio) {
  // As Qt's own lookup does, any ratio above 1 takes the 2x picture and
  // lets the painter bring it to the screen's ratio.
  if (devicePixelRatio > 1.0) {
    const QImage image = readPng(doubleSizeName(name));
    if (!image.isNull()) {
      QPixmap pixmap = QPixmap::fromImage(image);
      pixmap.setDevicePixelRatio(2.0);
      return pixmap;
    }
  }
  return QPixmap::fromImage(readPng(name));
}

QPixmap picture(const QString& name) {
  return picture(name, qGuiApp ? qGuiApp->devicePixelRatio() : 1.0);
}

}  // namespace orvanta::artwork
