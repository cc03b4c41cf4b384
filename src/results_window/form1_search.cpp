// The search and the panel fill of one Enter in Form1.
#include "form1_search.h"

#include "form1.h"
#include "form1_panel.h"
#include "platform/desktop_launcher.h"
#include "platform/file_system.h"
#include "search/no_hit_message.h"

#include <QPointer>

#include <algorithm>

namespace orvanta::results_window {

namespace {

// The gap between the service's message and the preferences row, twips.
constexpr int kServiceMessageGap = 60;

// The panel of a fill that lets no event run in between.
class QuietForm1Panel : public Form1Panel {
 public:
  using Form1Panel::Form1Panel;
  void pumpEvents() override {}
};

// Fills the rows from the search in Form1's state, for the words `text`;
// `quiet` fills without letting events run.
void fillFromSearch(Form1& form, const QString& text, bool quiet = false) {
  // An application file shows the name its desktop gives it.
  platform::DesktopLauncher* desktop = form.desktopLauncher();
  const search::GetFileNameFunction rowCaption = [desktop](const QString& path) {
    if (desktop && desktop->isApplication(path)) {
      const QString name = desktop->applicationName(path);
      if (!name.isEmpty()) return name;
    }
    return platform::FileSystem::GetFileName(path);
  };
  search::TopHitLabel topHit = form.Search.topHit;
  if (!topHit.toolTip.isEmpty()) topHit.caption = rowCaption(topHit.toolTip);
  form.setTopHitLabel(topHit);
  form.Text2()->setPlainText(form.Search.text2);
  // A search that could not fetch its pages says so where the first group
  // would start; the preferences row and the window's bottom come below.
  const QString message = search::serviceFailureMessage(form.Search.failure, form.Search.failedServer);
  if (!message.isEmpty()) form.Panel.RowTop += form.showServiceMessage(message, form.Panel.RowTop) + kServiceMessageGap;
  // A search that found nothing says so in the Top Hit row's place, with
  // the service's suggestion when its page has one.
  const bool nothingFound = message.isEmpty() && !search::fillShowsAHit(form.Panel, form.Search.categories);
  if (nothingFound) {
    const QString words = text.trimmed();
    const int height = form.showServiceMessage(
        search::noHitMessage(words, search::suggestionInPage(form.Search.ResultPage)), search::kTopHitTop);
    form.Panel.RowTop = std::max(form.Panel.RowTop, search::kTopHitTop + height);
  }
  Form1Panel loud(form);
  QuietForm1Panel silent(form);
  search::FillResultsPanel(quiet ? static_cast<Form1Panel&>(silent) : loud, form.Panel, form.Search.categories,
                           rowCaption);
  // No empty Top Hit row stands beside the message.
  if (nothingFound) form.LeftsideLabel(1)->hide();
}

}  // namespace

bool searchAndFill(Form1& form, search::SearchPipeline& pipeline, const QString& text) {
  form.setTopHitLabel({});
  form.hideServiceMessage();
  search::ExtensionLists extensions = form.Extensions;
  extensions.desktopApplications = form.desktopLauncher() ? platform::desktopApplicationExtensions() : QString();
  // The window is only hidden when it is closed, so its closed state is
  // asked as well as whether it still exists.
  const search::SearchOutcome outcome =
      pipeline.run(text, extensions, form.Search, &form, [&form] { return form.isUnloaded(); });
  switch (outcome) {
    case search::SearchOutcome::Abandoned:
      return false;
    case search::SearchOutcome::Ignored:
    case search::SearchOutcome::Cancelled:
      return true;
    case search::SearchOutcome::Completed:
      break;
  }
  fillFromSearch(form, text);
  return !form.isUnloaded();
}

bool typedSearchAndFill(Form1& form, search::SearchPipeline& pipeline, const QString& text,
                        const std::function<bool()>& stale) {
  search::ExtensionLists extensions = form.Extensions;
  extensions.desktopApplications = form.desktopLauncher() ? platform::desktopApplicationExtensions() : QString();
  search::SearchState state = form.Search;
  const QPointer<Form1> window(&form);
  const search::SearchOutcome outcome =
      pipeline.runTyped(text, extensions, state, &form, [window] { return !window || window->isUnloaded(); });
  switch (outcome) {
    case search::SearchOutcome::Abandoned:
      return false;
    case search::SearchOutcome::Ignored:
    case search::SearchOutcome::Cancelled:
      return true;
    case search::SearchOutcome::Completed:
      break;
  }
  if (stale()) return true;
  form.Search = std::move(state);
  form.Panel.RowTop = search::kFirstRowTop;
  form.Panel.RowIndex = 1;
  form.hideServiceMessage();
  form.CloseButton()->setVisible(true);
  fillFromSearch(form, text, true);
  form.setRowsFromTypedSearch(true);
  return !form.isUnloaded();
}

}  // namespace orvanta::results_window
