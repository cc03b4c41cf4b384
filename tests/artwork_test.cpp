// Every picture the windows use is compiled in, at the size its place in
// the windows needs.
#include "desktop/artwork.h"

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace orvanta::desktop
