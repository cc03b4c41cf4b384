// Reading and writing the registry editor's export format.
#include "registry_file_format.h"

#include <QRegularExpression>
#include <QStringList>
#include <QStringView>

#include <algorithm>

namespace orvanta::platform {
namespace {

const QString kHeader = QStringLiteral("Windows Registry Editor Version 5.00");
// A value line whose data is in hex form, the only form that may continue.
const QRegularExpression kHexValueLine(QStringLiteral(R"(^\s*(@|"(?:[^"\\]|\\.)*")\s*=\s*hex)"),
                                       QRegularExpression::CaseInsensitiveOption);

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Is `path` equal to `parent` or below it?
bool isAtOrBelow(const QString& path, const QString& parent) {
  if (parent.isEmpty()) return true;
  if (path.size() < parent.size()) return false;
  if (QStringView(path).left(parent.size()).compare(parent, Qt::CaseInsensitive) != 0) return false;
  return path.size() == parent.size() || path.at(parent.size()) == QLatin1Char('\\');
}

QByteArray toUtf16Le(const QString& text) {
  QByteArray bytes;
  bytes.reserve(text.size() * 2);
  for (QChar c : text) {
    const char16_t u = c.unicode();
    bytes.append(static_cast<char>(u & 0xff));
    bytes.append(static_cast<char>(u >> 8));
  }
  return bytes;
}

// Decodes UTF-16LE bytes; nothing when the byte count is odd.
std::optional<QString> fromUtf16Le(const QByteArray& bytes) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  QString text;
  text.reserve(bytes.size() / 2);
  for (qsizetype i = 0; i < bytes.size(); i += 2) {
    const auto lo = static_cast<unsigned char>(bytes[i]);
    const auto hi = static_cast<unsigned char>(bytes[i + 1]);
    text.append(QChar(static_cast<char16_t>(lo | (hi << 8))));
  }
  return text;
}

// Undoes the two escapes of a quoted text (\\ and \"), starting after the
// opening quote at `pos`. Returns the text and leaves `pos` after the
// closing quote, or nothing when no closing quote follows. A backslash before
// any other character stands for itself, so hand-written Windows paths read
// as typed.
std::optional<QString> readQuoted(QStringView line, qsizetype& pos) {
  QString out;
  while (pos < line.size()) {
    const QChar c = line.at(pos);
    if (c == QLatin1Char('"')) {
      ++pos;
      return out;
    }
    if (c == QLatin1Char('\\') && pos + 1 < line.size() &&
        (line.at(pos + 1) == QLatin1Char('\\') || line.at(pos + 1) == QLatin1Char('"'))) {
      out.append(line.at(pos + 1));
      pos += 2;
      continue;
    }
    out.append(c);
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

std::optional<QByteArray> parseHexBytes(QStringView text) {
  QByteArray bytes;
  const QString trimmed = text.trimmed().toString();
  if (trimmed.isEmpty()) return bytes;
  for (const QString& part : trimmed.split(QLatin1Char(','))) {
    const QString byte = part.trimmed();
    if (byte.isEmpty() || byte.size() > 2) return std::nullopt;
    bool ok = false;
    const uint value = byte.toUInt(&ok, 16);
    if (!ok) return std::nullopt;
    bytes.append(static_cast<char>(value));
  }
  return bytes;
}

std::optional<RegRoot> parseRoot(const QString& name) {
  if (sameName(name, QStringLiteral("HKEY_LOCAL_MACHINE"))) return RegRoot::LocalMachine;
  if (sameName(name, QStringLiteral("HKEY_CLASSES_ROOT"))) return RegRoot::ClassesRoot;
  return std::nullopt;
}

// Parses the right-hand side of a value line. Nothing on a syntax error;
// `remove` is set for the deletion form "name"=-.
std::optional<RegFileValue> parseData(QStringView rhs, bool* remove) {
  *remove = false;
  RegFileValue value;
  const QStringView data = rhs.trimmed();
  if (data == u"-") {
    *remove = true;
    return value;
  }
  if (data.startsWith(QLatin1Char('"'))) {
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
    const uint number = digits.toString().toUInt(&ok, 16);
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
    const uint type = data.mid(4, close - 4).toString().toUInt(&ok, 16);
    if (!ok) return std::nullopt;
    auto bytes = parseHexBytes(data.mid(close + 2));
    if (!bytes) return std::nullopt;
    value.type = type;
    value.data = *bytes;
    return value;
  }
  return std::nullopt;
}

QString hexLines(const QString& prefix, const QByteArray& bytes) {
  QString out = prefix;
  qsizetype lineLength = out.size();
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    QString byte = QStringLiteral("%1").arg(static_cast<unsigned char>(bytes[i]), 2, 16, QLatin1Char('0'));
    if (i + 1 < bytes.size()) byte.append(QLatin1Char(','));
    if (lineLength + byte.size() > 77 && i + 1 < bytes.size()) {
      out.append(QStringLiteral("\\\n  "));
      lineLength = 2;
    }
    out.append(byte);
    lineLength += byte.size();
  }
  return out;
}

QString formatValue(const RegFileValue& value) {
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
  const QString prefix = value.type == RegBinary
                             ? name + QStringLiteral("=hex:")
                             : name + QStringLiteral("=hex(%1):").arg(value.type, 0, 16);
  return hexLines(prefix, value.data);
}

}  // namespace

QString normaliseKeyPath(const QString& path) {
  QStringList parts = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
  return parts.join(QLatin1Char('\\'));
}

QString rootName(RegRoot root) {
  return root == RegRoot::ClassesRoot ? QStringLiteral("HKEY_CLASSES_ROOT") : QStringLiteral("HKEY_LOCAL_MACHINE");
}

RegFileKey* RegFileData::findKey(RegRoot root, const QString& path) {
  const QString wanted = normaliseKeyPath(path);
  for (RegFileKey& key : keys_) {
    if (key.root == root && sameName(key.path, wanted)) return &key;
  }
  return nullptr;
}

const RegFileKey* RegFileData::findKey(RegRoot root, const QString& path) const {
  return const_cast<RegFileData*>(this)->findKey(root, path);
}

bool RegFileData::keyExists(RegRoot root, const QString& path) const {
  const QString wanted = normaliseKeyPath(path);
  if (wanted.isEmpty()) return true;
  return std::any_of(keys_.begin(), keys_.end(),
                     [&](const RegFileKey& key) { return key.root == root && isAtOrBelow(key.path, wanted); });
}

RegFileKey& RegFileData::ensureKey(RegRoot root, const QString& path) {
  if (RegFileKey* key = findKey(root, path)) return *key;
  keys_.push_back(RegFileKey{root, normaliseKeyPath(path), {}});
  return keys_.back();
}

void RegFileData::removeKey(RegRoot root, const QString& path) {
  const QString wanted = normaliseKeyPath(path);
  std::erase_if(keys_, [&](const RegFileKey& key) { return key.root == root && isAtOrBelow(key.path, wanted); });
}

const RegFileValue* RegFileData::findValue(const RegFileKey& key, const QString& name) {
  for (const RegFileValue& value : key.values) {
    if (sameName(value.name, name)) return &value;
  }
  return nullptr;
}

void RegFileData::setValue(RegFileKey& key, RegFileValue value) {
  for (RegFileValue& existing : key.values) {
    if (sameName(existing.name, value.name)) {
      existing.type = value.type;
      existing.data = std::move(value.data);
      return;
    }
  }
  key.values.push_back(std::move(value));
}

void RegFileData::removeValue(RegFileKey& key, const QString& name) {
  std::erase_if(key.values, [&](const RegFileValue& value) { return sameName(value.name, name); });
}

std::optional<RegFileData> parseRegFile(const QByteArray& bytes, QString* error) {
  QString text = QString::fromUtf8(bytes);
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  const QStringList rawLines = text.split(QLatin1Char('\n'));

  RegFileData data;
  RegFileKey* current = nullptr;
  bool headerSeen = false;
  auto fail = [&](qsizetype lineNumber, const QString& what) -> std::optional<RegFileData> {
    if (error) *error = QStringLiteral("line %1: %2").arg(lineNumber).arg(what);
    return std::nullopt;
  };

  for (qsizetype i = 0; i < rawLines.size(); ++i) {
    const qsizetype lineNumber = i + 1;
    QString line = rawLines[i];
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    // Hex data may continue over several lines, each but the last ending in "\".
    while (line.endsWith(QLatin1Char('\\')) && kHexValueLine.match(line).hasMatch() && i + 1 < rawLines.size()) {
      line.chop(1);
      QString next = rawLines[++i];
      if (next.endsWith(QLatin1Char('\r'))) next.chop(1);
      line.append(next.trimmed());
    }
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';'))) continue;
    if (!headerSeen) {
      if (trimmed != kHeader) return fail(lineNumber, QStringLiteral("expected the line \"%1\"").arg(kHeader));
      headerSeen = true;
      continue;
    }
    if (trimmed.startsWith(QLatin1Char('['))) {
      if (!trimmed.endsWith(QLatin1Char(']'))) return fail(lineNumber, QStringLiteral("unterminated key name"));
      QString name = trimmed.mid(1, trimmed.size() - 2);
      const bool removal = name.startsWith(QLatin1Char('-'));
      if (removal) name.remove(0, 1);
      const qsizetype slash = name.indexOf(QLatin1Char('\\'));
      const auto root = parseRoot(slash < 0 ? name : name.left(slash));
      if (!root) return fail(lineNumber, QStringLiteral("unknown root key"));
      const QString path = slash < 0 ? QString() : name.mid(slash + 1);
      if (removal) {
        data.removeKey(*root, path);
        current = nullptr;
      } else {
        current = &data.ensureKey(*root, path);
      }
      continue;
    }
    if (!current) return fail(lineNumber, QStringLiteral("value outside of a key"));
    QString name;
    qsizetype pos = 0;
    if (trimmed.startsWith(QLatin1Char('@'))) {
      pos = 1;
    } else if (trimmed.startsWith(QLatin1Char('"'))) {
      pos = 1;
      const auto quoted = readQuoted(trimmed, pos);
      if (!quoted) return fail(lineNumber, QStringLiteral("unterminated value name"));
      name = *quoted;
    } else {
      return fail(lineNumber, QStringLiteral("expected a key or a value"));
    }
    while (pos < trimmed.size() && trimmed.at(pos).isSpace()) ++pos;
    if (pos >= trimmed.size() || trimmed.at(pos) != QLatin1Char('=')) {
      return fail(lineNumber, QStringLiteral("expected \"=\" after the value name"));
    }
    bool remove = false;
    auto value = parseData(QStringView(trimmed).mid(pos + 1), &remove);
    if (!value) return fail(lineNumber, QStringLiteral("unreadable value data"));
    if (remove) {
      RegFileData::removeValue(*current, name);
    } else {
      value->name = name;
      RegFileData::setValue(*current, std::move(*value));
    }
  }
  if (!headerSeen && !text.trimmed().isEmpty()) return fail(1, QStringLiteral("missing header"));
  return data;
}

QByteArray serializeRegFile(const RegFileData& data) {
  QString out = kHeader + QLatin1Char('\n');
  for (const RegFileKey& key : data.keys()) {
    out.append(QLatin1Char('\n'));
    out.append(QLatin1Char('[') + rootName(key.root));
    if (!key.path.isEmpty()) out.append(QLatin1Char('\\') + key.path);
    out.append(QStringLiteral("]\n"));
    for (const RegFileValue& value : key.values) out.append(formatValue(value) + QLatin1Char('\n'));
  }
  return out.toUtf8();
}

}  // namespace orvanta::platform
