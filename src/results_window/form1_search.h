// What Enter in Form1's search box runs after the window's own steps: the
// search pipeline over the window's settings and state, then the fill of
// the window's rows.
#pragma once

#include "search/search_pipeline.h"

#include <QString>

#include <functional>

namespace orvanta::results_window {

class Form1;

// Clears the Top Hit label, runs `pipeline` for `text` with Form1's
// extension lists into Form1's search state, then sets the Top Hit label
// and Text2 and fills the rows. Returns false when the window was closed
// while the search waited (nothing of it is touched after that), true
// otherwise, also when another search was already running.
bool searchAndFill(Form1& form, search::SearchPipeline& pipeline, const QString& text);

// The search of typed words: only the search address is asked, into a
// copy of Form1's search state. When the answer is in and `stale()` is
// false, the copy becomes the window's, and the rows are filled in one go
// (no event runs in between, so no half-filled panel is ever painted);
// until then the earlier rows stay as they are. Returns false when the
// window was closed while the answer was awaited.
bool typedSearchAndFill(Form1& form, search::SearchPipeline& pipeline, const QString& text,
                        const std::function<bool()>& stale);

}  // namespace orvanta::results_window
