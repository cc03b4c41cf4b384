// Reading and writing the registry editor's export format, in the file's own
// encoding and keeping the text of everything that did not change.
#include "registry_file_format.h"

#include <QByteArrayView>
#include <QStringDecoder>
#include <QStringList>
#include <QStringView>

#include <algorithm>
#include <iterator>
#include <utility>

namespace orvanta::platform {
namespace {

const QString kHeader5 = QStringLiteral("Windows Registry Editor Version 5.00");
const QString kHeader4 = QStringLiteral("REGEDIT4");

// Hives the program does not use: their sections are kept as they are.
const char16_t* const kOtherRoots[] = {u"HKEY_CURRENT_USER", u"HKEY_USERS", u"HKEY_CURRENT_CONFIG",
                                       u"HKEY_DYN_DATA", u"HKEY_PERFORMANCE_DATA"};

// Windows-1252 from 0x80 to 0x9f; the five bytes it leaves undefined stand
// for the control character of the same number, as Windows reads them.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Is `path` equal to `parent` or below it?
bool isAtOrBelow(const QString& path, const QString& parent) {
  if (parent.isEmpty()) return true;
  if (path.size() < parent.size()) return false;
  if (QStringView(path).left(parent.size()).compare(parent, Qt::CaseInsensitive) != 0) return false;
  return path.size() == parent.size() || path.at(parent.size()) == QLatin1Char('\\');
}

// The key of `keyIndex_`: the root's name and the case-folded path.
QString indexName(RegRoot root, const QString& normalisedPath) {
  QString name = rootName(root);
  if (!normalisedPath.isEmpty()) name += QLatin1Char('\\') + normalisedPath.toCaseFolded();
  return name;
}

// Removes an index entry with all the entries below it: in the ordered map
// they run from "name\" up to "name]" ("]" follows "\").
void eraseTree(std::map<QString, size_t>& index, const QString& name) {
  index.erase(name);
  index.erase(index.lower_bound(name + QLatin1Char('\\')), index.lower_bound(name + QLatin1Char(']')));
}

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

QByteArray toUtf16Le(const QString& text) { return toUtf16Bytes(text, false); }

// Decodes UTF-16LE bytes; nothing when the byte count is odd.
std::optional<QString> fromUtf16Le(const QByteArray& bytes) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  return fromUtf16Bytes(bytes, false);
}

// One line of the file: its bytes, line break included, from `begin` to
// `end`, and its text without the line break.
struct Line {
  qsizetype begin = 0;
  qsizetype end = 0;
  QString text;
  bool endsInCrLf = false;
};

// Walks the file line by line in its encoding.
class LineCursor {
 public:
  LineCursor(const QByteArray& bytes, qsizetype start, RegFileEncoding encoding, bool* windows1252)
      : bytes_(bytes), pos_(start), encoding_(encoding), windows1252_(windows1252) {}

