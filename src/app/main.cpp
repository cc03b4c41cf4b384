// orvanta: reads its command line, hands a start over to the program that
// already runs in the session, creates the platform services once, then
// loads the button window, which loads the results window hidden; the
// program ends when its last window is unloaded.
#include "command_line.h"
#include "single_instance.h"
#include "translations.h"
#include "desktop/preferences_host.h"
#include "desktop/windows.h"
#include "platform/fonts.h"
#include "platform/desktop_launcher.h"
#include "platform/recent_documents.h"
#include "platform/program_start.h"
#include "platform/qt_file_system.h"
#include "platform/qt_http_transfer.h"
#include "platform/registry.h"
#include "platform/process_browser.h"
#include "platform/user_notice.h"
#include "platform/window_system.h"
#include "results_window/form1_search.h"
#include "search/search_pipeline.h"
#include "settings/reg_keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>
#include <optional>
#include <utility>

namespace {

// How long after the button shows the panel's design is completed.
constexpr int kCompleteDesignAfterMs = 200;

// Puts `words` in the dropped panel's search box and searches for them, as
// Enter in the box does.
void searchInPanel(orvanta::desktop::Windows& windows, const QString& words) {
  if (!windows.isMenuButtonLoaded() || !windows.isForm1Loaded()) return;
  windows.menuButton().dropPanel();
  QLineEdit* box = windows.form1().Text1();
  box->setText(words);
  for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
    QCoreApplication::postEvent(box, new QKeyEvent(type, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r")));
  }
}

// The preferences window's browser: the helper process when it is
// installed, otherwise a line saying that it is not.
orvanta::platform::BrowserFactory browserFactory() {
  const QString program = orvanta::platform::installedBrowserProgram();
  if (program.isEmpty()) {
    return orvanta::platform::missingBrowserFactory(QCoreApplication::translate(
        "main", "The browser helper (orvanta-browser) is not installed: pages cannot be shown here."));
  }
  return orvanta::platform::processBrowserFactory(program);
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication::setApplicationName(QStringLiteral("orvanta"));
  QCoreApplication::setApplicationVersion(QStringLiteral(ORVANTA_VERSION));
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
  const orvanta::app::CommandLine commandLine = orvanta::app::parseCommandLine(arguments);
  if (commandLine.exit) {
    std::FILE* stream = commandLine.exit->toStandardError ? stderr : stdout;
    std::fputs(commandLine.exit->text.toLocal8Bit().constData(), stream);
    return commandLine.exit->status;
  }

#if defined(Q_OS_LINUX)
  // Topmost windows and absolute window positions need X11; on a Wayland
  // session the program runs through XWayland.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "xcb");
  }
#endif
  // Without a display the program says so in one line and ends.
  if (const auto problem = orvanta::platform::displayProblem()) {
    std::fprintf(stderr, "%s\n", qPrintable(*problem));
    return 1;
  }
  const orvanta::platform::FontConfigurationPreload fontConfiguration;
  // The preferences window's browser draws into a native child window;
  // its neighbours need no windows of their own for that.
  QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  orvanta::platform::installFontSubstitutions();
  orvanta::app::installTranslations(app);

  // One program per session: a later start hands its request over and ends.
  orvanta::app::SingleInstance singleInstance(orvanta::app::SingleInstance::defaultSocketName());
  if (!singleInstance.listen()) {
    if (singleInstance.sendToRunning(2000, commandLine.searchWords)) return 0;
    // Nobody took the request and the socket cannot be had: run alone.
  }

  const auto registry = orvanta::platform::createSystemRegistry();
  const orvanta::settings::RegKeys regKeys(*registry);
  const auto windowSystem = orvanta::platform::createSystemWindowSystem();
  // One transfer for the whole run, kept beyond the windows.
  orvanta::platform::QtHttpTransfer httpTransfer;
  const orvanta::platform::QtFileSystem fileSystem;
  const auto programStart = orvanta::platform::createSystemProgramStart();
  const auto desktopLauncher = orvanta::platform::createSystemDesktopLauncher();
  const auto recentDocuments = orvanta::platform::createSystemRecentDocuments();
  const auto userNotice = orvanta::platform::createSystemUserNotice();
  // An open that failed as the windows closed is told once the event loop
  // has ended, before the program does.
  std::optional<std::pair<QString, QString>> noticeAtEnd;
  orvanta::search::SearchPipeline searchPipeline(regKeys, httpTransfer, fileSystem);
  orvanta::desktop::PreferencesHost preferences(
      regKeys, *windowSystem, browserFactory(),
      [&httpTransfer](const QString& address) { return httpTransfer.openSession()->get(address); });

  int status = 0;
  {
    orvanta::desktop::Windows windows(regKeys, *windowSystem, preferences);
    preferences.setWindows(windows);
    windows.setForm1Setup([&](orvanta::results_window::Form1& form1) {
      form1.setSearchCallback([&form1, &searchPipeline](const QString& text) {
        return orvanta::results_window::searchAndFill(form1, searchPipeline, text);
      });
      form1.setTypedSearch(
          [&form1, &searchPipeline](const QString& text, const std::function<bool()>& stale) {
            return orvanta::results_window::typedSearchAndFill(form1, searchPipeline, text, stale);
          },
          [&searchPipeline] { searchPipeline.cancelTyped(); });
      form1.setProgramStart(*programStart);
      form1.setDesktopLauncher(*desktopLauncher);
      form1.setRecentDocuments(*recentDocuments);
      form1.setOpenFailureHandler([&windows, &userNotice, &noticeAtEnd](const QString& summary, const QString& body) {
        if (windows.allWindowsGone()) {
          noticeAtEnd.emplace(summary, body);
        } else {
          userNotice->tell(summary, body);
        }
      });
    });
    windows.setAllWindowsGoneHandler([] { QCoreApplication::exit(0); });

    windows.menuButton().show();
    QObject::connect(&singleInstance, &orvanta::app::SingleInstance::activationRequested, &app, [&windows] {
      if (windows.isMenuButtonLoaded()) windows.menuButton().dropPanel();
    });
    QObject::connect(&singleInstance, &orvanta::app::SingleInstance::searchRequested, &app,
                     [&windows](const QString& words) { searchInPanel(windows, words); });
    if (commandLine.searchWords) {
      searchInPanel(windows, *commandLine.searchWords);
    } else if (commandLine.showPanel && windows.isMenuButtonLoaded()) {
      windows.menuButton().dropPanel();
    }
    // The panel's design is completed once the button is up, well before
    // a click can need it.
    if (windows.isForm1Loaded()) {
      QTimer::singleShot(kCompleteDesignAfterMs, &windows.form1(), [&windows] {
        if (windows.isForm1Loaded()) windows.form1().completeDesign();
      });
    }
    if (!windows.allWindowsGone()) status = QApplication::exec();
  }
  if (noticeAtEnd) userNotice->tell(noticeAtEnd->first, noticeAtEnd->second);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return status;
}
