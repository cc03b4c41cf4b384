// The text of a registry file: its encodings (8-bit text as UTF-8 or
// Windows-1252, UTF-16 in either byte order), its lines, and the syntax of
// a value line (quoted texts, dword:, hex:, hex(N):) read and written.
#include "registry_file_text.h"

#include <QStringDecoder>

#include <algorithm>
#include <iterator>

namespace orvanta::platform::regtext {
namespace {

// Windows-1252 from 0x80 to 0x9f; the five bytes it leaves undefined stand
// for the control character of the same number, as Windows reads them.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString fromWindows1252(QByteArrayView bytes) {
  QString text(bytes.size(), Qt::Uninitialized);
  QChar* out = text.data();
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    *out++ = QChar(b >= 0x80 && b < 0xa0 ? kWindows1252High[b - 0x80] : static_cast<char16_t>(b));
  }
  return text;
}

// Nothing when a character has no Windows-1252 byte.
std::optional<QByteArray> toWindows1252(QStringView text) {
  QByteArray out;
  out.reserve(text.size());
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xa0 && u <= 0xff)) {
      out.append(static_cast<char>(u));
      continue;
    }
    const auto* hit = std::find(std::begin(kWindows1252High), std::end(kWindows1252High), u);
    if (hit == std::end(kWindows1252High)) return std::nullopt;
    out.append(static_cast<char>(0x80 + (hit - std::begin(kWindows1252High))));
  }
  return out;
}

}  // namespace

// 8-bit text: UTF-8 when it is valid UTF-8, else Windows-1252 (and
// `windows1252` is set).
QString from8Bit(QByteArrayView bytes, bool* windows1252) {
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return QString::fromLatin1(bytes);
  }
  QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  QString text = decoder.decode(bytes);
  if (!decoder.hasError()) return text;
  if (windows1252) *windows1252 = true;
  return fromWindows1252(bytes);
}

QString fromUtf16Bytes(QByteArrayView bytes, bool bigEndian) {
  QString text(bytes.size() / 2, Qt::Uninitialized);
  QChar* out = text.data();
  for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    *out++ = QChar(static_cast<char16_t>(bigEndian ? (first << 8) | second : first | (second << 8)));
  }
  return text;
}

QByteArray toUtf16Bytes(QStringView text, bool bigEndian) {
  QByteArray bytes(text.size() * 2, Qt::Uninitialized);
  char* out = bytes.data();
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    const auto high = static_cast<char>(u >> 8);
    const auto low = static_cast<char>(u & 0xff);
    *out++ = bigEndian ? high : low;
    *out++ = bigEndian ? low : high;
  }
  return bytes;
}

namespace {

QByteArray toUtf16Le(const QString& text) { return toUtf16Bytes(text, false); }

// Decodes UTF-16LE bytes; nothing when the byte count is odd.
std::optional<QString> fromUtf16Le(const QByteArray& bytes) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  return fromUtf16Bytes(bytes, false);
}

}  // namespace

bool LineCursor::next(Line& line) {
  if (pos_ >= bytes_.size()) return false;
  line.begin = pos_;
  qsizetype contentEnd = bytes_.size();
  if (encoding_ == RegFileEncoding::Utf8) {
    const qsizetype newline = bytes_.indexOf('\n', pos_);
    if (newline >= 0) contentEnd = newline;
    line.end = newline >= 0 ? newline + 1 : bytes_.size();
    line.text = from8Bit(QByteArrayView(bytes_).sliced(pos_, contentEnd - pos_), windows1252_);
  } else {
    const bool bigEndian = encoding_ == RegFileEncoding::Utf16Be;
    const char lowByte = bigEndian ? 1 : 0;
    qsizetype i = pos_;
    for (; i + 1 < bytes_.size(); i += 2) {
      if (bytes_[i + lowByte] == '\n' && bytes_[i + 1 - lowByte] == '\0') break;
    }
    if (i + 1 < bytes_.size()) {
      contentEnd = i;
      line.end = i + 2;
    } else {
      line.end = bytes_.size();  // an odd last byte stays with the last line
    }
    line.text = fromUtf16Bytes(QByteArrayView(bytes_).sliced(pos_, contentEnd - pos_), bigEndian);
  }
  line.endsInCrLf = line.text.endsWith(QLatin1Char('\r'));
  if (line.endsInCrLf) line.text.chop(1);
  pos_ = line.end;
  return true;
}

