// The embedded web browser service: a view that navigates to an address,
// tells its current location and reports after every navigation step.
// Created on demand through a BrowserFactory, so a window that never loads
// one pays nothing for the engine.
#pragma once

#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace orvanta::platform {

class Browser {
 public:
  virtual ~Browser() = default;

  // The view to place in a window; owned by the browser's parent widget.
  virtual QWidget* widget() = 0;

  // Starts loading `address`; returns at once.
  virtual void navigate(const QString& address) = 0;

  // The address of the page shown (or being loaded), empty before the first
  // navigation.
  virtual QString locationUrl() const = 0;

  // Called after each navigation step (start, address change, finish).
  virtual void setNavigationObserver(std::function<void()> observer) = 0;
};

// Creates a browser whose view is a child of `parent`.
using BrowserFactory = std::function<std::unique_ptr<Browser>(QWidget* parent)>;

}  // namespace orvanta::platform
