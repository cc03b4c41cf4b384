// What the panel says when a search found nothing: the words searched for,
// and the words the search service suggests instead when its page names
// some.
#pragma once

#include <QString>

namespace orvanta::search {

// The suggestion a result page carries: the value of its first
// data-suggestion="..." attribute with &amp; &lt; &gt; &quot; and &#39;
// decoded (nothing else); empty when the page has none.
QString suggestionInPage(const QString& page);

// 'No files match "WORDS".', with ' Did you mean "SUGGESTION"?' after it
// when there is a suggestion.
QString noHitMessage(const QString& words, const QString& suggestion);

}  // namespace orvanta::search
