// Loads the compiled-in pictures.
#include "artwork.h"

namespace orvanta::desktop {

QPixmap artwork(const QString& name) { return QPixmap(QStringLiteral(":/artwork/") + name); }

}  // namespace orvanta::desktop
