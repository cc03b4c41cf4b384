// A build without poppler: PDF documents are found by their names only.
#include "pdf_text.h"

namespace orvanta::service {

std::optional<QString> textOfPdf(const QByteArray&, qsizetype) { return std::nullopt; }

}  // namespace orvanta::service
