// Form1's design as tables: its single controls (name, place and size in
// twips, font), its row control arrays (indices and element size) and the
// array elements the design places where they tell (inside the client
// area, element 0 of MenuScroller and the preferences row), named
// ARRAY_INDEX. The window builds from these tables and the tests read them.
#pragma once

#include "platform/control_design.h"

namespace orvanta::results_window {

inline constexpr platform::ControlDesign kForm1Controls[] = {
    // The band's design place lies outside the window, where it waits unseen.
    {u"SelectionBand", 6075, 9780, 6000, 270},
    // The line about a search service that could not be had: where the
    // first row starts, across the window but for a margin on each side.
    {u"ServiceMessage", 240, 1360, 4635, 270, u"Lucida Grande", 9},
    {u"IconsApplications", 5280, 3000, 240, 240},
    {u"IconsAudio", 6120, 45, 240, 240},
    {u"IconsDocuments", 6825, 75, 240, 240},
    {u"IconsImages", 7905, 5415, 240, 240},
    {u"IconsPDFs", 8010, 6540, 240, 240},
    {u"Label1", 2085, 90, 2790, 270, u"MACGrande", 8.25},
    {u"CloseButton", 4740, 135, 210, 210},
    {u"Progress", 0, 0, 600, 435},
    // Inside Progress.
    {u"ProgressFrame", 0, 0, 645, 5430},
    {u"Text1", 2100, 105, 2505, 255, u"Lucida Grande", 9},
    {u"Text2", 11160, 1470, 3765, 645},
};

// In the order of their z-order, lowest first.
inline constexpr platform::ControlArrayDesign kForm1RowArrays[] = {
    {u"MenuScroller", 0, 81, 999, 6630, 270},
    {u"LeftsideLabel", 0, 123, 999, 1740, 255},
    {u"IconImg", 0, 106, 0, 240, 240},
    // Elements 34 to 46 are narrower (2685).
    {u"FileName", 0, 110, 999, 2805, 270},
};

inline constexpr platform::ControlDesign kForm1RowElements[] = {
    {u"MenuScroller_0", 5235, 4350, 3270, 270},
    {u"MenuScroller_1", 3195, 1110, 6630, 270},
    {u"MenuScroller_999", 5235, 4650, 6630, 270},
    {u"LeftsideLabel_0", 45, 675, 1740, 255},
    {u"LeftsideLabel_1", 0, 960, 1740, 255, nullptr, 0, false, u"Top Hit"},
    {u"LeftsideLabel_999", 6465, 9105, 1740, 255},
    {u"IconImg_0", 1950, 525, 240, 240},
    {u"FileName_0", 2280, 525, 2805, 270, nullptr, 0, false, u"Show All"},
    {u"FileName_999", 8355, 8685, 2805, 270, nullptr, 0, false, u"Orvanta Preferences..."},
};

}  // namespace orvanta::results_window
