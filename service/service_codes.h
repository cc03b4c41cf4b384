// The two codes of the local search service, kept in the registry under
// HKEY_LOCAL_MACHINE\Software\LocalSearchService: made on first start,
// reused afterwards.
#pragma once

#include "settings/reg_keys.h"

#include <QString>

namespace orvanta::service {

struct ServiceCodes {
  QString securityCode;  // 27 letters and digits
  QString sessionCode;   // 27 letters, digits and "_"
};

inline constexpr int kCodeLength = 27;

// The stored codes; a code that is missing or malformed is made anew and
// stored. `stored` tells whether everything made was written.
ServiceCodes loadOrCreateCodes(const settings::RegKeys& regKeys, bool* stored = nullptr);

}  // namespace orvanta::service
