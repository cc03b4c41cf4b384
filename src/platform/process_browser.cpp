// Browser in a child process: a native host widget, the process started
// directly with an argument list, commands out and reports in as lines.
#include "process_browser.h"

#include "browser_protocol.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QResizeEvent>
#include <QWidget>

#include <cstdio>

namespace orvanta::platform {
namespace {

namespace protocol = browser_protocol;

// How long the browser process may take to end once told to.
constexpr int kEndWaitMs = 3000;
// The most a report line may hold; longer output is dropped.
constexpr qsizetype kLongestLine = 1 << 20;
// How much of the browser's error output is kept for a crash report.
constexpr qsizetype kErrorTail = 4096;

// The native window the browser process draws into; tells its size on.
class HostWidget : public QWidget {
 public:
  HostWidget(QWidget* parent, std::function<void(QSize)> resized) : QWidget(parent), resized_(std::move(resized)) {
    setObjectName(QStringLiteral("BrowserHost"));
    setAttribute(Qt::WA_NativeWindow);
    // The child process paints this area; Qt must not paint over it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
  }

  // The browser behind the widget has ended; the widget itself may stay
  // with its window for a while.
  void detach() { resized_ = nullptr; }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    if (resized_) resized_(event->size());
  }

 private:
  std::function<void(QSize)> resized_;
};

class ProcessBrowser : public QObject, public Browser {
 public:
  ProcessBrowser(QWidget* parent, const QString& program, QStringList arguments) {
    host_ = new HostWidget(parent, [this](QSize size) { send(protocol::resizeCommand(size)); });
    // The engine's start-up dump and its GPU notes stay quiet unless
    // ORVANTA_BROWSER_DEBUG asks for them; the end of the output is kept so
    // that a crash is still reported with it.
    if (qEnvironmentVariableIntValue("ORVANTA_BROWSER_DEBUG") > 0) {
      process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    } else {
      process_.setProcessChannelMode(QProcess::SeparateChannels);
      connect(&process_, &QProcess::readyReadStandardError, this, [this] { keepErrorTail(); });
    }
    connect(&process_, &QProcess::finished, this, [this, program](int status, QProcess::ExitStatus exitStatus) {
      if (exitStatus == QProcess::NormalExit && status == 0) return;
      keepErrorTail();
      std::fprintf(stderr, "orvanta: the browser %s ended unexpectedly (%s)%s\n", qPrintable(program),
                   exitStatus == QProcess::CrashExit ? "crashed" : qPrintable(QStringLiteral("status %1").arg(status)),
                   errorTail_.isEmpty() ? "" : "; its last output:");
      if (!errorTail_.isEmpty()) {
        std::fwrite(errorTail_.constData(), 1, static_cast<size_t>(errorTail_.size()), stderr);
        if (!errorTail_.endsWith('\n')) std::fputc('\n', stderr);
      }
      errorTail_.clear();
    });
    // Reports are read from the event loop, not inside the process object's
    // own signal: the observer may end this browser, and the process with it.
    connect(&process_, &QProcess::readyReadStandardOutput, this, [this] { readReports(); }, Qt::QueuedConnection);
    connect(&process_, &QProcess::errorOccurred, this, [this, program](QProcess::ProcessError error) {
      if (error == QProcess::FailedToStart) {
        std::fprintf(stderr, "orvanta: the browser %s could not be started: %s\n", qPrintable(program),
                     qPrintable(process_.errorString()));
      }
    });
    arguments << QStringLiteral("--parent-window") << QString::number(host_->winId());
    process_.start(program, arguments);
    send(protocol::resizeCommand(host_->size()));
  }

  ~ProcessBrowser() override {
    if (host_) host_->detach();
    disconnect(&process_, nullptr, this, nullptr);
    if (process_.state() == QProcess::NotRunning) return;
    // The end of its input ends the browser process; it is waited for so
    // that it leaves our window before the window goes.
    process_.closeWriteChannel();
    if (!process_.waitForFinished(kEndWaitMs)) {
      process_.kill();
      process_.waitForFinished(kEndWaitMs);
    }
  }

