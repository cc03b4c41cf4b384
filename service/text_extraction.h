// Reading the text out of a document's bytes: plain text and source files,
// HTML and XML (text only), PDF, OpenDocument and Office Open XML text
// documents. Runs in the extraction helper process, never in the service.
#pragma once

#include "document_format.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace orvanta::service {

// The text of `data` read as `format`, at most kMaxTextChars characters;
// nothing when the document cannot be read.
std::optional<QString> extractText(DocumentFormat format, const QByteArray& data);

// The pieces, for the tests.
QString textOfPlain(const QByteArray& data);
QString textOfHtml(const QString& html);
std::optional<QString> textOfXml(const QByteArray& xml);
std::optional<QByteArray> zipMember(const QByteArray& zip, const char* name, qint64 maxBytes);

}  // namespace orvanta::service