// Undoes the two escapes of a quoted text (\\ and \"), starting after the
// opening quote at `pos`. Returns the text and leaves `pos` after the
// closing quote, or nothing when no closing quote follows. A backslash before
// any other character stands for itself, so hand-written Windows paths read
// as typed.
std::optional<QString> readQuoted(QStringView line, qsizetype& pos) {
  // Most texts hold no backslash: they are cut out whole.
  for (qsizetype i = pos; i < line.size(); ++i) {
    const QChar c = line.at(i);
    if (c == QLatin1Char('"')) {
      QString out = line.sliced(pos, i - pos).toString();
      pos = i + 1;
      return out;
    }
    if (c == QLatin1Char('\\')) break;
  }
  QString out;
  out.reserve(line.size() - pos);
  qsizetype plain = pos;  // start of the characters not yet copied
  while (pos < line.size()) {
    const QChar c = line.at(pos);
    if (c == QLatin1Char('"')) {
      out.append(line.sliced(plain, pos - plain));
      ++pos;
      return out;
    }
    if (c == QLatin1Char('\\') && pos + 1 < line.size() &&
        (line.at(pos + 1) == QLatin1Char('\\') || line.at(pos + 1) == QLatin1Char('"'))) {
      out.append(line.sliced(plain, pos - plain));
      plain = pos + 1;  // the escaped character itself
      pos += 2;
      continue;
    }
    ++pos;
  }
  return std::nullopt;
}

namespace {

QString quote(const QString& text) {
  QString out;
  out.reserve(text.size() + 2);
  out.append(QLatin1Char('"'));
  for (QChar c : text) {
    if (c == QLatin1Char('\\') || c == QLatin1Char('"')) out.append(QLatin1Char('\\'));
    out.append(c);
  }
  out.append(QLatin1Char('"'));
  return out;
}

int hexDigit(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  return -1;
}

std::optional<QByteArray> parseHexBytes(QStringView text) {
  QByteArray bytes;
  const QStringView trimmed = text.trimmed();
  if (trimmed.isEmpty()) return bytes;
  bytes.reserve(trimmed.size() / 3 + 1);
  for (const QStringView part : trimmed.tokenize(QLatin1Char(','))) {
    const QStringView byte = part.trimmed();
    if (byte.isEmpty() || byte.size() > 2) return std::nullopt;
    int value = 0;
    for (const QChar c : byte) {
      const int digit = hexDigit(c);
      if (digit < 0) return std::nullopt;
      value = value * 16 + digit;
    }
    bytes.append(static_cast<char>(value));
  }
  return bytes;
}

bool isStringType(quint32 type) { return type == RegSz || type == RegExpandSz || type == RegMultiSz; }

}  // namespace

