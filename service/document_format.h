// Which documents the index reads the text of, told by the file name, and
// the limits of one extraction.
#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace orvanta::service {

enum class DocumentFormat { None, Text, Html, Xml, Pdf, OpenDocument, OfficeXml };

// Limits of one extraction.
inline constexpr qint64 kMaxDocumentBytes = 32 * 1024 * 1024;  // larger files: name only
inline constexpr qsizetype kMaxTextChars = 2 * 1024 * 1024;    // text kept per document
inline constexpr qint64 kMaxUnpackedBytes = 64 * 1024 * 1024;  // XML read out of a zip

// The format of a file by its name's extension; None for those the index
// keeps by name only.
DocumentFormat formatOf(const QByteArray& fileName);

}  // namespace orvanta::service
