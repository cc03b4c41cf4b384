// The smallest PDF the extraction reads text from: one page showing a line.
// The helper reads one before it confines itself, so that the PDF library
// has loaded what it loads on first use; the tests make their documents
// with it.
#pragma once

#include <QByteArray>

namespace orvanta::service {

// A one-page PDF whose page shows `text` (Latin-1 bytes in WinAnsi), with
// its cross-reference table computed.
QByteArray minimalPdf(const QByteArray& text);

}  // namespace orvanta::service
