// local-search-extract: the service's text extraction helper. It opens no
// file itself: the service reads each document and sends a line "FORMAT
// LENGTH" (the document format's number and the byte count) followed by
// the document's bytes; the helper answers each with a line "ok LENGTH"
// followed by LENGTH bytes of UTF-8 text, or a line "no 0". It parses
// hostile documents, so it runs confined (extract_io.h) with capped memory
// and processor time; the service kills it when a document takes too long
// and starts a new one for the next.
#include "extract_io.h"
#include "text_extraction.h"

#include <QByteArray>
#include <QList>

#include <cstdio>
#include <optional>
#include <string>
#include <utility>

// The leak checker runs at exit and needs to trace the process and read
// its /proc entries, which the confinement forbids: sanitizer builds leave
// it off here (the extraction code's leaks are checked in the tests' own
// processes, which call it directly); the address checks stay on.
#if defined(__SANITIZE_ADDRESS__)
#define ORVANTA_LEAK_CHECKER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVANTA_LEAK_CHECKER 1
#endif
#endif
#ifdef ORVANTA_LEAK_CHECKER
extern "C" int __lsan_is_turned_off() { return 1; }
#endif

namespace {

using namespace orvanta::service;

// A one-page PDF that shows a word, read once before the confinement so
// that the PDF library and the character set converters it loads on first
// use are in place.
QByteArray warmUpPdf() {
  const QByteArray stream = "BT /F1 12 Tf 72 720 Td (warm) Tj ET";
  const QByteArray objects[] = {
      "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> >>",
      "<< /Length " + QByteArray::number(stream.size()) + " >>\nstream\n" + stream + "\nendstream",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"};
  QByteArray pdf = "%PDF-1.4\n";
  QByteArray table;
  int number = 0;
  for (const QByteArray& object : objects) {
    table += QByteArray::number(pdf.size()).rightJustified(10, '0') + " 00000 n \n";
    pdf += QByteArray::number(++number) + " 0 obj\n" + object + "\nendobj\n";
  }
  const QByteArray count = QByteArray::number(number + 1);
  const QByteArray start = QByteArray::number(pdf.size());
  return pdf + "xref\n0 " + count + "\n0000000000 65535 f \n" + table + "trailer\n<< /Size " + count +
         " /Root 1 0 R >>\nstartxref\n" + start + "\n%%EOF\n";
}

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
  extractText(DocumentFormat::Pdf, warmUpPdf());
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
