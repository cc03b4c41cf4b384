// orvanta-browser: the browser process of the preferences window. It shows
// one browser view inside the window whose id it is given, follows the
// commands on its standard input (navigate, resize), reports every
// navigation step on its standard output, and ends when its input ends.
#include "platform/browser_protocol.h"
#include "platform/webengine_browser.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

namespace protocol = orvanta::platform::browser_protocol;

namespace {

void report(const QByteArray& line) {
  std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
  std::fflush(stdout);
}

// Keeps the view's native window inside the host window. The engine makes
// that window anew (for its drawing surface) when its page first shows, and
// a new window would otherwise start on the desktop of its own.
class HostWindowKeeper : public QObject {
 public:
  HostWindowKeeper(QWidget* view, QWindow* host) : QObject(view), view_(view), host_(host) {
    view_->installEventFilter(this);
    embed();
  }
  ~HostWindowKeeper() override { delete host_; }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == view_ && event->type() == QEvent::WinIdChange) embed();
    return false;
  }

 private:
  void embed() {
    QWindow* window = view_->windowHandle();
    if (window && window->parent() != host_) window->setParent(host_);
  }

  QWidget* view_;
  QWindow* host_;
};

// Tells the program of each Escape pressed in the view: the view is a
// window of this process, so the keys typed while the pointer or the focus
// is in it never reach the program's window, which closes on Escape. The
// page still gets the key. Each press reaches a window of this process
// first, and is told once from there.
class EscapeReporter : public QObject {
 public:
  using QObject::QObject;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && watched->isWindowType()) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Escape && !key->isAutoRepeat() &&
          (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        report(protocol::escapeReport());
      }
    }
    return false;
  }
};

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("orvanta-browser"));
  // Only the end of the input ends the process.
  QApplication::setQuitOnLastWindowClosed(false);

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("The browser process of Orvanta's preferences window."));
  parser.addHelpOption();
  const QCommandLineOption parentOption(QStringLiteral("parent-window"),
                                        QStringLiteral("Show the browser inside the native window <id>."),
                                        QStringLiteral("id"));
  parser.addOption(parentOption);
  parser.process(app);

  std::unique_ptr<orvanta::platform::Browser> browser = orvanta::platform::webEngineBrowserFactory()(nullptr);
  QWidget* view = browser->widget();
  view->setWindowFlag(Qt::FramelessWindowHint);
  // The window it sits in keeps the keyboard focus: taking it would count
  // as another application being activated there.
  view->setWindowFlag(Qt::WindowDoesNotAcceptFocus);
  view->setAttribute(Qt::WA_ShowWithoutActivating);
  if (parser.isSet(parentOption)) {
    bool ok = false;
    const WId parent = parser.value(parentOption).toULongLong(&ok);
    if (!ok || parent == 0) {
      std::fprintf(stderr, "orvanta-browser: not a window id: %s\n", qPrintable(parser.value(parentOption)));
      return 2;
    }
    view->setAttribute(Qt::WA_NativeWindow);
    view->winId();
    new HostWindowKeeper(view, QWindow::fromWinId(parent));
  }
  app.installEventFilter(new EscapeReporter(&app));
  view->setGeometry(0, 0, 1, 1);
  browser->setNavigationObserver([&browser] { report(protocol::locationReport(QUrl(browser->locationUrl()))); });
  view->show();

  // Standard input is read on a thread of its own (a pipe cannot be
  // watched by the event loop everywhere); each line is handed over to the
  // user-interface thread.
  std::atomic<bool> inputEnded = false;
  std::thread reader([&app, &browser, &inputEnded] {
    std::string line;
    while (std::getline(std::cin, line)) {
      const protocol::Message message = protocol::parseLine(QByteArrayView(line.data(), qsizetype(line.size())));
      QMetaObject::invokeMethod(&app, [message, &browser] {
        QWidget* view = browser ? browser->widget() : nullptr;
        if (!view) return;
        switch (message.kind) {
          case protocol::Message::Kind::Navigate:
            browser->navigate(message.url.toString());
            break;
          case protocol::Message::Kind::Resize:
            view->setGeometry(0, 0, qMax(1, message.size.width()), qMax(1, message.size.height()));
            break;
          default:
            break;
        }
      });
    }
    inputEnded = true;
    // exit, not quit: quit first asks the windows to close, and the window
    // the view sits in may be gone with the program that made it.
    QMetaObject::invokeMethod(&app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  });

  const int status = QApplication::exec();
  browser.reset();
  if (!inputEnded) {
    // The reader still waits on the input and would outlive the
    // application it hands lines to.
    std::fflush(nullptr);
    std::_Exit(status);
  }
  reader.join();
  return status;
}
