// The window designs' default colours.
#include "design_palette.h"

namespace orvanta::platform {

QPalette designPalette() {
  // The Windows system colours: 3D face, window, window text, highlight.
  const QColor face(240, 240, 240);
  const QColor black(0, 0, 0);
  const QColor white(255, 255, 255);
  QPalette palette(black, face, white, QColor(160, 160, 160), QColor(160, 160, 160), black, white);
  palette.setColor(QPalette::Midlight, QColor(227, 227, 227));
  palette.setColor(QPalette::Shadow, QColor(105, 105, 105));
  palette.setColor(QPalette::ButtonText, black);
  palette.setColor(QPalette::AlternateBase, QColor(246, 246, 246));
  palette.setColor(QPalette::Highlight, QColor(0, 120, 215));
  palette.setColor(QPalette::HighlightedText, white);
  palette.setColor(QPalette::ToolTipBase, QColor(255, 255, 225));
  palette.setColor(QPalette::ToolTipText, black);
  palette.setColor(QPalette::PlaceholderText, QColor(109, 109, 109));
  palette.setColor(QPalette::Link, QColor(0, 0, 255));
  palette.setColor(QPalette::LinkVisited, QColor(128, 0, 128));
  // Disabled controls keep their faces and boxes; only their text greys.
  const QColor grayText(109, 109, 109);
  for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::Disabled, role, grayText);
  }
  return palette;
}

}  // namespace orvanta::platform
