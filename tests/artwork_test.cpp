// Every picture the windows use is compiled in, at the size its place in
// the windows needs, and at twice that size for screens of two device
// pixels to a pixel, drawn from the same drawing.
#include "artwork/artwork.h"

#include <QColor>
#include <QCryptographicHash>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include <cmath>

namespace orvanta::desktop {
namespace {

TEST(Artwork, EveryPictureIsThereAtItsSize) {
  int argc = 1;
  char name[] = "artwork_test";
  char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  const struct {
    const QString& file;
    QSize size;
  } cases[] = {
      {artwork::kForm1Background, {814, 2000}}, {artwork::kProgressStrip, {43, 362}},
      {artwork::kIconApplications, {16, 16}},   {artwork::kIconAudio, {16, 16}},
      {artwork::kIconDocuments, {16, 16}},      {artwork::kIconImages, {16, 16}},
      {artwork::kIconPdfs, {16, 16}},           {artwork::kIconRowDefault, {16, 16}},
      {artwork::kCloseButton, {14, 14}},        {artwork::kMenuButtonIdle, {46, 22}},
      {artwork::kMenuButtonPressed, {46, 22}},
  };
  // Read as the program reads them, and the same as any reader reads them.
  for (const auto& c : cases) {
    const QPixmap picture = artwork::picture(c.file);
    ASSERT_FALSE(picture.isNull()) << c.file.toStdString();
    EXPECT_EQ(picture.size(), c.size) << c.file.toStdString();
    EXPECT_EQ(picture.toImage(), QPixmap(c.file).toImage()) << c.file.toStdString();
  }
  EXPECT_TRUE(artwork::picture(QStringLiteral(":/artwork/no_such_picture.png")).isNull());

  // The panel is 341 pixels wide: magenta to its right, the blue header on top.
  const QImage panel = artwork::picture(artwork::kForm1Background).toImage();
  EXPECT_EQ(panel.pixelColor(500, 500), QColor(255, 0, 255));
  EXPECT_GT(panel.pixelColor(110, 3).blue(), 200);
  EXPECT_EQ(panel.pixelColor(124, 600), QColor(223, 223, 223));
}


struct Picture {
  const QString& file;
  QSize size;
};

const Picture kPictures[] = {
    {artwork::kForm1Background, {814, 2000}}, {artwork::kProgressStrip, {43, 362}},
    {artwork::kIconApplications, {16, 16}},   {artwork::kIconAudio, {16, 16}},
    {artwork::kIconDocuments, {16, 16}},      {artwork::kIconImages, {16, 16}},
    {artwork::kIconPdfs, {16, 16}},           {artwork::kIconRowDefault, {16, 16}},
    {artwork::kCloseButton, {14, 14}},        {artwork::kMenuButtonIdle, {46, 22}},
    {artwork::kMenuButtonPressed, {46, 22}},
};

// The mean difference per colour channel between `picture` and `twice`
// brought down to its size by averaging each 2 x 2 block.
double meanDifferenceToHalf(const QImage& picture, const QImage& twice) {
  double total = 0;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      int sum[3] = {0, 0, 0};
      for (int dy = 0; dy < 2; ++dy) {
        for (int dx = 0; dx < 2; ++dx) {
          const QRgb rgb = twice.pixel(2 * x + dx, 2 * y + dy);
          sum[0] += qRed(rgb);
          sum[1] += qGreen(rgb);
          sum[2] += qBlue(rgb);
        }
      }
      const QRgb rgb = picture.pixel(x, y);
      total += std::abs(sum[0] / 4.0 - qRed(rgb)) + std::abs(sum[1] / 4.0 - qGreen(rgb)) +
               std::abs(sum[2] / 4.0 - qBlue(rgb));
    }
  }
  return total / (3.0 * picture.width() * picture.height());
}

TEST(Artwork, EveryPictureHasATwiceAsLargeTwinOfTheSameDrawing) {
  int argc = 1;
  char name[] = "artwork_test";
  char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  for (const auto& c : kPictures) {
    const std::string file = c.file.toStdString();
    const QImage picture = artwork::picture(c.file, 1.0).toImage().convertToFormat(QImage::Format_RGB32);
    const QPixmap doubled = artwork::picture(c.file, 2.0);
    ASSERT_FALSE(doubled.isNull()) << file;
    // Shown at the 1x size on a 2x screen, so every place in the windows
    // stays as designed.
    EXPECT_EQ(doubled.devicePixelRatio(), 2.0) << file;
    EXPECT_EQ(doubled.size(), c.size * 2) << file;
    EXPECT_EQ(doubled.deviceIndependentSize(), QSizeF(c.size)) << file;
    EXPECT_EQ(doubled.toImage(), QPixmap(artwork::doubleSizeName(c.file)).toImage()) << file;
    // Any ratio above 1 takes the larger picture; at 1 the designed one.
    EXPECT_EQ(artwork::picture(c.file, 1.5).toImage(), doubled.toImage()) << file;
    EXPECT_EQ(artwork::picture(c.file, 1.0).devicePixelRatio(), 1.0) << file;
    EXPECT_EQ(artwork::picture(c.file, 1.0).toImage(), QPixmap(c.file).toImage()) << file;
    // The same drawing: averaged down it is close to the 1x picture (only
    // smooth edges, thin slanted strokes and text differ; another picture
    // is far off).
    const QImage twice = doubled.toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_LT(meanDifferenceToHalf(picture, twice), 12.0) << file;
  }
  EXPECT_TRUE(artwork::picture(QStringLiteral(":/artwork/no_such_picture.png"), 2.0).isNull());
}

