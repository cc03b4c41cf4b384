// PDF text through poppler's C++ interface.
#include "pdf_text.h"

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>

#include <memory>

namespace orvanta::service {

std::optional<QString> textOfPdf(const QByteArray& data, qsizetype maxChars) {
  poppler::set_debug_error_function([](const std::string&, void*) {}, nullptr);
  std::unique_ptr<poppler::document> document(
      poppler::document::load_from_raw_data(data.constData(), static_cast<int>(data.size())));
  if (!document || document->is_locked()) return std::nullopt;
  QString text;
  const int pages = document->pages();
  for (int i = 0; i < pages && text.size() < maxChars; ++i) {
    std::unique_ptr<poppler::page> page(document->create_page(i));
    if (!page) continue;
    const poppler::byte_array utf8 = page->text().to_utf8();
    text.append(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
    text.append(u'\n');
  }
  return text;
}

}  // namespace orvanta::service
