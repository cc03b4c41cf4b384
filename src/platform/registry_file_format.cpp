// Reading and writing the registry editor's export format, in the file's own
// encoding and keeping the text of everything that did not change.
#include "registry_file_format.h"

#include "registry_file_text.h"

#include <QStringList>
#include <QStringView>

#include <algorithm>
#include <iterator>
#include <utility>

namespace orvanta::platform {
namespace {

using regtext::formatValue;
using regtext::Line;
using regtext::LineCursor;
using regtext::parseData;
using regtext::readQuoted;
using regtext::to8Bit;
using regtext::toUtf16Bytes;

const QString kHeader5 = QStringLiteral("Windows Registry Editor Version 5.00");
const QString kHeader4 = QStringLiteral("REGEDIT4");

// Hives the program does not use: their sections are kept as they are.
const char16_t* const kOtherRoots[] = {u"HKEY_CURRENT_USER", u"HKEY_USERS", u"HKEY_CURRENT_CONFIG",
                                       u"HKEY_DYN_DATA", u"HKEY_PERFORMANCE_DATA"};

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

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

std::optional<RegRoot> parseRoot(QStringView name) {
  if (name.compare(u"HKEY_LOCAL_MACHINE", Qt::CaseInsensitive) == 0) return RegRoot::LocalMachine;
  if (name.compare(u"HKEY_CLASSES_ROOT", Qt::CaseInsensitive) == 0) return RegRoot::ClassesRoot;
  return std::nullopt;
}

bool isOtherRoot(QStringView name) {
  return std::any_of(std::begin(kOtherRoots), std::end(kOtherRoots),
                     [&](const char16_t* root) { return name.compare(QStringView(root), Qt::CaseInsensitive) == 0; });
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
