// What the extraction helper needs of the system: limits on its own
// resources, and reading one regular file without blocking on it.
#pragma once

#include <QByteArray>

#include <optional>

namespace orvanta::service {

// Caps the helper's address space and core files where the system can, so
// a hostile document ends the helper, never the machine's memory; sets the
// standard streams to carry bytes unchanged.
void limitHelperResources();

// The bytes of the regular file at `path` when it holds at most `maxBytes`;
// nothing for other kinds of entries (a FIFO, a device), unreadable or
// larger files. Never waits for a writer.
std::optional<QByteArray> readRegularFile(const QByteArray& path, qint64 maxBytes);

}  // namespace orvanta::service
