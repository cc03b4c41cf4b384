// Named pipes through mkfifo.
#include "named_pipe.h"

#include <QFile>

#include <sys/stat.h>

namespace orvanta::testing {

bool makeNamedPipe(const QString& path) { return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0; }

bool systemHasNamedPipes() { return true; }

}  // namespace orvanta::testing
