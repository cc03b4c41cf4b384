// The design values that Form1's sources share: the window's place and
// size, its colours and fonts, the progress strip's steps; and the
// colouring of a control's text.
#pragma once

#include <QColor>
#include <QString>

class QWidget;

namespace orvanta::results_window::form1_design {

// Window design, twips.
constexpr int kDesignLeft = 240;
constexpr int kDesignTop = 1395;
constexpr int kDesignWidth = 5115;
constexpr int kDesignHeight = 11160;
// Only the search strip shows until a search lays out rows.
constexpr int kSearchStripHeight = 470;

constexpr int kProgressFrameStep = 450;
constexpr int kLastProgressFrameTop = -4950;

inline const QColor kBackColour(255, 0, 255);
inline const QColor kRowTextColour(47, 47, 47);
inline const QColor kHighlightTextColour(255, 255, 255);
inline const QColor kLabel1TextColour(128, 128, 128);
inline const QColor kSelectionBandColour(37, 92, 226);
inline const QColor kLine1Colour(192, 192, 192);

inline const QString kLucidaGrande = QStringLiteral("Lucida Grande");

// Sets the colour of a control's text.
void setTextColour(QWidget* widget, const QColor& colour);

}  // namespace orvanta::results_window::form1_design
