// Outside Windows the search service's page is opened in the web browser:
// the first sentence of the design's instructions says so, the rest stands.
#include "search_instructions.h"

#include "service_defaults.h"

namespace orvanta::settings {

QString searchAddressInstructions(const QString& designText) {
  const qsizetype firstSentenceEnd = designText.indexOf(u'.');
  return QStringLiteral(
             "Do a search on the local search service's page, http://localhost:%1/, in the web "
             "browser.")
             .arg(kServicePort) +
         designText.mid(firstSentenceEnd + 1);
}

}  // namespace orvanta::settings
