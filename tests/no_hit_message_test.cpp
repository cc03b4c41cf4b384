// The message of a search that found nothing, and the suggestion read off
// the service's page.
#include "search/no_hit_message.h"

#include <gtest/gtest.h>

namespace orvanta::search {
namespace {

TEST(NoHitMessage, TheSuggestionIsTheFirstAttributeWithItsFiveEscapesDecoded) {
  const struct {
    const char* page;
    const char* suggestion;
  } cases[] = {
      {"<html><body><p>No hits.</p></body></html>", ""},
      {"<p class=\"none\" data-suggestion=\"report\">No hits.</p>", "report"},
      // The first attribute only.
      {"<p data-suggestion=\"first\"></p><p data-suggestion=\"second\"></p>", "first"},
      // Exactly the five escapes, each once, left to right: an escaped
      // ampersand before "lt;" stays an ampersand.
      {"<p data-suggestion=\"a &amp; b &lt;c&gt; &quot;d&quot; &#39;e&#39; &amp;lt; &apos; &#34; &copy;\">",
       "a & b <c> \"d\" 'e' &lt; &apos; &#34; &copy;"},
      {"<p data-suggestion=\"\"></p>", ""},
      // Not an attribute of its own, or never closed.
      {"<p xdata-suggestion=\"no\"></p>", ""},
      {"<p data-suggestion=\"unclosed", ""},
      // Non-ASCII words come through as they are.
      {"<p data-suggestion=\"\xc3\x9c"
       "berblick\"></p>",
       "\xc3\x9c"
       "berblick"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(suggestionInPage(QString::fromUtf8(c.page)), QString::fromUtf8(c.suggestion)) << c.page;
  }
}

TEST(NoHitMessage, NamesTheWordsAndTheSuggestionWhenThereIsOne) {
  EXPECT_EQ(noHitMessage(QStringLiteral("reprot"), QString()), QStringLiteral("No files match \"reprot\"."));
  EXPECT_EQ(noHitMessage(QStringLiteral("quarterly reprot"), QStringLiteral("quarterly report")),
            QStringLiteral("No files match \"quarterly reprot\". Did you mean \"quarterly report\"?"));
}

}  // namespace
}  // namespace orvanta::search
