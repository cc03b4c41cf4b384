// Font stand-ins through Qt's substitution table.
#include "fonts.h"

#include <QStringList>

namespace orvanta::platform {

void installFontSubstitutions() {
  const QStringList sans{QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial")};
  QFont::insertSubstitutions(QStringLiteral("Lucida Grande"), sans);
  QFont::insertSubstitutions(QStringLiteral("MACGrande"), QStringList{QStringLiteral("Lucida Grande")} + sans);
  QFont::insertSubstitutions(QStringLiteral("Small Fonts"), sans);
}

QFont designFont(const QString& family, double pointSize, bool bold) {
  QFont font(family);
  font.setPointSizeF(pointSize);
  font.setWeight(bold ? QFont::Bold : QFont::Normal);
  return font;
}

}  // namespace orvanta::platform
