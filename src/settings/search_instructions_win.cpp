// On Windows the design's instructions stand as they are written.
#include "search_instructions.h"

namespace orvanta::settings {

QString searchAddressInstructions(const QString& designText) { return designText; }

}  // namespace orvanta::settings
