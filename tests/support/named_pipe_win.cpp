// Windows keeps its named pipes out of the file system (\\.\pipe\...): no
// file path can name one.
#include "named_pipe.h"

namespace orvanta::testing {

bool makeNamedPipe(const QString&) { return false; }

bool systemHasNamedPipes() { return false; }

}  // namespace orvanta::testing
