// Form_OrvantaPreferences: the preferences window. Sets the anchor of the
// results panel with two sliders and a live preview, the most rows per
// group, the two halves of the search address, and holds a small workbench
// (raw page, embedded browser, link sniffing) for finding that address.
#pragma once

#include "platform/browser.h"
#include "settings/preferences_peers.h"
#include "settings/reg_keys.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSlider;

namespace orvanta::settings {

// A blocking GET of `address`: the whole answer body as text, or nothing
// when the transfer fails (no answer, invalid address, timeout).
using PageFetcher = std::function<std::optional<QString>(const QString& address)>;

class Form_OrvantaPreferences : public QWidget {
  Q_OBJECT

 public:
  // The window deletes itself when closed. The browser is created by
  // `browserFactory` when the window loads (its first show).
  Form_OrvantaPreferences(const RegKeys& regKeys, PreferencesPeers& peers, platform::BrowserFactory browserFactory,
                          PageFetcher fetcher, QWidget* parent = nullptr);
  ~Form_OrvantaPreferences() override;

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  // Escape closes the window, as its close box does.
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void buildDesign();
  void Form_Load();
  void Form_Unload();
  // Stores the anchor and the rows per group, each only once the user has
  // changed it.
  void SavePositionSettings();
  // The rows per group the box starts with.
  qint32 currentMaxSearchResults() const;
  void PositionPreview();
  void TextMaxSearchResults_Change();
  void ApplySettings_Click();
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void WebBrowser1_Navigated();
  // Moves the window, title bar included, into the work area of its screen
  // when it does not lie there (a scaled screen may be too small for it).
  void keepWithinWorkArea();
  // Fetches `address` into HTMLBox, then sends the browser there.
  void loadPage(const QString& address);

  const RegKeys& regKeys_;
  PreferencesPeers& peers_;
  platform::BrowserFactory browserFactory_;
  PageFetcher fetcher_;
  std::unique_ptr<platform::Browser> browser_;
  bool loaded_ = false;
  bool unloaded_ = false;
  // Which values the user changed since this window opened: only those are
  // stored. The others may show what the screen made of them (a panel moved
  // back onto a smaller screen, a place rounded to whole pixels), which
  // must never replace what the user set.
  // Whether the window has been placed with its frame known (the window
  // manager adds the frame after the window first shows).
  bool placedWithFrame_ = false;
  bool topChanged_ = false;
  bool leftChanged_ = false;
  bool maxSearchResultsChanged_ = false;

  QLabel* Label8 = nullptr;
  QLabel* Label5 = nullptr;
  QLineEdit* TextSearchPrefix = nullptr;
  QLabel* Label6 = nullptr;
  QLineEdit* TextSearchSuffix = nullptr;
  QLabel* Label4 = nullptr;
  QLineEdit* SearchCriteria = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command3 = nullptr;
  QLabel* Label7 = nullptr;
  QLineEdit* AddressBar = nullptr;
  QPushButton* Command2 = nullptr;
  QWidget* WebBrowser1 = nullptr;  // holds the browser's view once loaded
  QLabel* Label9 = nullptr;
  QPlainTextEdit* HTMLBox = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* TextMaxSearchResults = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* InitiateURL = nullptr;
  QPushButton* ApplySettings = nullptr;
  QLabel* Label1 = nullptr;
  // Show hits while typing, keep the button on screen: each stores its
  // preference as soon as the user changes it.
  QCheckBox* Check1 = nullptr;
  QCheckBox* Check2 = nullptr;
  QSlider* LeftSideSlider = nullptr;
  QSlider* TopSideSlider = nullptr;
};

}  // namespace orvanta::settings
