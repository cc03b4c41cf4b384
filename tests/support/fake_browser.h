// A browser without an engine: navigating moves its location at once and
// reports one navigation step; tests can move it elsewhere as a redirect would.
#pragma once

#include "platform/browser.h"

#include <QStringList>

namespace orvanta::testing {

class FakeBrowser : public platform::Browser {
 public:
  explicit FakeBrowser(QWidget* parent);

  QWidget* widget() override { return widget_; }
  void navigate(const QString& address) override;
  QString locationUrl() const override { return location_; }
  void setNavigationObserver(std::function<void()> observer) override { observer_ = std::move(observer); }

  // Lands on `address` as if the page had sent the browser there.
  void arriveAt(const QString& address);

  const QStringList& navigations() const { return navigations_; }

 private:
  QWidget* widget_;
  QString location_;
  QStringList navigations_;
  std::function<void()> observer_;
};

// A factory that remembers the last browser it made.
struct FakeBrowserFactory {
  FakeBrowser* last = nullptr;
  int created = 0;
  platform::BrowserFactory factory();
};

}  // namespace orvanta::testing
