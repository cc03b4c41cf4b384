// The text of a PDF document. Read with poppler where the build has it; a
// build without it (Windows) finds PDF documents by their names only.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace orvanta::service {

// The text of the pages of the PDF document `data`, page by page, at most
// `maxChars` characters (more may be read, the caller cuts); nothing when the
// document cannot be read or this build reads no PDF contents.
std::optional<QString> textOfPdf(const QByteArray& data, qsizetype maxChars);

}  // namespace orvanta::service