// Parses the right-hand side of a value line. Nothing on a syntax error;
// `remove` is set for the deletion form "name"=-. In a REGEDIT4 file the
// hex data of string types is 8-bit text; it is held as UTF-16LE like the
// rest.
std::optional<RegFileValue> parseData(QStringView rhs, bool regedit4, bool* remove) {
  *remove = false;
  RegFileValue value;
  const QStringView data = rhs.trimmed();
  if (data == u"-") {
    *remove = true;
    return value;
  }
  if (data.startsWith(QLatin1Char('"'))) {
    // Most texts are quoted whole, without escapes.
    const qsizetype close = data.indexOf(QLatin1Char('"'), 1);
    if (close == data.size() - 1 && !data.sliced(1, close - 1).contains(QLatin1Char('\\'))) {
      value.type = RegSz;
      value.data = toUtf16Bytes(data.sliced(1, close - 1), false);
      return value;
    }
    qsizetype pos = 1;
    const auto text = readQuoted(data, pos);
    if (!text || !data.mid(pos).trimmed().isEmpty()) return std::nullopt;
    value.type = RegSz;
    value.data = toUtf16Le(*text);
    return value;
  }
  if (data.startsWith(u"dword:", Qt::CaseInsensitive)) {
    const QStringView digits = data.mid(6).trimmed();
    if (digits.isEmpty() || digits.size() > 8) return std::nullopt;
    bool ok = false;
    const uint number = digits.toUInt(&ok, 16);
    if (!ok) return std::nullopt;
    value.type = RegDword;
    for (int i = 0; i < 4; ++i) value.data.append(static_cast<char>((number >> (8 * i)) & 0xff));
    return value;
  }
  if (data.startsWith(u"hex:", Qt::CaseInsensitive)) {
    auto bytes = parseHexBytes(data.mid(4));
    if (!bytes) return std::nullopt;
    value.type = RegBinary;
    value.data = *bytes;
    return value;
  }
  if (data.startsWith(u"hex(", Qt::CaseInsensitive)) {
    const qsizetype close = data.indexOf(u"):");
    if (close < 0) return std::nullopt;
    bool ok = false;
    const uint type = data.mid(4, close - 4).toUInt(&ok, 16);
    if (!ok) return std::nullopt;
    auto bytes = parseHexBytes(data.mid(close + 2));
    if (!bytes) return std::nullopt;
    value.type = type;
    value.data = regedit4 && isStringType(type) ? toUtf16Le(from8Bit(*bytes, nullptr)) : *bytes;
    return value;
  }
  return std::nullopt;
}

namespace {

QString hexLines(const QString& prefix, const QByteArray& bytes, const QString& lineEnd) {
  QString out = prefix;
  qsizetype lineLength = out.size();
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    QString byte = QStringLiteral("%1").arg(static_cast<unsigned char>(bytes[i]), 2, 16, QLatin1Char('0'));
    if (i + 1 < bytes.size()) byte.append(QLatin1Char(','));
    if (lineLength + byte.size() > 77 && i + 1 < bytes.size()) {
      out.append(QLatin1Char('\\') + lineEnd + QStringLiteral("  "));
      lineLength = 2;
    }
    out.append(byte);
    lineLength += byte.size();
  }
  return out;
}

}  // namespace

// 8-bit bytes of a text for a REGEDIT4 file: Windows-1252 when the file
// is in it and the text fits, UTF-8 otherwise.
QByteArray to8Bit(QStringView text, bool windows1252) {
  if (windows1252) {
    if (auto bytes = toWindows1252(text)) return *bytes;
  }
  return text.toUtf8();
}

QString formatValue(const RegFileValue& value, bool regedit4, bool windows1252, const QString& lineEnd) {
  const QString name = value.name.isEmpty() ? QStringLiteral("@") : quote(value.name);
  if (value.type == RegSz) {
    const auto text = fromUtf16Le(value.data);
    if (text && !text->contains(QChar(0)) && !text->contains(QLatin1Char('\n')) &&
        !text->contains(QLatin1Char('\r'))) {
      return name + QLatin1Char('=') + quote(*text);
    }
  }
  if (value.type == RegDword && value.data.size() == 4) {
    quint32 number = 0;
    for (int i = 3; i >= 0; --i) number = (number << 8) | static_cast<unsigned char>(value.data[i]);
    return name + QStringLiteral("=dword:%1").arg(number, 8, 16, QLatin1Char('0'));
  }
  QByteArray bytes = value.data;
  if (regedit4 && isStringType(value.type)) {
    if (const auto text = fromUtf16Le(value.data)) bytes = to8Bit(*text, windows1252);
  }
  const QString prefix = value.type == RegBinary
                             ? name + QStringLiteral("=hex:")
                             : name + QStringLiteral("=hex(%1):").arg(value.type, 0, 16);
  return hexLines(prefix, bytes, lineEnd);
}

}  // namespace orvanta::platform::regtext
