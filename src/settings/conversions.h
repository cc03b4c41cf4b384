// Text and number conversions the settings lean on: reading a stored text as
// a 32-bit integer or a double, and writing a number the way first-run
// defaults are stored (" 7") or the way the preferences window formats its
// box ("45.00").
#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace orvanta::settings {

// Text to a signed 32-bit integer. Surrounding blanks are ignored; the
// locale's decimal separator and an exponent are accepted; a fraction rounds
// to the nearest integer, halves to the even neighbour ("12.5" is 12, "13.5"
// is 14); "&h" reads hexadecimal and "&o" octal digits (up to four hex
// digits give a 16-bit value, so "&hFFFF" is -1). Empty or non-numeric text
// and values outside the 32-bit range give nothing.
std::optional<qint32> textToLong(const QString& text);

// Text to a double, with the same syntax and no rounding.
std::optional<double> textToDouble(const QString& text);

// Rounds to the nearest integer, halves to even; nothing outside 32 bits.
std::optional<qint32> roundToLong(double value);

// A number as displayed: one leading blank before a non-negative number
// (" 7", " 330"), a minus sign before a negative one ("-3").
QString numberToText(qint64 value);

// A number in fixed-point form with two decimals and no thousands
// separators ("45.00", "-3.00", "0.50").
QString formatFixed(double value);

}  // namespace orvanta::settings
