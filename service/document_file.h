// Reading a document whose text is wanted. The service reads it and hands
// the bytes to the extraction helper, which opens no file of its own: only
// a regular file (never a link, a FIFO or a device) of bounded size is
// read, and the open never waits for a writer.
#pragma once

#include <QByteArray>

#include <optional>

namespace orvanta::service {

// The bytes of the regular file at `path` when it holds at most `maxBytes`;
// nothing for other kinds of entries, links, unreadable or larger files.
std::optional<QByteArray> readDocumentFile(const QByteArray& path, qint64 maxBytes);

}  // namespace orvanta::service
