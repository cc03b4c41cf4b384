// The text of a registry file below its sections: the encodings a file may
// be in, the walk over its lines, and the syntax of one value line, read
// and written. Used by the registry file format alone.
#pragma once

#include "registry_file_format.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

namespace orvanta::platform::regtext {

// 8-bit text: UTF-8 when it is valid UTF-8, else Windows-1252 (and
// `windows1252` is set, when given).
QString from8Bit(QByteArrayView bytes, bool* windows1252);

// 8-bit bytes of a text for a REGEDIT4 file: Windows-1252 when the file
// is in it and the text fits, UTF-8 otherwise.
QByteArray to8Bit(QStringView text, bool windows1252);

// UTF-16 in the given byte order; an odd last byte is left out.
QString fromUtf16Bytes(QByteArrayView bytes, bool bigEndian);
QByteArray toUtf16Bytes(QStringView text, bool bigEndian);

// One line of the file: its bytes, line break included, from `begin` to
// `end`, and its text without the line break.
struct Line {
  qsizetype begin = 0;
  qsizetype end = 0;
  QString text;
  bool endsInCrLf = false;
};

// Walks the file line by line in its encoding, from `start` on. Lines of
// 8-bit text that are not UTF-8 set `windows1252`.
class LineCursor {
 public:
  LineCursor(const QByteArray& bytes, qsizetype start, RegFileEncoding encoding, bool* windows1252)
      : bytes_(bytes), pos_(start), encoding_(encoding), windows1252_(windows1252) {}

  // The next line; false at the end of the file.
  bool next(Line& line);

 private:
  const QByteArray& bytes_;
  qsizetype pos_;
  RegFileEncoding encoding_;
  bool* windows1252_;
};

// Reads a quoted text that starts after the opening quote at `pos`, and
// leaves `pos` after the closing quote; nothing when no closing quote
// follows.
std::optional<QString> readQuoted(QStringView line, qsizetype& pos);

// Parses the right-hand side of a value line (after "="). Nothing on a
// syntax error; `remove` is set for the deletion form "name"=-.
std::optional<RegFileValue> parseData(QStringView rhs, bool regedit4, bool* remove);

// The line(s) of a value in the file's form, without the last line end.
QString formatValue(const RegFileValue& value, bool regedit4, bool windows1252, const QString& lineEnd);

}  // namespace orvanta::platform::regtext