TEST(Artwork, SharpLinesCoverTheSameRowsAndColumnsAtTwiceTheSize) {
  int argc = 1;
  char name[] = "artwork_test";
  char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  // Pictures drawn only of straight lines and fills: each pixel of the 1x
  // picture is a 2 x 2 block of the same colour in the larger one.
  for (const QString& file : {artwork::kIconRowDefault}) {
    const QImage picture = artwork::picture(file, 1.0).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage twice = artwork::picture(file, 2.0).toImage().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
      for (int x = 0; x < picture.width(); ++x) {
        for (const QPoint d : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)}) {
          ASSERT_EQ(twice.pixel(2 * x + d.x(), 2 * y + d.y()), picture.pixel(x, y))
              << file.toStdString() << " at " << x << ", " << y;
        }
      }
    }
  }
  // The panel's border lines, divider, header rule and stripes, and the
  // button's bottom line, pixel for pixel.
  const struct {
    const QString& file;
    QPoint at;  // 1x
  } lines[] = {
      {artwork::kForm1Background, {0, 500}},   {artwork::kForm1Background, {340, 500}},
      {artwork::kForm1Background, {341, 500}}, {artwork::kForm1Background, {124, 500}},
      {artwork::kForm1Background, {123, 500}}, {artwork::kForm1Background, {125, 500}},
      {artwork::kForm1Background, {60, 31}},   {artwork::kForm1Background, {60, 32}},
      {artwork::kForm1Background, {60, 33}},   {artwork::kForm1Background, {339, 1999}},
      {artwork::kMenuButtonIdle, {3, 21}},     {artwork::kMenuButtonIdle, {3, 20}},
  };
  for (const auto& c : lines) {
    const QImage picture = artwork::picture(c.file, 1.0).toImage();
    const QImage twice = artwork::picture(c.file, 2.0).toImage();
    for (const QPoint d : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)}) {
      EXPECT_EQ(twice.pixelColor(c.at * 2 + d), picture.pixelColor(c.at))
          << c.file.toStdString() << " at " << c.at.x() << ", " << c.at.y();
    }
  }
}

// The designs fix the 1x pictures pixel for pixel: redrawing the artwork
// must leave them as they are.
TEST(Artwork, TheDesignedPicturesStayAsTheyAre) {
  int argc = 1;
  char name[] = "artwork_test";
  char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  const struct {
    const QString& file;
    const char* sha256;  // of the RGB888 rows
  } cases[] = {
      {artwork::kForm1Background, "8d7fb0a2bed16036164be8595fd892980266e8d5c3a4ed304b4f1a1e5c00590c"},
      {artwork::kProgressStrip, "026e5bc5c036e2271254a323761d2148979623bee75fd953dba985180e1633fa"},
      {artwork::kIconApplications, "58a5ea78f71f14353f10e74e000e3e857ce155d26fa6711145cdb672e9730d5f"},
      {artwork::kIconAudio, "800e3d88dbad00f4d42201480fb1d034cad263f1f78760dd53bcf72cfb82c52f"},
      {artwork::kIconDocuments, "a7e7f9bbfd530734446c351bd2e93ae75fcd20c8937858c934bf6c163263c17a"},
      {artwork::kIconImages, "dfa4aed513b260ed810345b9992237d03e68496a5bb91efe6f085033cf800299"},
      {artwork::kIconPdfs, "968f5a1c9678200c4ac0ae05db948bf7984999dc492daa4808d2424b666e369e"},
      {artwork::kIconRowDefault, "3343fc86435cb2e3b8c1c6349bc29bb6ae00eff898a9b214170618f8bb100c0d"},
      {artwork::kCloseButton, "4145b5d70514d2a799964892ceeaad2cfa70eee53afba40ec535797f0fc21664"},
      {artwork::kMenuButtonIdle, "386c6e38d7298d63387a6fb1c34fd47349b172be3e3eaf38e8d132dc6599e8f5"},
      {artwork::kMenuButtonPressed, "b29db6e159e7a3ae5ce10f1167020f860b264965f3523f2820b3103486e43bc1"},
  };
  for (const auto& c : cases) {
    const QImage image = artwork::picture(c.file, 1.0).toImage().convertToFormat(QImage::Format_RGB888);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (int y = 0; y < image.height(); ++y) {
      hash.addData(QByteArrayView(reinterpret_cast<const char*>(image.constScanLine(y)), image.width() * 3));
    }
    EXPECT_EQ(hash.result().toHex().toStdString(), c.sha256) << c.file.toStdString();
  }
}

TEST(Artwork, TheLargerPictureIsNamedAfterTheDesignedOne) {
  const struct {
    const char* name;
    const char* doubled;
  } cases[] = {
      {":/artwork/icon_audio.png", ":/artwork/icon_audio@2x.png"},
      {":/art.work/form1.background.png", ":/art.work/form1.background@2x.png"},
      {":/art.work/plain", ":/art.work/plain@2x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(artwork::doubleSizeName(QString::fromLatin1(c.name)), QString::fromLatin1(c.doubled)) << c.name;
  }
}

}  // namespace
}  // namespace orvanta::desktop
