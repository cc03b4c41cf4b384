// The formats the extraction helper reads, by extension.
#include "document_format.h"

#include <QSet>

namespace orvanta::service {

namespace {

const QSet<QByteArray>& plainExtensions() {
  static const QSet<QByteArray> extensions{
      "txt", "text", "md", "markdown", "rst", "org", "csv", "tsv", "log", "json", "yaml", "yml", "toml", "ini",
      "cfg", "conf", "tex", "bib", "c", "cc", "cpp", "cxx", "h", "hh", "hpp", "hxx", "m", "mm", "py", "pyi",
      "js", "mjs", "ts", "tsx", "jsx", "java", "kt", "go", "rs", "rb", "php", "pl", "pm", "sh", "bash", "zsh",
      "fish", "css", "scss", "sql", "lua", "swift", "cs", "scala", "hs", "el", "lisp", "clj", "r", "vim", "cmake",
      "qml", "pro", "bat", "ps1", "tcl", "dart", "erl", "ex", "exs", "ml", "mli", "nim", "zig", "d", "f90", "vb",
      "vbs", "bas", "frm", "asm", "s", "diff", "patch", "srt", "vtt", "nfo", "desktop"};
  return extensions;
}

}  // namespace

DocumentFormat formatOf(const QByteArray& fileName) {
  const qsizetype slash = fileName.lastIndexOf('/');
  const QByteArray name = fileName.mid(slash + 1);
  const qsizetype dot = name.lastIndexOf('.');
  if (dot <= 0) return DocumentFormat::None;
  const QByteArray extension = name.mid(dot + 1).toLower();
  if (extension == "pdf") return DocumentFormat::Pdf;
  if (extension == "html" || extension == "htm" || extension == "xhtml") return DocumentFormat::Html;
  if (extension == "xml" || extension == "svg") return DocumentFormat::Xml;
  if (extension == "odt" || extension == "ott" || extension == "fodt") {
    return extension == "fodt" ? DocumentFormat::Xml : DocumentFormat::OpenDocument;
  }
  if (extension == "docx" || extension == "docm" || extension == "dotx") return DocumentFormat::OfficeXml;
  if (plainExtensions().contains(extension)) return DocumentFormat::Text;
  return DocumentFormat::None;
}

}  // namespace orvanta::service
