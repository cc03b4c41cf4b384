// Text extraction by format, with the limits that keep a hostile document
// from growing without bound.
#include "text_extraction.h"

#include "pdf_text.h"

#include <QSet>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace orvanta::service {

namespace {

// The longest entity name taken, its ';' included ("&thetasym;" is ten).
constexpr qsizetype kMaxEntityChars = 12;

void cap(QString& text) {
  if (text.size() > kMaxTextChars) text.truncate(kMaxTextChars);
}

QString decodeEntity(const QString& name) {
  static const QHash<QString, QString> named{
      {QStringLiteral("amp"), QStringLiteral("&")},   {QStringLiteral("lt"), QStringLiteral("<")},
      {QStringLiteral("gt"), QStringLiteral(">")},    {QStringLiteral("quot"), QStringLiteral("\"")},
      {QStringLiteral("apos"), QStringLiteral("'")},  {QStringLiteral("nbsp"), QStringLiteral(" ")},
      {QStringLiteral("shy"), QString()}};
  if (name.startsWith(u'#')) {
    bool ok = false;
    const uint code = name.startsWith(QStringLiteral("#x"), Qt::CaseInsensitive) ? name.mid(2).toUInt(&ok, 16)
                                                                                  : name.mid(1).toUInt(&ok, 10);
    if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return QStringLiteral(" ");
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
  }
  return named.value(name.toLower(), QStringLiteral(" "));
}

}  // namespace

QString textOfPlain(const QByteArray& data) {
  // UTF-8 (with or without a byte order mark), else Latin-1.
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8.decode(data);
  if (utf8.hasError()) text = QString::fromLatin1(data);
  text.replace(QChar(0), u' ');
  cap(text);
  return text;
}

QString textOfHtml(const QString& html) {
  // Tags dropped, the contents of script and style elements too, entities
  // decoded; a tag counts as a word break.
  QString text;
  text.reserve(html.size() / 2);
  qsizetype i = 0;
  const qsizetype n = html.size();
  while (i < n && text.size() < kMaxTextChars) {
    const QChar c = html[i];
    if (c == u'<') {
      if (html.mid(i, 4) == QStringLiteral("<!--")) {
        const qsizetype end = html.indexOf(QStringLiteral("-->"), i + 4);
        i = end < 0 ? n : end + 3;
        continue;
      }
      qsizetype end = html.indexOf(u'>', i + 1);
      if (end < 0) end = n;
      const QString tag = html.mid(i + 1, end - i - 1).trimmed().toLower();
      i = end + 1;
      text.append(u' ');
      for (const QString& skipped : {QStringLiteral("script"), QStringLiteral("style")}) {
        if (tag == skipped || tag.startsWith(skipped + u' ') || tag.startsWith(skipped + u'>')) {
          const qsizetype close = html.indexOf(QStringLiteral("</") + skipped, i, Qt::CaseInsensitive);
          i = close < 0 ? n : close;
        }
      }
    } else if (c == u'&') {
      // An entity is short: its end is looked for in the next few
      // characters only, so text full of '&' costs no more than other text.
      const qsizetype offset = QStringView(html).mid(i + 1, kMaxEntityChars).indexOf(u';');
      const qsizetype semicolon = offset < 0 ? -1 : i + 1 + offset;
      if (semicolon > i + 1) {
        text.append(decodeEntity(html.mid(i + 1, semicolon - i - 1)));
        i = semicolon + 1;
      } else {
        text.append(c);
        ++i;
      }
    } else {
      text.append(c);
      ++i;
    }
  }
  cap(text);
  return text;
}

std::optional<QString> textOfXml(const QByteArray& xml) {
  // The character data of every element; the end of an element breaks
  // words, so paragraphs and cells do not run together.
  QXmlStreamReader reader(xml);
  QString text;
  while (!reader.atEnd() && text.size() < kMaxTextChars) {
    switch (reader.readNext()) {
      case QXmlStreamReader::Characters:
        text.append(reader.text());
        break;
      case QXmlStreamReader::EndElement: {
        const QStringView name = reader.name();
        // Office Open XML runs: words go on across them.
        if (name != u"t" && name != u"r" && name != u"span") text.append(u' ');
        break;
      }
      default:
        break;
    }
  }
  if (reader.hasError() && text.trimmed().isEmpty()) return std::nullopt;
  cap(text);
  return text;
}

std::optional<QByteArray> zipMember(const QByteArray& zip, const char* name, qint64 maxBytes) {
  std::unique_ptr<archive, int (*)(archive*)> reader(archive_read_new(), archive_read_free);
  if (!reader) return std::nullopt;
  archive_read_support_format_zip(reader.get());
  if (archive_read_open_memory(reader.get(), zip.constData(), static_cast<size_t>(zip.size())) != ARCHIVE_OK) {
    return std::nullopt;
  }
  archive_entry* entry = nullptr;
  while (archive_read_next_header(reader.get(), &entry) == ARCHIVE_OK) {
    const char* path = archive_entry_pathname(entry);
    if (!path || qstrcmp(path, name) != 0) {
      archive_read_data_skip(reader.get());
      continue;
    }
    // Read in pieces up to the limit: a zip bomb stops here.
    QByteArray data;
    char buffer[65536];
    for (;;) {
      const la_ssize_t got = archive_read_data(reader.get(), buffer, sizeof buffer);
      if (got < 0) return data.isEmpty() ? std::nullopt : std::optional<QByteArray>(data);
      if (got == 0) break;
      data.append(buffer, static_cast<qsizetype>(got));
      if (data.size() >= maxBytes) break;
    }
    return data;
  }
  return std::nullopt;
}

std::optional<QString> extractText(DocumentFormat format, const QByteArray& data) {
  switch (format) {
    case DocumentFormat::None:
      return std::nullopt;
    case DocumentFormat::Text:
      return textOfPlain(data);
    case DocumentFormat::Html:
      return textOfHtml(textOfPlain(data));
    case DocumentFormat::Xml:
      return textOfXml(data);
    case DocumentFormat::OpenDocument:
    case DocumentFormat::OfficeXml: {
      const char* member = format == DocumentFormat::OpenDocument ? "content.xml" : "word/document.xml";
      const std::optional<QByteArray> xml = zipMember(data, member, kMaxUnpackedBytes);
      if (!xml) return std::nullopt;
      return textOfXml(*xml);
    }
    case DocumentFormat::Pdf: {
      std::optional<QString> text = textOfPdf(data, kMaxTextChars);
      if (text) cap(*text);
      return text;
    }
  }
  return std::nullopt;
}

}  // namespace orvanta::service
