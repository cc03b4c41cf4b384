// The colours of the window designs' controls that the designs give no
// colour of their own: the Windows defaults they were drawn with, the same
// on every desktop. A dark desktop theme would otherwise put the designs'
// black text on black, or its light text on their yellow and white.
#pragma once

#include <QPalette>

namespace orvanta::platform {

// The designs' default colours for every role, in every state: light
// grey faces, white text boxes, black text; disabled text grey.
QPalette designPalette();

}  // namespace orvanta::platform