  bool next(Line& line) {
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

 private:
  const QByteArray& bytes_;
  qsizetype pos_;
  RegFileEncoding encoding_;
  bool* windows1252_;
};

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

std::optional<RegRoot> parseRoot(QStringView name) {
  if (name.compare(u"HKEY_LOCAL_MACHINE", Qt::CaseInsensitive) == 0) return RegRoot::LocalMachine;
  if (name.compare(u"HKEY_CLASSES_ROOT", Qt::CaseInsensitive) == 0) return RegRoot::ClassesRoot;
  return std::nullopt;
}

bool isOtherRoot(QStringView name) {
  return std::any_of(std::begin(kOtherRoots), std::end(kOtherRoots),
                     [&](const char16_t* root) { return name.compare(QStringView(root), Qt::CaseInsensitive) == 0; });
}

bool isStringType(quint32 type) { return type == RegSz || type == RegExpandSz || type == RegMultiSz; }

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

}  // namespace

QString normaliseKeyPath(const QString& path) {
  QStringList parts = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
  return parts.join(QLatin1Char('\\'));
}

QString rootName(RegRoot root) {
  return root == RegRoot::ClassesRoot ? QStringLiteral("HKEY_CLASSES_ROOT") : QStringLiteral("HKEY_LOCAL_MACHINE");
}

const RegFileValue* RegFileKey::lookUp(const QString& name) const {
  if (index_.size() != static_cast<qsizetype>(values.size())) {
    index_.clear();
    for (size_t i = 0; i < values.size(); ++i) index_.insert(values[i].name.toCaseFolded(), static_cast<qsizetype>(i));
  }
  const auto it = index_.constFind(name.toCaseFolded());
  if (it != index_.constEnd() && *it < static_cast<qsizetype>(values.size()) && sameName(values[*it].name, name)) {
    return &values[*it];
  }
  // Not there, or a name was changed in place behind the index: look
  // through the list and start the index afresh.
  index_.clear();
  for (const RegFileValue& value : values) {
    if (sameName(value.name, name)) return &value;
  }
  return nullptr;
}

void RegFileData::rebuildKeyIndex() {
  keyIndex_.clear();
  for (size_t i = 0; i < keys_.size(); ++i) {
    if (!keys_[i].otherHive) keyIndex_.emplace(indexName(keys_[i].root, keys_[i].path), i);
  }
}

RegFileKey* RegFileData::findKey(RegRoot root, const QString& path) {
  const auto it = keyIndex_.find(indexName(root, normaliseKeyPath(path)));
  return it == keyIndex_.end() ? nullptr : &keys_[it->second];
}

const RegFileKey* RegFileData::findKey(RegRoot root, const QString& path) const {
  return const_cast<RegFileData*>(this)->findKey(root, path);
}

bool RegFileData::keyExists(RegRoot root, const QString& path) const {
  const QString wanted = normaliseKeyPath(path);
  if (wanted.isEmpty()) return true;
  const QString name = indexName(root, wanted);
  if (keyIndex_.count(name) != 0) return true;
  const QString below = name + QLatin1Char('\\');
  const auto it = keyIndex_.lower_bound(below);
  return it != keyIndex_.end() && it->first.startsWith(below);
}

RegFileKey& RegFileData::ensureKey(RegRoot root, const QString& path) {
  const QString normalised = normaliseKeyPath(path);
  const auto [it, added] = keyIndex_.emplace(indexName(root, normalised), keys_.size());
  if (added) {
    RegFileKey key;
    key.root = root;
    key.path = normalised;
    keys_.push_back(std::move(key));
  }
  return keys_[it->second];
}

void RegFileData::removeKey(RegRoot root, const QString& path) {
  const QString wanted = normaliseKeyPath(path);
  std::erase_if(keys_, [&](const RegFileKey& key) {
    return !key.otherHive && key.root == root && isAtOrBelow(key.path, wanted);
  });
  rebuildKeyIndex();
}

const RegFileValue* RegFileData::findValue(const RegFileKey& key, const QString& name) { return key.lookUp(name); }

void RegFileData::setValue(RegFileKey& key, RegFileValue value) {
  if (const RegFileValue* found = key.lookUp(value.name)) {
    auto& existing = const_cast<RegFileValue&>(*found);
    if (existing.type == value.type && existing.data == value.data) return;
    existing.type = value.type;
    existing.data = std::move(value.data);
    existing.source.clear();
    return;
  }
  key.index_.insert(value.name.toCaseFolded(), static_cast<qsizetype>(key.values.size()));
  key.values.push_back(std::move(value));
}

void RegFileData::removeValue(RegFileKey& key, const QString& name) {
  std::erase_if(key.values, [&](const RegFileValue& value) { return sameName(value.name, name); });
  key.index_.clear();
}

std::optional<RegFileData> parseRegFile(const QByteArray& bytes, QString* error) {
  RegFileData data;
  qsizetype start = 0;
  if (bytes.startsWith("\xff\xfe")) {
    data.encoding_ = RegFileEncoding::Utf16Le;
    start = 2;
  } else if (bytes.startsWith("\xfe\xff")) {
    data.encoding_ = RegFileEncoding::Utf16Be;
    start = 2;
  } else if (bytes.startsWith("\xef\xbb\xbf")) {
    start = 3;
  } else if (bytes.size() >= 2 && bytes[0] != '\0' && bytes[1] == '\0') {
    data.encoding_ = RegFileEncoding::Utf16Le;  // UTF-16 without its mark
  } else if (bytes.size() >= 2 && bytes[0] == '\0' && bytes[1] != '\0') {
    data.encoding_ = RegFileEncoding::Utf16Be;
  }
  data.prelude_ = bytes.left(start);

  auto fail = [&](qsizetype lineNumber, const QString& what) -> std::optional<RegFileData> {
    if (error) *error = QStringLiteral("line %1: %2").arg(lineNumber).arg(what);
    return std::nullopt;
  };

  LineCursor cursor(bytes, start, data.encoding_, &data.windows1252Lines_);
  Line line;
  qsizetype lineNumber = 0;
  bool lineEndKnown = false;
  bool textBeforeHeader = false;
  QByteArray pending;      // blank and comment lines waiting for the next section or value
  qsizetype current = -1;  // the section the value lines belong to
  bool inOtherHive = false;
  auto raw = [&](qsizetype begin, qsizetype end) { return bytes.sliced(begin, end - begin); };

  while (cursor.next(line)) {
    ++lineNumber;
    if (!lineEndKnown && line.end < bytes.size()) {
      data.lineEnd_ = line.endsInCrLf ? QStringLiteral("\r\n") : QStringLiteral("\n");
      lineEndKnown = true;
    }
    const QString trimmed = line.text.trimmed();
    if (!data.headerSeen_) {
      data.prelude_ += raw(line.begin, line.end);
      if (trimmed.isEmpty()) continue;
      if (trimmed.startsWith(QLatin1Char(';'))) {
        textBeforeHeader = true;
        continue;
      }
      if (trimmed == kHeader4) {
        data.regedit4_ = true;
      } else if (trimmed != kHeader5) {
        return fail(lineNumber, QStringLiteral("expected the line \"%1\" or \"%2\"").arg(kHeader5, kHeader4));
      }
      data.headerSeen_ = true;
      continue;
    }
    const bool opensSection = trimmed.startsWith(QLatin1Char('['));
    if (inOtherHive && !opensSection) {
      data.keys_.back().source += raw(line.begin, line.end);
      continue;
    }
    inOtherHive = false;
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';'))) {
      pending += raw(line.begin, line.end);
      continue;
    }
    if (opensSection) {
      if (!trimmed.endsWith(QLatin1Char(']'))) return fail(lineNumber, QStringLiteral("unterminated key name"));
      QStringView name = QStringView(trimmed).sliced(1, trimmed.size() - 2);
      const bool removal = name.startsWith(QLatin1Char('-'));
      if (removal) name = name.sliced(1);
      const qsizetype slash = name.indexOf(QLatin1Char('\\'));
      const QStringView rootText = slash < 0 ? name : name.left(slash);
      if (isOtherRoot(rootText)) {
        RegFileKey kept;
        kept.otherHive = true;
        kept.lead = std::exchange(pending, QByteArray());
        kept.source = raw(line.begin, line.end);
        data.keys_.push_back(std::move(kept));
        inOtherHive = true;
        current = -1;
        continue;
      }
      const auto root = parseRoot(rootText);
      if (!root) return fail(lineNumber, QStringLiteral("unknown root key"));
      const QString path = normaliseKeyPath(slash < 0 ? QString() : name.sliced(slash + 1).toString());
      const QString indexed = indexName(*root, path);
      if (removal) {
        // The deleted keys stay in `keys_` until the end, left out of the
        // index; the line itself has done its work and is not kept.
        eraseTree(data.keyIndex_, indexed);
        current = -1;
        continue;
      }
      const auto [it, added] = data.keyIndex_.emplace(indexed, data.keys_.size());
      if (added) {
        RegFileKey key;
        key.root = *root;
        key.path = path;
        key.lead = std::exchange(pending, QByteArray());
        key.source = raw(line.begin, line.end);
        data.keys_.push_back(std::move(key));
      } else {
        // A second section of the same key: its values join the first,
        // its header line goes along with the next of them.
        pending += raw(line.begin, line.end);
      }
      current = static_cast<qsizetype>(it->second);
      continue;
    }
    if (current < 0) return fail(lineNumber, QStringLiteral("value outside of a key"));
    const qsizetype valueLine = lineNumber;
    const qsizetype sourceBegin = line.begin;
    QString text = trimmed;
    QString name;
    qsizetype pos = 0;
    if (text.startsWith(QLatin1Char('@'))) {
      pos = 1;
    } else if (text.startsWith(QLatin1Char('"'))) {
      pos = 1;
      const auto quoted = readQuoted(text, pos);
      if (!quoted) return fail(lineNumber, QStringLiteral("unterminated value name"));
      name = *quoted;
    } else {
      return fail(lineNumber, QStringLiteral("expected a key or a value"));
    }
    while (pos < text.size() && text.at(pos).isSpace()) ++pos;
    if (pos >= text.size() || text.at(pos) != QLatin1Char('=')) {
      return fail(lineNumber, QStringLiteral("expected \"=\" after the value name"));
    }
    const qsizetype dataStart = pos + 1;
    qsizetype sourceEnd = line.end;
    // Hex data may continue over several lines, each but the last ending in "\".
    if (QStringView(text).sliced(dataStart).trimmed().startsWith(u"hex", Qt::CaseInsensitive)) {
      while (text.endsWith(QLatin1Char('\\')) && cursor.next(line)) {
        ++lineNumber;
        text.chop(1);
        text.append(line.text.trimmed());
        sourceEnd = line.end;
      }
    }
    bool remove = false;
    auto value = parseData(QStringView(text).sliced(dataStart), data.regedit4_, &remove);
    if (!value) return fail(valueLine, QStringLiteral("unreadable value data"));
    RegFileKey& key = data.keys_[current];
    const QString folded = name.toCaseFolded();
    if (remove) {
      // As with keys: left out of the index, dropped at the end.
      key.index_.remove(folded);
      continue;
    }
    value->name = name;
    value->source = raw(sourceBegin, sourceEnd);
    const auto found = key.index_.constFind(folded);
    if (found != key.index_.constEnd()) {
      // A value stated twice: the later statement counts, in the place of
      // the first; the comments before it go on to what follows.
      RegFileValue& existing = key.values[*found];
      existing.type = value->type;
      existing.data = std::move(value->data);
      existing.source = std::move(value->source);
    } else {
      value->lead = std::exchange(pending, QByteArray());
      key.index_.insert(folded, static_cast<qsizetype>(key.values.size()));
      key.values.push_back(std::move(*value));
    }
  }
  if (!data.headerSeen_ && textBeforeHeader) return fail(1, QStringLiteral("missing header"));
  data.epilogue_ = pending;

  // Drop the keys and values that a deletion line removed: those the index
  // no longer leads to.
  std::vector<RegFileKey> kept;
  kept.reserve(data.keys_.size());
  for (size_t i = 0; i < data.keys_.size(); ++i) {
    RegFileKey& key = data.keys_[i];
    if (!key.otherHive) {
      const auto it = data.keyIndex_.find(indexName(key.root, key.path));
      if (it == data.keyIndex_.end() || it->second != i) continue;
      if (key.index_.size() != static_cast<qsizetype>(key.values.size())) {
        std::vector<RegFileValue> values;
        for (size_t j = 0; j < key.values.size(); ++j) {
          if (key.index_.value(key.values[j].name.toCaseFolded(), -1) == static_cast<qsizetype>(j)) {
            values.push_back(std::move(key.values[j]));
          }
        }
        key.values = std::move(values);
        key.index_.clear();
      }
    }
    kept.push_back(std::move(key));
  }
  data.keys_ = std::move(kept);
  data.rebuildKeyIndex();
  return data;
}

