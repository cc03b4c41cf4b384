// Form1's single controls as its design fixes them: name, place and size
// in twips, and font. The window builds them from this table; the row
// control arrays are made by the design code itself.
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

}  // namespace orvanta::results_window
