// Keeping the panel and the button within reach: a stored anchor from a
// wider screen or another monitor layout would put them (partly) off every
// screen; they are moved in as little as needed, and the stored anchor is
// left as it is. Plain functions over the screens' work areas (each screen
// without the desktop's panels and docks) in pixels.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

namespace orvanta::results_window {

// The screen that holds `window`: the one it overlaps most, otherwise the
// nearest one. An empty rectangle when there is no screen.
QRect screenHolding(const QRect& window, const QList<QRect>& screens);

// The button stands above the panel, as high as its picture: 330 twips.
inline constexpr int kButtonHeightTwips = 330;

// Where the panel's search strip `strip` goes: wholly inside the screen
// that holds it (its left edge at the screen's when it is the wider one),
// with `roomAbove` pixels of the screen left above it for the button. With
// the button's place `button` given, the screen that holds the button
// takes the panel, so that the two are never split by a screen's edge.
QPoint panelInReach(const QRect& strip, const QList<QRect>& screens, int roomAbove = 0, const QRect& button = {});

// Where the button `button` goes: no further out than at its default place,
// which is inside the screen that holds it except that its right edge may
// pass the screen's by `rightOverhang` pixels.
QPoint buttonInReach(const QRect& button, const QList<QRect>& screens, int rightOverhang);

}  // namespace orvanta::results_window
