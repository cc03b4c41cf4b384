// The fonts the window designs name, and what stands in for them on a
// system that lacks them.
#pragma once

#include <QFont>
#include <QString>

#include <thread>

namespace orvanta::platform {

// Registers the stand-ins with Qt's font substitution table, once, before
// any window is built. "Lucida Grande" and "MACGrande" fall back to the
// first installed of "Lucida Grande", "DejaVu Sans", "Liberation Sans",
// "Arial"; "Small Fonts" to "DejaVu Sans", "Liberation Sans", "Arial". The
// point sizes stay as designed.
void installFontSubstitutions();

// A design font: family and point size as the design gives them (8.25,
// 9, 6.75), weight 700 when `bold`.
QFont designFont(const QString& family, double pointSize, bool bold = false);

// Loads the system's font configuration on a thread of its own while the
// program starts, so that the first text laid out does not wait for it
// (reading it takes some 10 ms). Start it before the application object;
// the thread is joined when this goes. Does nothing where Qt does not use
// fontconfig.
class FontConfigurationPreload {
 public:
  FontConfigurationPreload();
  ~FontConfigurationPreload();
  FontConfigurationPreload(const FontConfigurationPreload&) = delete;
  FontConfigurationPreload& operator=(const FontConfigurationPreload&) = delete;

 private:
  std::thread thread_;
};

}  // namespace orvanta::platform
