// WebEngine browser: a view on an off-the-record profile, reporting each
// navigation step.
#include "webengine_browser.h"

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

namespace orvanta::platform {
namespace {

// The engine reads its switches from this variable when it starts.
constexpr char kSwitchesVariable[] = "QTWEBENGINE_CHROMIUM_FLAGS";

void prepareEngine() {
  static bool prepared = false;
  if (prepared) return;
  prepared = true;
  // Switches already in the variable are kept after ours.
  const QByteArray earlier = qgetenv(kSwitchesVariable);
  QByteArray switches = browserEngineSwitches(processRunsAsRoot()).toUtf8();
  if (!earlier.isEmpty()) switches += ' ' + earlier;
  qputenv(kSwitchesVariable, switches);
}

// Blocks every request of the engine that would leave this machine.
class LoopbackOnlyInterceptor : public QWebEngineUrlRequestInterceptor {
 public:
  using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    if (!browserMayLoad(info.requestUrl())) info.block(true);
  }
};

class WebEngineBrowser : public QObject, public Browser {
 public:
  explicit WebEngineBrowser(QWidget* parent) : profile_(new QWebEngineProfile(this)) {
    profile_->setUrlRequestInterceptor(new LoopbackOnlyInterceptor(profile_));
    view_ = new QWebEngineView(parent);
    view_->setObjectName(QStringLiteral("WebEngineView"));
    view_->setPage(new QWebEnginePage(profile_, view_));
    const auto step = [this] {
      if (observer_) observer_();
    };
    connect(view_, &QWebEngineView::loadStarted, this, step);
    connect(view_, &QWebEngineView::urlChanged, this, step);
    connect(view_, &QWebEngineView::loadFinished, this, step);
  }

  // The view (and its page) go before the profile they use.
  ~WebEngineBrowser() override { delete view_.data(); }

  QWidget* widget() override { return view_; }

  void navigate(const QString& address) override {
    if (view_) view_->setUrl(QUrl::fromUserInput(address));
  }

  QString locationUrl() const override { return view_ ? view_->url().toString() : QString(); }

  void setNavigationObserver(std::function<void()> observer) override { observer_ = std::move(observer); }

 private:
  QWebEngineProfile* profile_;
  QPointer<QWebEngineView> view_;
  std::function<void()> observer_;
};

}  // namespace

QString browserEngineSwitches(bool runningAsRoot) {
  QString switches = QStringLiteral(
      "--disable-background-networking --disable-component-update --disable-domain-reliability "
      "--disable-breakpad --dns-prefetch-disable --no-pings");
  if (runningAsRoot) switches += QStringLiteral(" --no-sandbox");
  return switches;
}

bool browserMayLoad(const QUrl& url) {
  static const QStringList networkSchemes = {QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("ws"),
                                             QStringLiteral("wss"), QStringLiteral("ftp")};
  if (!networkSchemes.contains(url.scheme())) return true;
  const QString host = url.host();
  return host == QLatin1String("localhost") || QHostAddress(host).isLoopback();
}

BrowserFactory webEngineBrowserFactory() {
  return [](QWidget* parent) -> std::unique_ptr<Browser> {
    prepareEngine();
    return std::make_unique<WebEngineBrowser>(parent);
  };
}

}  // namespace orvanta::platform
