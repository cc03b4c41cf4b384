// Draws the program's artwork: the panel background, the progress strip,
// the category and row icons, the close button and the two faces of the
// menu-bar button, each at 1x and at 2x (NAME@2x.png, the same drawing on a
// canvas of twice the size). The PNG files beside this file are its output; run
//   orvanta_draw_artwork <folder>
// to draw them again. With --application-icons NAME it draws the
// program's icon for the desktop's menus instead, as an icon theme's
// folders (<size>x<size>/apps/NAME.png and scalable/apps/NAME.svg); the
// build does that for the installed tree.
#include <QCommandLineParser>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPaintDevice>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSvgGenerator>
#include <QtMath>

#include <cstdio>
#include <functional>

namespace {

// A picture of width x height pixels at `scale` device pixels to a pixel:
// a painter on it draws in the 1x coordinates, so every scale comes from
// the same drawing.
QImage canvas(int width, int height, QColor fill, int scale) {
  QImage image(width * scale, height * scale, QImage::Format_RGB32);
  image.setDevicePixelRatio(scale);
  image.fill(fill);
  return image;
}

// Aliased strokes one pixel wide cover the pixel row or column at their
// coordinate. On a canvas with more device pixels to a pixel the pen widens
// evenly around the coordinate instead, so while this lives the strokes move
// by half a pixel there and cover the same rows and columns as at 1x.
class AliasedStrokes {
 public:
  explicit AliasedStrokes(QPainter& p) : p_(p) {
    p_.save();
    if (p_.device()->devicePixelRatio() > 1) p_.translate(0.5, 0.5);
  }
  ~AliasedStrokes() { p_.restore(); }
  AliasedStrokes(const AliasedStrokes&) = delete;
  AliasedStrokes& operator=(const AliasedStrokes&) = delete;

 private:
  QPainter& p_;
};

// The panel: a blue header bar with the name and a rounded search field, a
// lightly striped body with the caption column divider, and a magenta field
// right of the panel's 341 pixels.
QImage panelBackground(int scale) {
  QImage image = canvas(814, 2000, QColor(255, 0, 255), scale);
  QPainter p(&image);
  const int panelWidth = 341;

  {
    const AliasedStrokes aligned(p);
    for (int y = 32; y < 2000; ++y) {
      p.setPen(y % 2 == 0 ? QColor(247, 247, 247) : QColor(244, 244, 244));
      p.drawLine(0, y, panelWidth - 1, y);
    }
  }
  QLinearGradient header(0, 0, 0, 31);
  header.setColorAt(0.0, QColor(36, 115, 233));
  header.setColorAt(1.0, QColor(0, 100, 232));
  p.fillRect(0, 0, panelWidth, 31, header);
  {
    const AliasedStrokes aligned(p);
    p.setPen(QColor(0, 72, 180));
    p.drawLine(0, 31, panelWidth - 1, 31);
  }

  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  QFont name(QStringLiteral("DejaVu Sans"));
  name.setPixelSize(15);
  name.setBold(true);
  p.setFont(name);
  p.setPen(Qt::white);
  p.drawText(QRect(10, 0, 118, 31), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Orvanta"));

  QPainterPath field;
  field.addRoundedRect(QRectF(131.5, 6.5, 203, 19), 9.5, 9.5);
  p.fillPath(field, Qt::white);
  p.setPen(QPen(QColor(0, 78, 190), 1));
  p.drawPath(field);
  p.setRenderHint(QPainter::Antialiasing, false);

  const AliasedStrokes aligned(p);
  p.setPen(QColor(223, 223, 223));
  p.drawLine(124, 32, 124, 1999);
  p.setPen(QColor(150, 150, 150));
  p.drawLine(0, 0, 0, 1999);
  p.drawLine(panelWidth - 1, 0, panelWidth - 1, 1999);
  return image;
}

// Twelve frames, 30 pixels apart, of a spinner whose bright spoke moves on
// by one position per frame.
QImage progressStrip(int scale) {
  QImage image = canvas(43, 362, QColor(0, 100, 232), scale);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  for (int frame = 0; frame < 12; ++frame) {
    const int top = frame * 30;
    QLinearGradient back(0, top, 0, top + 30);
    back.setColorAt(0.0, QColor(36, 115, 233));
    back.setColorAt(1.0, QColor(0, 100, 232));
    p.fillRect(0, top, 43, 30, back);
    const QPointF centre(21.5, top + 15.0);
    for (int spoke = 0; spoke < 12; ++spoke) {
      const double angle = spoke * M_PI / 6.0;
      const QPointF dir(std::sin(angle), -std::cos(angle));
      const bool lit = spoke == frame;
      p.setPen(QPen(lit ? QColor(230, 240, 255) : QColor(10, 40, 120), 2.0, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(centre + dir * 5.0, centre + dir * 10.0);
    }
  }
  p.fillRect(0, 360, 43, 2, QColor(0, 100, 232));
  return image;
}

QImage icon(int scale, const std::function<void(QPainter&)>& draw) {
  QImage image = canvas(16, 16, QColor(245, 245, 245), scale);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  draw(p);
  return image;
}

void documentShape(QPainter& p, QRectF rect) {
  QPainterPath page;
  page.moveTo(rect.topLeft());
  page.lineTo(rect.right() - 3, rect.top());
  page.lineTo(rect.right(), rect.top() + 3);
  page.lineTo(rect.bottomRight());
  page.lineTo(rect.bottomLeft());
  page.closeSubpath();
  p.fillPath(page, Qt::white);
  p.setPen(QPen(QColor(110, 110, 110), 1));
  p.drawPath(page);
}

QImage applicationsIcon(int scale) {
  return icon(scale, [](QPainter& p) {
    p.save();
    p.translate(8, 8);
    p.rotate(-45);
    p.fillRect(QRectF(-7.5, -2.5, 15, 5), QColor(240, 200, 60));
    p.setPen(QColor(120, 90, 20));
    p.drawRect(QRectF(-7.5, -2.5, 15, 5));
    for (int x = -6; x <= 6; x += 2) p.drawLine(QPointF(x, -2.5), QPointF(x, x % 4 == 0 ? 0.5 : -0.5));
    p.restore();
    p.save();
    p.translate(8, 8);
    p.rotate(45);
    p.fillRect(QRectF(-6.5, -1.5, 11, 3), QColor(60, 120, 220));
    QPainterPath tip;
    tip.moveTo(4.5, -1.5);
    tip.lineTo(7.5, 0);
    tip.lineTo(4.5, 1.5);
    tip.closeSubpath();
    p.fillPath(tip, QColor(40, 40, 40));
    p.restore();
  });
}

QImage audioIcon(int scale) {
  return icon(scale, [](QPainter& p) {
    documentShape(p, QRectF(2.5, 0.5, 10, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 100, 220));
    p.drawEllipse(QRectF(6, 7, 9, 9));
    p.setPen(QPen(Qt::white, 1.2));
    p.drawLine(QPointF(11.5, 9), QPointF(11.5, 13));
    p.drawEllipse(QRectF(8.6, 12, 2.6, 2.2));
  });
}

QImage documentsIcon(int scale) {
  return icon(scale, [](QPainter& p) {
    documentShape(p, QRectF(4.5, 0.5, 10, 14));
    p.fillRect(QRectF(1, 6, 9, 8), QColor(120, 180, 240));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 150, 60));
    QPainterPath hill;
    hill.moveTo(1, 14);
    hill.lineTo(4.5, 9.5);
    hill.lineTo(7, 12);
    hill.lineTo(10, 9);
    hill.lineTo(10, 14);
    hill.closeSubpath();
    p.drawPath(hill);
    p.setPen(QColor(90, 90, 90));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1, 6, 9, 8));
  });
}