  QWidget* widget() override { return host_; }

  void navigate(const QString& address) override { send(protocol::navigateCommand(QUrl::fromUserInput(address))); }

  QString locationUrl() const override { return location_; }

  void setNavigationObserver(std::function<void()> observer) override { observer_ = std::move(observer); }

 private:
  void send(const QByteArray& line) {
    // Before the start has finished QProcess keeps what is written and
    // hands it over once the process runs.
    if (process_.state() == QProcess::NotRunning) return;
    process_.write(line);
  }

  // Keeps the last part of the browser's error output.
  void keepErrorTail() {
    errorTail_ += process_.readAllStandardError();
    if (errorTail_.size() > kErrorTail) {
      errorTail_.remove(0, errorTail_.size() - kErrorTail);
      // From the start of a line.
      if (const qsizetype newline = errorTail_.indexOf('\n'); newline >= 0) errorTail_.remove(0, newline + 1);
    }
  }

  void readReports() {
    // The observer may end this browser together with its window.
    const QPointer<QObject> self(this);
    pending_ += process_.readAllStandardOutput();
    for (qsizetype end; (end = pending_.indexOf('\n')) >= 0;) {
      const protocol::Message message = protocol::parseLine(QByteArrayView(pending_).first(end));
      pending_.remove(0, end + 1);
      if (message.kind == protocol::Message::Kind::Escape) {
        // Escape pressed while the keyboard was in the view (another
        // process's window) reaches the window that holds the view as if
        // pressed there, so that it closes as Escape closes it elsewhere.
        if (host_) {
          QCoreApplication::postEvent(host_, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
          QCoreApplication::postEvent(host_, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier));
        }
        continue;
      }
      if (message.kind != protocol::Message::Kind::Location) continue;
      location_ = message.url.toString();
      // A copy is called, so that the observer outlives its own call.
      if (const std::function<void()> observer = observer_) observer();
      if (!self) return;
    }
    if (pending_.size() > kLongestLine) pending_.clear();
  }

  QPointer<HostWidget> host_;
  QProcess process_;
  QByteArray pending_;
  QByteArray errorTail_;
  QString location_;
  std::function<void()> observer_;
};

// Stands where no browser can be shown: one line of text, no pages.
class MissingBrowser : public Browser {
 public:
  MissingBrowser(QWidget* parent, const QString& message) {
    label_ = new QLabel(message, parent);
    label_->setObjectName(QStringLiteral("BrowserMissing"));
    label_->setTextFormat(Qt::PlainText);
    label_->setAlignment(Qt::AlignCenter);
    label_->setWordWrap(true);
  }

  QWidget* widget() override { return label_; }
  void navigate(const QString&) override {}
  QString locationUrl() const override { return QString(); }
  void setNavigationObserver(std::function<void()>) override {}

 private:
  QPointer<QLabel> label_;
};

}  // namespace

BrowserFactory missingBrowserFactory(QString message) {
  return [message = std::move(message)](QWidget* parent) -> std::unique_ptr<Browser> {
    return std::make_unique<MissingBrowser>(parent, message);
  };
}

BrowserFactory processBrowserFactory(QString program, QStringList arguments) {
  return [program = std::move(program), arguments = std::move(arguments)](QWidget* parent) -> std::unique_ptr<Browser> {
    return std::make_unique<ProcessBrowser>(parent, program, arguments);
  };
}

QString installedBrowserProgram() {
#if defined(Q_OS_WIN)
  const QString name = QStringLiteral("orvanta-browser.exe");
#else
  const QString name = QStringLiteral("orvanta-browser");
#endif
  const QDir programFolder(QCoreApplication::applicationDirPath());
  for (const QString& candidate : {programFolder.filePath(QStringLiteral(ORVANTA_HELPERS_FROM_PROGRAM) + u'/' + name),
                                   programFolder.filePath(name)}) {
    const QFileInfo file(candidate);
    if (file.isFile() && file.isExecutable()) return QDir::cleanPath(file.absoluteFilePath());
  }
  return QString();
}

}  // namespace orvanta::platform
