// The search and the panel fill of one Enter in Form1.
#include "form1_search.h"

#include "form1.h"
#include "form1_panel.h"
#include "platform/desktop_launcher.h"
#include "platform/file_system.h"

namespace orvanta::results_window {

namespace {

// The gap between the service's message and the preferences row, twips.
constexpr int kServiceMessageGap = 60;

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
      return true;
    case search::SearchOutcome::Completed:
      break;
  }
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
  Form1Panel panel(form);
  search::FillResultsPanel(panel, form.Panel, form.Search.categories, rowCaption);
  return !form.isUnloaded();
}

}  // namespace orvanta::results_window
