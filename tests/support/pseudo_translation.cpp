// orvanta_pseudo_translation IN.ts OUT.ts: a pseudo-language made from the
// program's translation file: every source text becomes a longer one with
// its letters accented, in brackets ("[Šéárçh~]" for "Search"), its
// place markers (%1) and line breaks kept. A window shown in it shows at
// a glance any text that skipped the translation, and any control too
// small for a longer text.
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cstdio>

namespace {

QString pseudo(const QString& source) {
  static const QHash<QChar, QChar> accented{{u'a', u'á'}, {u'e', u'é'}, {u'i', u'í'}, {u'o', u'ö'}, {u'u', u'ü'},
                                            {u'c', u'ç'}, {u'n', u'ñ'}, {u's', u'š'}, {u'y', u'ý'}, {u'z', u'ž'},
                                            {u'A', u'Á'}, {u'E', u'É'}, {u'I', u'Í'}, {u'O', u'Ö'}, {u'U', u'Ü'},
                                            {u'C', u'Ç'}, {u'N', u'Ñ'}, {u'S', u'Š'}, {u'Y', u'Ý'}, {u'Z', u'Ž'}};
  QString text;
  for (qsizetype i = 0; i < source.size(); ++i) {
    const QChar c = source[i];
    // Place markers stay as they are.
    if (c == u'%' && i + 1 < source.size() && source[i + 1].isDigit()) {
      text += c;
      text += source[++i];
      continue;
    }
    text += accented.value(c, c);
  }
  // A fifth longer, and the brackets: short texts grow the most, as
  // translations of them do.
  const qsizetype extra = std::max<qsizetype>(1, source.size() / 5);
  return u'[' + text + QString(extra, u'~') + u']';
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: orvanta_pseudo_translation IN.ts OUT.ts\n");
    return 2;
  }
  QFile in(QString::fromLocal8Bit(argv[1]));
  QFile out(QString::fromLocal8Bit(argv[2]));
  if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    std::fprintf(stderr, "orvanta_pseudo_translation: cannot open the files\n");
    return 1;
  }
  QXmlStreamReader reader(&in);
  QXmlStreamWriter writer(&out);
  writer.setAutoFormatting(true);
  writer.writeStartDocument();
  writer.writeDTD(QStringLiteral("<!DOCTYPE TS>"));
  QString source;
  while (!reader.atEnd()) {
    reader.readNext();
    if (reader.isStartElement()) {
      const QString name = reader.name().toString();
      if (name == u"TS") {
        writer.writeStartElement(name);
        writer.writeAttribute(QStringLiteral("version"), QStringLiteral("2.1"));
        writer.writeAttribute(QStringLiteral("language"), QStringLiteral("eo"));
      } else if (name == u"source") {
        source = reader.readElementText();
        writer.writeTextElement(QStringLiteral("source"), source);
      } else if (name == u"translation") {
        reader.skipCurrentElement();
        writer.writeTextElement(QStringLiteral("translation"), pseudo(source));
      } else if (name == u"name") {
        writer.writeTextElement(QStringLiteral("name"), reader.readElementText());
      } else {
        writer.writeStartElement(name);
      }
    } else if (reader.isEndElement()) {
      const QString name = reader.name().toString();
      if (name != u"source" && name != u"translation" && name != u"name") writer.writeEndElement();
    }
  }
  writer.writeEndDocument();
  if (reader.hasError()) {
    std::fprintf(stderr, "orvanta_pseudo_translation: %s\n", qPrintable(reader.errorString()));
    return 1;
  }
  return 0;
}
