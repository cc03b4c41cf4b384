// Number conversions.
#include "conversions.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace orvanta::settings {
namespace {

// Digits after "&h" or "&o"; nothing when the prefix is absent or malformed.
std::optional<double> radixValue(const QString& text, bool* isRadix) {
  *isRadix = false;
  if (text.size() < 2 || text.at(0) != QLatin1Char('&')) return std::nullopt;
  const QChar kind = text.at(1).toLower();
  int base = 0;
  int maxShortDigits = 0;
  int maxDigits = 0;
  if (kind == QLatin1Char('h')) {
    base = 16, maxShortDigits = 4, maxDigits = 8;
  } else if (kind == QLatin1Char('o')) {
    base = 8, maxShortDigits = 6, maxDigits = 11;
  } else {
    return std::nullopt;
  }
  *isRadix = true;
  const QString digits = text.mid(2);
  if (digits.isEmpty() || digits.size() > maxDigits) return std::nullopt;
  bool ok = false;
  const qulonglong raw = digits.toULongLong(&ok, base);
  if (!ok || raw > 0xFFFFFFFFull) return std::nullopt;
  // Short literals are 16-bit values, longer ones 32-bit, both signed.
  if (digits.size() <= maxShortDigits && raw <= 0xFFFF) return static_cast<double>(static_cast<qint16>(raw));
  return static_cast<double>(static_cast<qint32>(static_cast<quint32>(raw)));
}

}  // namespace

std::optional<double> textToDouble(const QString& text) {
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty()) return std::nullopt;
  bool isRadix = false;
  if (auto value = radixValue(trimmed, &isRadix); value || isRadix) return value;

  const QString separator = QLocale().decimalPoint();
  QString plain = trimmed;
  if (separator != QStringLiteral(".")) {
    if (plain.contains(QLatin1Char('.'))) return std::nullopt;
    plain.replace(separator, QStringLiteral("."));
  }
  static const QRegularExpression number(QStringLiteral(R"(^[+-]?(\d+\.?\d*|\.\d+)([eEdD][+-]?\d+)?$)"));
  if (!number.match(plain).hasMatch()) return std::nullopt;
  plain.replace(QLatin1Char('d'), QLatin1Char('e')).replace(QLatin1Char('D'), QLatin1Char('e'));
  bool ok = false;
  const double value = plain.toDouble(&ok);
  if (!ok || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<qint32> roundToLong(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double rounded = std::nearbyint(value);  // the default rounding mode sends halves to even
  if (rounded < static_cast<double>(std::numeric_limits<qint32>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<qint32>::max())) {
    return std::nullopt;
  }
  return static_cast<qint32>(rounded);
}

std::optional<qint32> textToLong(const QString& text) {
  const auto value = textToDouble(text);
  if (!value) return std::nullopt;
  return roundToLong(*value);
}

QString numberToText(qint64 value) {
  return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

QString formatFixed(double value) {
  QLocale locale;
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale.toString(value, 'f', 2);
}

}  // namespace orvanta::settings
