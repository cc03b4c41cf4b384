// A named pipe in the file system, for tests of reads that must not wait on
// a file that never ends.
#pragma once

#include <QString>

namespace orvanta::testing {

// Makes a named pipe at `path` that nothing writes; false where the system
// has no named pipes in its file system (Windows) or the pipe cannot be made.
bool makeNamedPipe(const QString& path);

// Whether this system has named pipes in its file system.
bool systemHasNamedPipes();

}  // namespace orvanta::testing
