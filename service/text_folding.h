// Folding of names and query words for the name index: compatibility
// decomposition, combining marks dropped, case folded, so "Überblick" and
// "uberblick" compare equal.
#pragma once

#include <QString>

namespace orvanta::service {

QString foldText(const QString& text);

}  // namespace orvanta::service
