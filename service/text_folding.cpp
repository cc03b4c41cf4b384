// Name folding.
#include "text_folding.h"

namespace orvanta::service {

QString foldText(const QString& text) {
  const QString decomposed = text.normalized(QString::NormalizationForm_KD);
  QString folded;
  folded.reserve(decomposed.size());
  for (const QChar c : decomposed) {
    const QChar::Category category = c.category();
    if (category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
        category == QChar::Mark_Enclosing) {
      continue;
    }
    folded.append(c);
  }
  return folded.toCaseFolded();
}

}  // namespace orvanta::service
