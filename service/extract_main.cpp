// local-search-extract: the service's text extraction helper. Reads file
// paths from standard input, each ended by a NUL byte, and answers each
// with a line "ok LENGTH" followed by LENGTH bytes of UTF-8 text, or a line
// "no 0". Runs with capped memory; the service kills it when a file takes
// too long and starts a new one for the next file.
#include "extract_io.h"
#include "text_extraction.h"

#include <cstdio>
#include <string>

int main() {
  using namespace orvanta::service;
  limitHelperResources();
  std::string path;
  for (;;) {
    const int c = std::getchar();
    if (c == EOF) return 0;
    if (c != 0) {
      path.push_back(static_cast<char>(c));
      continue;
    }
    const QByteArray name(path.data(), static_cast<qsizetype>(path.size()));
    path.clear();
    std::optional<QString> text;
    const DocumentFormat format = formatOf(name);
    if (format != DocumentFormat::None) {
      if (const std::optional<QByteArray> data = readRegularFile(name, kMaxDocumentBytes)) {
        text = extractText(format, *data);
      }
    }
    if (text) {
      const QByteArray utf8 = text->toUtf8();
      std::printf("ok %lld\n", static_cast<long long>(utf8.size()));
      std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stdout);
    } else {
      std::printf("no 0\n");
    }
    std::fflush(stdout);
  }
}
