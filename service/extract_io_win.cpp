// The extraction helper's system side on Windows: binary standard streams,
// and no limits or confinement of its own.
#include "extract_io.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace orvanta::service {

// The pipes to the service carry bytes, not text lines.
void limitHelperResources() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

void limitTimeForNextDocument() {}

Confinement confineHelper() { return {}; }

}  // namespace orvanta::service
