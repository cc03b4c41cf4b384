// One control of a window's fixed design: its name, its place and size in
// twips within its container, the font it has of its own and its caption. A window
// builds its controls from a table of these, and tests read the same table.
#pragma once

#include "twips.h"

#include <QRect>
#include <QStringView>

#include <span>

namespace orvanta::platform {

struct ControlDesign {
  const char16_t* name;
  int left;
  int top;
  int width;
  int height;
  // The font's family, or nullptr for the window's default dialog font.
  const char16_t* fontFamily = nullptr;
  double fontPoints = 0;
  bool bold = false;
  // The caption or text it starts with, or nullptr for none.
  const char16_t* caption = nullptr;

  QRect pixels() const { return twipsToPixels(left, top, width, height); }
};

// A control array of a window's design: its name, its indices (`first` to
// `last`, and `extra` when not 0) and the size of its elements in twips.
struct ControlArrayDesign {
  const char16_t* name;
  int first;
  int last;
  int extra;
  int width;
  int height;
};

// The entry of `design` named `name`, or nullptr when it has none.
inline const ControlDesign* findControl(std::span<const ControlDesign> design, QStringView name) {
  for (const ControlDesign& control : design) {
    if (name == QStringView(control.name)) return &control;
  }
  return nullptr;
}

}  // namespace orvanta::platform