QByteArray serializeRegFile(const RegFileData& data) {
  const RegFileEncoding encoding = data.encoding_;
  const bool windows1252 = data.regedit4_ && data.windows1252Lines_;
  auto encode = [&](const QString& text) -> QByteArray {
    switch (encoding) {
      case RegFileEncoding::Utf16Le:
        return toUtf16Bytes(text, false);
      case RegFileEncoding::Utf16Be:
        return toUtf16Bytes(text, true);
      case RegFileEncoding::Utf8:
        break;
    }
    return to8Bit(text, windows1252);
  };
  const QByteArray newline = encode(QStringLiteral("\n"));
  QByteArray out;
  // Text made here starts on a line of its own, also after a last line
  // that had no line break.
  auto startLine = [&] {
    if (!out.isEmpty() && !out.endsWith(newline)) out += encode(data.lineEnd_);
  };

  if (data.headerSeen_) {
    out = data.prelude_;
  } else {
    if (encoding == RegFileEncoding::Utf16Le) out = QByteArrayLiteral("\xff\xfe");
    if (encoding == RegFileEncoding::Utf16Be) out = QByteArrayLiteral("\xfe\xff");
    out += encode((data.regedit4_ ? kHeader4 : kHeader5) + data.lineEnd_);
  }
  for (const RegFileKey& key : data.keys_) {
    out += key.lead;
    if (key.otherHive) {
      out += key.source;
      continue;
    }
    if (key.source.isEmpty()) {
      startLine();
      QString header = data.lineEnd_ + QLatin1Char('[') + rootName(key.root);
      if (!key.path.isEmpty()) header += QLatin1Char('\\') + key.path;
      out += encode(header + QLatin1Char(']') + data.lineEnd_);
    } else {
      out += key.source;
    }
    for (const RegFileValue& value : key.values) {
      out += value.lead;
      if (value.source.isEmpty()) {
        startLine();
        out += encode(formatValue(value, data.regedit4_, windows1252, data.lineEnd_) + data.lineEnd_);
      } else {
        out += value.source;
      }
    }
  }
  out += data.epilogue_;
  return out;
}

}  // namespace orvanta::platform
