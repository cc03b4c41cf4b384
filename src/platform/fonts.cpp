// Font stand-ins through Qt's substitution table.
#include "fonts.h"

#include <QStringList>

#if defined(ORVANTA_HAVE_FONTCONFIG)
#include <fontconfig/fontconfig.h>
#endif

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

FontConfigurationPreload::FontConfigurationPreload() {
#if defined(ORVANTA_HAVE_FONTCONFIG)
  // fontconfig is thread-safe: should Qt ask for the configuration while
  // this thread still reads it, both get a whole one.
  thread_ = std::thread([] { FcInit(); });
#endif
}

FontConfigurationPreload::~FontConfigurationPreload() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace orvanta::platform
