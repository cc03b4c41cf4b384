// The engine-less browser of the widget tests.
#include "fake_browser.h"

#include <QWidget>

namespace orvanta::testing {

FakeBrowser::FakeBrowser(QWidget* parent) : widget_(new QWidget(parent)) {
  widget_->setObjectName(QStringLiteral("FakeBrowserView"));
  widget_->setFocusPolicy(Qt::StrongFocus);
}

void FakeBrowser::navigate(const QString& address) {
  navigations_ << address;
  arriveAt(address);
}

void FakeBrowser::arriveAt(const QString& address) {
  location_ = address;
  if (observer_) observer_();
}

platform::BrowserFactory FakeBrowserFactory::factory() {
  return [this](QWidget* parent) {
    auto browser = std::make_unique<FakeBrowser>(parent);
    last = browser.get();
    ++created;
    return std::unique_ptr<platform::Browser>(std::move(browser));
  };
}

}  // namespace orvanta::testing
