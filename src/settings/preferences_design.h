// The preferences window's controls as its design fixes them: name, place
// and size in twips, font and caption. The window builds its controls from
// this table, and the tests read it.
#pragma once

#include "platform/control_design.h"

namespace orvanta::settings {

inline constexpr platform::ControlDesign kPreferencesControls[] = {
    {u"Label8", 225, 165, 9075, 525, u"Lucida Grande", 9.0, true,
     u"WARNING: IF THIS IS THE FIRST TIME YOU HAVE USED THIS PROGRAM, YOU MUST ENTER IN ALL OF THE FOLLOWING "
     u"INFORMATION"},
    {u"Label5", 225, 900, 9030, 660, nullptr, 0, false,
     u"Do a google desktop search through internet explorer.  When the results page appears, copy the first part "
     u"of the url that is BEFORE what you searched for.  Then copy the last part of the url AFTER what you "
     u"searched for.  When you are finished, it should the url below should match the one in the browser."},
    {u"TextSearchPrefix", 240, 1695, 5450, 285},
    {u"Label6", 5775, 1695, 840, 285, nullptr, 0, false, u"XXXXX"},
    {u"TextSearchSuffix", 6720, 1710, 2715, 285},
    {u"Label4", 270, 2205, 3210, 210, nullptr, 0, false, u"Enter Search Criteria:"},
    {u"SearchCriteria", 255, 2460, 4125, 315},
    {u"Command1", 4515, 2430, 1485, 330, nullptr, 0, false, u"Search"},
    {u"Command3", 6075, 2445, 1440, 315, nullptr, 0, false, u"Sniff URL"},
    {u"Label7", 300, 2895, 690, 285, nullptr, 0, false, u"Address:"},
    {u"AddressBar", 1020, 2850, 7650, 315},
    {u"Command2", 8700, 2835, 735, 345, nullptr, 0, false, u"Go"},
    {u"WebBrowser1", 270, 3240, 9210, 1935},
    {u"Label9", 270, 5250, 2115, 285, nullptr, 0, false, u"RAW Html:"},
    {u"HTMLBox", 255, 5475, 9225, 1920},
    {u"Label2", 435, 7590, 2490, 255, nullptr, 0, false, u"Maximum search results per group:"},
    {u"TextMaxSearchResults", 2970, 7545, 570, 300},
    {u"Label3", 3555, 7620, 600, 210, u"Small Fonts", 6.75, false, u"1-30"},
    {u"InitiateURL", 4860, 7560, 3045, 315, nullptr, 0, false, u"Text1"},
    {u"ApplySettings", 8160, 7530, 1200, 360, nullptr, 0, false, u"Apply"},
    {u"Label1", 3315, 7965, 6120, 345, nullptr, 0, false,
     u"Use the sliders on the bottom and right side of the settings window to align the menu."},
    // The preferences beyond the design's, in the free corner left of
    // Label1 and above LeftSideSlider.
    {u"Check1", 435, 7935, 2835, 225, nullptr, 0, false, u"Show hits while typing"},
    {u"Check2", 435, 8175, 2835, 225, nullptr, 0, false, u"Keep the button on screen"},
    {u"LeftSideSlider", 45, 8415, 9555, 360},
    {u"TopSideSlider", 9570, 0, 300, 8445},
};

}  // namespace orvanta::settings
