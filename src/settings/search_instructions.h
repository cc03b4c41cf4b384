// The first-run instructions for finding the search address (Label5 of the
// preferences window): the design's text names the Windows way of reaching
// the search service's page; each system's file says how it is reached there.
#pragma once

#include <QString>

namespace orvanta::settings {

// Label5's text on this system, made from the design's `designText`.
QString searchAddressInstructions(const QString& designText);

}  // namespace orvanta::settings