QImage imagesIcon(int scale) {
  return icon(scale, [](QPainter& p) {
    for (int i = 2; i >= 0; --i) {
      const QRectF photo(1.5 + i * 2, 1.5 + (2 - i) * 2, 10, 9);
      p.fillRect(photo, Qt::white);
      p.setPen(QColor(100, 100, 100));
      p.drawRect(photo);
      p.fillRect(photo.adjusted(1.5, 1.5, -1.5, -1.5), i == 0 ? QColor(240, 170, 60) : QColor(150, 190, 230));
    }
  });
}

QImage pdfsIcon(int scale) {
  return icon(scale, [](QPainter& p) {
    documentShape(p, QRectF(2.5, 0.5, 11, 15));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(210, 30, 30));
    p.drawRoundedRect(QRectF(4, 7, 8, 6), 1.5, 1.5);
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(QPointF(6, 10), QPointF(10, 10));
  });
}

QImage rowDefaultIcon(int scale) {
  return icon(scale, [](QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(1, 2, 14, 12), Qt::white);
    p.fillRect(QRect(1, 2, 14, 3), QColor(40, 110, 220));
    const AliasedStrokes aligned(p);
    p.setPen(QPen(QColor(90, 90, 90), 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawRect(QRect(1, 2, 13, 11));
    p.setPen(QColor(150, 150, 150));
    for (int y = 7; y <= 11; y += 2) p.drawLine(3, y, 12, y);
  });
}

QImage closeButton(int scale) {
  QImage image = canvas(14, 14, Qt::white, scale);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(150, 150, 150));
  p.drawEllipse(QRectF(0.5, 0.5, 13, 13));
  p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(4.5, 4.5), QPointF(9.5, 9.5));
  p.drawLine(QPointF(9.5, 4.5), QPointF(4.5, 9.5));
  return image;
}

void magnifier(QPainter& p, QColor ring, QColor handle) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(ring, 1.8));
  p.drawEllipse(QRectF(17.5, 5, 8, 8));
  p.setPen(QPen(handle, 2.4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(24.5, 12), QPointF(28, 15.5));
}

