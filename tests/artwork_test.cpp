// Every picture the windows use is compiled in, at the size its place in
// the windows needs.
#include "desktop/artwork/artwork.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

namespace orvanta::desktop {
namespace {

TEST(Artwork, EveryPictureIsThereAtItsSize) {
  int argc = 1;
  char name[] = "artwork_test";
  char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  const struct {
    const char* file;
    QSize size;
  } cases[] = {
      {"form1_background.png", {814, 2000}}, {"progress_strip.png", {43, 362}},
      {"icon_applications.png", {16, 16}},    {"icon_audio.png", {16, 16}},
      {"icon_documents.png", {16, 16}},       {"icon_images.png", {16, 16}},
      {"icon_pdfs.png", {16, 16}},            {"icon_row_default.png", {16, 16}},
      {"close_button.png", {14, 14}},         {"menu_button_idle.png", {46, 22}},
      {"menu_button_pressed.png", {46, 22}},
  };
  for (const auto& c : cases) {
    const QPixmap picture = artwork(QString::fromLatin1(c.file));
    ASSERT_FALSE(picture.isNull()) << c.file;
    EXPECT_EQ(picture.size(), c.size) << c.file;
  }
  EXPECT_TRUE(artwork(QStringLiteral("missing.png")).isNull());

  // The panel is 341 pixels wide: magenta to its right, the blue header on top.
  const QImage panel = artwork(QStringLiteral("form1_background.png")).toImage();
  EXPECT_EQ(panel.pixelColor(500, 500), QColor(255, 0, 255));
  EXPECT_GT(panel.pixelColor(110, 3).blue(), 200);
  EXPECT_EQ(panel.pixelColor(124, 600), QColor(223, 223, 223));
}

}  // namespace
}  // namespace orvanta::desktop
