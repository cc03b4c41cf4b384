// local-search-extract: the service's text extraction helper. It opens no
// file itself: the service reads each document and sends a line "FORMAT
// LENGTH" (the document format's number and the byte count) followed by
// the document's bytes; the helper answers each with a line "ok LENGTH"
// followed by LENGTH bytes of UTF-8 text, or a line "no 0". It parses
// hostile documents, so it runs confined (extract_io.h) with capped memory
// and processor time; the service kills it when a document takes too long
// and starts a new one for the next.
#include "extract_io.h"
#include "leak_checker_off.h"
#include "minimal_pdf.h"
#include "text_extraction.h"

#include <QByteArray>
#include <QList>

#include <cstdio>
#include <optional>
#include <string>
#include <utility>

namespace {

using namespace orvanta::service;

// The next request's format and bytes; nothing at the end of the input or
// on a request that breaks the form.
std::optional<std::pair<DocumentFormat, QByteArray>> readRequest() {
  std::string line;
  for (int c = std::getchar(); c != '\n'; c = std::getchar()) {
    if (c == EOF || line.size() > 40) return std::nullopt;
    line.push_back(static_cast<char>(c));
  }
  const QList<QByteArray> fields = QByteArray::fromStdString(line).split(' ');
  bool formatOk = false;
  bool lengthOk = false;
  const int format = fields.value(0).toInt(&formatOk);
  const qint64 length = fields.value(1).toLongLong(&lengthOk);
  if (fields.size() != 2 || !formatOk || !lengthOk || format <= static_cast<int>(DocumentFormat::None) ||
      format > static_cast<int>(DocumentFormat::OfficeXml) || length < 0 || length > kMaxDocumentBytes) {
    return std::nullopt;
  }
  QByteArray data(static_cast<qsizetype>(length), Qt::Uninitialized);
  if (std::fread(data.data(), 1, static_cast<size_t>(length), stdin) != static_cast<size_t>(length)) {
    return std::nullopt;
  }
  return std::pair{static_cast<DocumentFormat>(format), data};
}

}  // namespace

int main() {
  limitHelperResources();
  extractText(DocumentFormat::Pdf, minimalPdf("warm"));
  const Confinement confinement = confineHelper();
  if (!confinement.systemCallFilter) {
    std::fprintf(stderr, "local-search-extract: runs without a system call filter\n");
  }
  while (const auto request = readRequest()) {
    limitTimeForNextDocument();
    const std::optional<QString> text = extractText(request->first, request->second);
    if (text) {
      const QByteArray utf8 = text->toUtf8();
      std::printf("ok %lld\n", static_cast<long long>(utf8.size()));
      std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stdout);
    } else {
      std::printf("no 0\n");
    }
    std::fflush(stdout);
  }
  return 0;
}