// The idle button: a blue round badge with a magnifier on a light bar.
QImage menuButtonIdle(int scale) {
  QImage image = canvas(46, 22, QColor(236, 236, 236), scale);
  QPainter p(&image);
  QLinearGradient bar(0, 0, 0, 22);
  bar.setColorAt(0.0, QColor(250, 250, 250));
  bar.setColorAt(1.0, QColor(222, 222, 222));
  p.fillRect(0, 0, 46, 22, bar);
  {
    const AliasedStrokes aligned(p);
    p.setPen(QColor(180, 180, 180));
    p.drawLine(0, 21, 45, 21);
  }
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient badge(QPointF(21, 8), 11);
  badge.setColorAt(0.0, QColor(90, 160, 250));
  badge.setColorAt(1.0, QColor(10, 80, 200));
  p.setPen(QPen(QColor(0, 60, 160), 1));
  p.setBrush(badge);
  p.drawEllipse(QRectF(13.5, 1.5, 19, 19));
  magnifier(p, Qt::white, Qt::white);
  return image;
}

// The pressed button: a white disc with a blue magnifier on the blue
// highlight of a chosen menu item.
QImage menuButtonPressed(int scale) {
  QImage image = canvas(46, 22, QColor(37, 92, 226), scale);
  QPainter p(&image);
  QLinearGradient bar(0, 0, 0, 22);
  bar.setColorAt(0.0, QColor(60, 120, 240));
  bar.setColorAt(1.0, QColor(30, 84, 216));
  p.fillRect(0, 0, 46, 22, bar);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(13.5, 1.5, 19, 19));
  magnifier(p, QColor(30, 84, 216), QColor(30, 84, 216));
  return image;
}

// The program's icon on a 256-unit square: a blue rounded tile with the
// white magnifier of the button, drawn as paths so that it scales.
void drawApplicationIcon(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient tile(0, 16, 0, 240);
  tile.setColorAt(0.0, QColor(70, 145, 245));
  tile.setColorAt(1.0, QColor(16, 86, 210));
  p.setPen(QPen(QColor(0, 60, 160), 4));
  p.setBrush(tile);
  p.drawRoundedRect(QRectF(18, 18, 220, 220), 44, 44);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::white, 22, Qt::SolidLine, Qt::RoundCap));
  p.drawEllipse(QRectF(58, 50, 104, 104));
  p.setPen(QPen(Qt::white, 30, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(148, 142), QPointF(196, 190));
}

QImage applicationIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.scale(size / 256.0, size / 256.0);
  drawApplicationIcon(p);
  return image;
}

int writeApplicationIcons(const QDir& folder, const QString& name) {
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString sub = QStringLiteral("%1x%1/apps").arg(size);
    const QString path = folder.filePath(sub + u'/' + name + QStringLiteral(".png"));
    if (!QDir().mkpath(folder.filePath(sub)) || !applicationIcon(size).save(path, "PNG")) {
      std::fprintf(stderr, "could not write %s\n", qUtf8Printable(path));
      return 1;
    }
  }
  const QString scalable = folder.filePath(QStringLiteral("scalable/apps"));
  if (!QDir().mkpath(scalable)) return 1;
  QSvgGenerator svg;
  svg.setFileName(QDir(scalable).filePath(name + QStringLiteral(".svg")));
  svg.setSize(QSize(256, 256));
  svg.setViewBox(QRect(0, 0, 256, 256));
  svg.setTitle(QStringLiteral("Orvanta"));
  QPainter p;
  if (!p.begin(&svg)) return 1;
  drawApplicationIcon(p);
  return p.end() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Draws the artwork PNG files into a folder."));
  parser.addHelpOption();
  parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("Where to write the PNG files."));
  const QCommandLineOption applicationIcons(QStringLiteral("application-icons"),
                                            QStringLiteral("Draws the program's icon as an icon theme's files of <name>."),
                                            QStringLiteral("name"));
  parser.addOption(applicationIcons);
  parser.process(app);
  if (parser.positionalArguments().size() != 1) parser.showHelp(2);
  const QDir folder(parser.positionalArguments().first());
  if (!QDir().mkpath(folder.path())) return 1;
  if (parser.isSet(applicationIcons)) return writeApplicationIcons(folder, parser.value(applicationIcons));

  // Each picture at 1x and, under its name with "@2x", at twice the size
  // for screens of two device pixels to a pixel.
  const std::pair<const char*, QImage (*)(int)> pictures[] = {
      {"form1_background", panelBackground},
      {"progress_strip", progressStrip},
      {"icon_applications", applicationsIcon},
      {"icon_audio", audioIcon},
      {"icon_documents", documentsIcon},
      {"icon_images", imagesIcon},
      {"icon_pdfs", pdfsIcon},
      {"icon_row_default", rowDefaultIcon},
      {"close_button", closeButton},
      {"menu_button_idle", menuButtonIdle},
      {"menu_button_pressed", menuButtonPressed},
  };
  for (const auto& [name, draw] : pictures) {
    for (const int scale : {1, 2}) {
      const QString suffix = scale == 1 ? QStringLiteral(".png") : QStringLiteral("@%1x.png").arg(scale);
      const QString path = folder.filePath(QString::fromLatin1(name) + suffix);
      if (!draw(scale).convertToFormat(QImage::Format_RGB888).save(path, "PNG")) {
        std::fprintf(stderr, "could not write %s\n", qUtf8Printable(path));
        return 1;
      }
    }
  }
  return 0;
}
