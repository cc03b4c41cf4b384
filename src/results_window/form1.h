// Form1, the drop-down search panel: its design (every control and the
// four row control arrays), its load with the settings and their defaults,
// keeping itself on top, the progress strip, the focus timer, the Enter
// key of the search box, the pointer handlers of the rows and the opening
// of a hit, CloseForm and the close button.
#pragma once

#include "control_array.h"
#include "form1_state.h"
#include "held_keys.h"
#include "keyboard_navigation.h"
#include "line_control.h"
#include "module1.h"
#include "open_result.h"
#include "preferences_window.h"
#include "program_windows.h"
#include "platform/program_start.h"
#include "platform/window_system.h"
#include "search/category_lists.h"
#include "search/hit_pictures.h"
#include "search/results_panel.h"
#include "search/search_pipeline.h"
#include "settings/reg_keys.h"

#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QHash>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace orvanta::results_window {

class Form1 : public QWidget {
  Q_OBJECT

 public:
  // Runs the search for the text of the search box, after the window has
  // done its part of the Enter key. Returns false when the window was
  // unloaded while the search ran (nothing of the window is touched then).
  using SearchCallback = std::function<bool(const QString& text)>;

  // Builds the window from its design, hidden. Form_Load does the rest.
  Form1(const settings::RegKeys& regKeys, platform::WindowSystem& windowSystem, PreferencesWindow& preferences,
        ProgramWindows& windows, QWidget* parent = nullptr);
  ~Form1() override;

  // The window's state, one struct per concern. The panel's layout state
  // and the rows per group:
  search::PanelState Panel{
      .RowIndex = 0, .RowTop = 0, .BottomRowOffset = 0, .WindowExtraHeight = 0, .MaxSearchResults = 0};
  // The search's state: the search address, the last answer, the hits by
  // category (the hidden list boxes).
  search::SearchState Search;
  // The extension lists, set up by the load.
  search::ExtensionLists Extensions;
  AnchorState Anchor;
  OpeningState Opening;
  InteractionState Interaction;

  // --- Events and methods.
  // The load: settings with their defaults, the hook, the anchor, the
  // height of the search strip, the focus; the timers start when the
  // window first shows.
  void Form_Load();
  // Unhooks and unloads every window of the program, unless
  // Opening.PreferencesOpen is set. With "Keep the button on screen" on,
  // only the panel closes (closePanel) and the program stays.
  void CloseForm();
  // Hides the panel, its backdrop and the preferences window and gives the
  // button its idle picture again; the program, its button and the panel's
  // words and rows stay for the next drop.
  void closePanel();
  // What unloading the window runs: the hook is removed.
  void Form_Unload();
  // Unloads the window: Form_Unload, timers stopped, hidden. The object
  // stays until the program ends, so code still running on it is safe.
  void Unload();
  bool isUnloaded() const { return unloaded_; }
  // Moves the window, as little as needed, so that its search strip lies
  // wholly inside the screen that holds it (the screen of the button at
  // `button`, when given); the anchor variables and the stored settings
  // stay as they are.
  void moveIntoReach(const QRect& button = {});

  void setSearchCallback(SearchCallback callback) { searchCallback_ = std::move(callback); }
  // The search of the words as they are typed, when the preference asks
  // for it: runs the search for `text` and fills the rows unless `stale()`
  // says, once the answer is in, that newer words came meanwhile. Returns
  // false when the window was unloaded meanwhile. `cancel` ends the one
  // under way.
  using TypedSearchCallback = std::function<bool(const QString& text, const std::function<bool()>& stale)>;
  void setTypedSearch(TypedSearchCallback search, std::function<void()> cancel) {
    typedSearch_ = std::move(search);
    typedSearchCancel_ = std::move(cancel);
  }
  // How long the typing must pause before the typed words are searched.
  static constexpr int kTypingPauseMs = 100;
  // Fewer characters than this (blanks aside) are not searched as typed.
  static constexpr int kTypedSearchMinimum = 2;
  QTimer* TypingPause() const { return typingPause_; }
  bool isTypedSearchRunning() const { return typedSearchRunning_; }
  // Whether the rows on view came from a search of typed words (no Enter).
  bool rowsFromTypedSearch() const { return rowsFromTypedSearch_; }
  void setRowsFromTypedSearch(bool typed) { rowsFromTypedSearch_ = typed; }
  // The program starter that opens hits; until one is set, opening a hit
  // starts nothing and only closes the windows.
  void setProgramStart(platform::ProgramStart& programStart) { programStart_ = &programStart; }
  // The desktop's way of opening hits and naming applications; until one is
  // set, hits open through the registry and the Explorer program alone.
  void setDesktopLauncher(platform::DesktopLauncher& launcher) { desktopLauncher_ = &launcher; }
  // Where each hit opened is added (the desktop's recently used files).
  void setRecentDocuments(platform::RecentDocuments& recent) { recentDocuments_ = &recent; }
  platform::DesktopLauncher* desktopLauncher() const { return desktopLauncher_; }
  // Who tells the user of an open that failed (summary and body); until
  // one is set, such failures go untold.
  using OpenFailureHandler = std::function<void(const QString& summary, const QString& body)>;
  void setOpenFailureHandler(OpenFailureHandler handler) { openFailureHandler_ = std::move(handler); }
  // The address of the last search's result page; empty before a search.
  QString lastSearchAddress() const;
  // Lets pending window events run (the search's event pump).
  void pumpEvents();

  // Moves the highlight band to row `index` and shows that row's caption
  // and file name in white, the row highlighted before in dark grey.
  void HighlightRow(int index);
  // Whether row `index` holds a hit: its file name is on view with a path,
  // or it is the preferences row on view. Only such a row is highlighted
  // or acted on.
  bool rowHoldsHit(int index) const;
  // After a fill: when the highlighted row no longer holds a hit, the band
  // leaves the window and CurrentRow goes back to 0.
  void dropStaleHighlight();
  // Whether the keyboard moved the highlight last (the pointer did not
  // move it since): Enter then opens the highlighted row.
  bool keyboardOwnsHighlight() const { return keyboardHighlight_; }
  // The rows that hold a hit, as the keyboard moves over them.
  std::vector<NavigationRow> navigationRows() const;
  // The reader of the Images rows' pictures, and where its pictures land.
  search::HitPictures& hitPictures() { return hitPictures_; }
  void showHitPicture(int index, const QImage& picture);
  bool isSearchRunning() const { return searchRunning_; }

  // The line that says why a search found nothing when the search service
  // could not be had: shown at `top` (twips) across the rows' width, its
  // text wrapped; returns its height in twips. Hidden otherwise.
  int showServiceMessage(const QString& text, int top);
  void hideServiceMessage();

  // What a screen reader is shown of the window, in screen order: the
  // search box, the close button and the service's message while they are
  // on view, then the rows that hold a hit. Nothing else of the window
  // (the rows without a hit, the page box, the pictures) is shown to it.
  QList<QWidget*> accessibleControls() const;

  // Sets FileName(1), the Top Hit row's file-name label.
  void setTopHitLabel(const search::TopHitLabel& label);

  // Selects the words of the search box, so that typing replaces them: the
  // panel was dropped again.
  void selectSearchWords();

  // --- Geometry in twips (the window has no border: client = window).
  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  void setLeft(int twips);
  void setTop(int twips);
  // The height the rows need. The window takes it as far as the work area
  // of its screen reaches; below that its rows scroll under the search
  // strip (Height() then tells the window's height, less than this).
  void setHeight(int twips);

  // --- The rows' scrolling, when they need more height than the work
  // area leaves the window. Pixels the rows are scrolled up by, and the
  // most they can be.
  int rowScroll() const;
  int maximumRowScroll() const;
  void scrollRowsTo(int pixels);
  // Scrolls the rows as little as needed for row `index` to lie wholly in
  // view below the search strip.
  void keepRowInView(int index);
  // What holds the rows (their places are relative to it, as they were to
  // the window when nothing is scrolled), and the scroll bar at its side.
  QWidget* RowArea() const { return rowArea_; }
  QScrollBar* RowScrollBar() const { return rowScrollBar_; }

  // --- Controls.
  QLineEdit* Text1() const { return text1_; }
  QLabel* Label1() const { return label1_; }
  QLabel* CloseButton() const { return closeButton_; }
  QWidget* Progress() const { return progress_; }
  QLabel* ProgressFrame() const { return progressFrame_; }
  QLabel* SelectionBand() const { return selectionBand_; }
  QLabel* ServiceMessage() const { return serviceMessage_; }
  LineControl* Line1() const { return line1_; }
  QLabel* IconsApplications() const { return iconsApplications_; }
  QLabel* IconsAudio() const { return iconsAudio_; }
  QLabel* IconsDocuments() const { return iconsDocuments_; }
  QLabel* IconsImages() const { return iconsImages_; }
  QLabel* IconsPDFs() const { return iconsPdfs_; }
  QPlainTextEdit* Text2() const { return completed().text2_; }
  QTimer* Timer1() const { return timer1_; }
  QTimer* Timer2() const { return timer2_; }

  // The row control arrays; each returns nullptr for an index it lacks.
  QLabel* LeftsideLabel(int index) const { return completed().leftsideLabel_(index); }
  QLabel* IconImg(int index) const { return completed().iconImg_(index); }
  QLabel* FileName(int index) const { return completed().fileName_(index); }
  QLabel* MenuScroller(int index) const { return completed().menuScroller_(index); }
  const ControlArray<QLabel>& LeftsideLabelArray() const { return completed().leftsideLabel_; }
  const ControlArray<QLabel>& IconImgArray() const { return completed().iconImg_; }
  const ControlArray<QLabel>& FileNameArray() const { return completed().fileName_; }
  const ControlArray<QLabel>& MenuScrollerArray() const { return completed().menuScroller_; }

  // The window starts with only its search strip in view. The rest of its
  // design (the rows' several hundred labels, the text of Text2) is
  // completed when first asked for, when the window shows, or by
  // completeDesign, whichever comes first.
  void completeDesign();

  void setVisible(bool visible) override;

  // The top of the progress strip inside Progress, twips.
  int progressFrameTop() const { return progressFrameTop_; }

  Module1& module1() { return module1_; }

 signals:
  void unloaded();
  // The control an assistive technology was just told has the focus: the
  // highlighted row, or the search box when no row is highlighted.
  void accessibleFocusMoved(QWidget* control);

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  // Tab and Shift+Tab stay among what the window shows: the search box
  // keeps the keyboard, and the highlight goes round the box and the rows.
  bool focusNextPrevChild(bool next) override;

 private:
  void buildDesign();
  // Sizes the rows' view to the window below the search strip, the rows'
  // area to the height they need, and the scroll bar to what is left over.
  void layOutRowArea();
  // What completeDesign adds is part of the design whether made yet or
  // not, so asking a const window for it may complete the design.
  const Form1& completed() const {
    if (!designComplete_) const_cast<Form1*>(this)->completeDesign();
    return *this;
  }
  void place(QWidget* control, int left, int top, int width, int height);
  // Places `control` and sets its font as its entry of the design table
  // (found by the control's name) says.
  void applyDesign(QWidget* control);

  void Form_Activate();
  void Form_Resize();
  void Timer1_Timer();
  void Timer2_Timer();
  void CloseButton_Click();
  // True when the key is swallowed.
  bool Text1_KeyPress(const QKeyEvent& key);
  bool Text1_KeyUp();
  // The panel's keys: Escape, the row keys and Enter or Shift+Enter on a
  // row the keyboard highlighted. True when the key was taken.
  bool keyboardKeyPress(const QKeyEvent& key);
  // Tab or Shift+Tab: the highlight goes round the box and the rows.
  void tabAmongRows(NavigationKey key);
  // Up in an empty search box brings back the last searches' words, each
  // further Up older ones; Down goes forward again, past the newest to an
  // empty box, as a shell's history does. True when the key was taken.
  bool recallSearch(bool older);
  // The words changed: a typed search under way is cancelled, and the
  // pause starts again.
  void wordsChanged();
  // The typing paused: the words are searched when the preference is on.
  void typingPaused();
  // Cancels the typed search under way and forgets any pause.
  void dropTypedSearch();
  // The highlight moved by the keyboard to `row` (0: back to the box).
  void highlightFromKeyboard(int row);
  // Accessible names, descriptions and roles of the search box, the close
  // button and the rows; the highlighted row is the accessible focus.
  void setUpAccessibility();
  static void setRowAccessibleRole(QLabel* fileName, int index);
  static void hideFromAccessibility(QWidget* control);
  void updateAccessibleRows();
  void announceAccessibleFocus();
  // Sends the keys held during another key's turn to the search box, in
  // the order they came.
  void deliverHeldKeys();
  void setProgressFrameTop(int twips);
  // Starts Timer1 and Timer2 once, when the loaded window first shows.
  void startTimers();

  // The pointer handlers of the four row arrays and of the band.
  bool rowEvent(search::RowArray array, int index, QWidget* element, QEvent* event);
  bool selectionBandEvent(QEvent* event);
  // Takes the band away from CurrentRow's row, which turns grey again.
  void removeHighlight();
  void Row_MouseMove(int index);
  // True when the release action ran.
  bool Row_MouseUp(search::RowArray array, int index);
  // On a release over a row: the preferences window for row 999,
  // otherwise the hit through Explorer.
  void releaseAction(int row);
  void OpenResult(int row);
  void rememberTypedWords(int row);
  std::optional<QString> rowPath(int row) const;
  // What opening a hit needs of this window.
  OpenHitContext openContext();

  const settings::RegKeys& regKeys_;
  platform::WindowSystem& windowSystem_;
  PreferencesWindow& preferences_;
  ProgramWindows& windows_;
  Module1 module1_;
  SearchCallback searchCallback_;
  TypedSearchCallback typedSearch_;
  std::function<void()> typedSearchCancel_;
  QTimer* typingPause_ = nullptr;
  // Counts the changes of the words (and the Enters): a typed search's
  // answer is stale once it moved on.
  quint64 wordsChange_ = 0;
  bool typedSearchRunning_ = false;
  // The typing paused while a typed search was under way.
  bool pauseMissed_ = false;
  bool rowsFromTypedSearch_ = false;
  platform::ProgramStart* programStart_ = nullptr;
  platform::DesktopLauncher* desktopLauncher_ = nullptr;
  platform::RecentDocuments* recentDocuments_ = nullptr;
  OpenFailureHandler openFailureHandler_;
  struct RowElement {
    search::RowArray array;
    int index;
  };
  QHash<const QObject*, RowElement> rowElements_;
  bool searchRunning_ = false;
  bool keyboardHighlight_ = false;
  HeldKeys heldKeys_;
  // The last searches while Up and Down go through them, and the place of
  // the words in the box (-1: the box holds words of the user's own).
  QStringList recalled_;
  int recallPosition_ = -1;
  bool unloaded_ = false;
  bool loaded_ = false;
  bool timersStarted_ = false;
  int progressFrameTop_ = 0;
  QPixmap background_;
  bool backgroundLoaded_ = false;
  bool designComplete_ = false;

  QLineEdit* text1_ = nullptr;
  QLabel* label1_ = nullptr;
  QLabel* closeButton_ = nullptr;
  QWidget* progress_ = nullptr;
  QLabel* progressFrame_ = nullptr;
  // Below the search strip, clipping the rows; the rows' area inside it.
  QWidget* rowView_ = nullptr;
  QWidget* rowArea_ = nullptr;
  QScrollBar* rowScrollBar_ = nullptr;
  // The height the rows need, pixels (0: as high as the window).
  int rowsHeight_ = 0;
  QLabel* selectionBand_ = nullptr;
  QLabel* serviceMessage_ = nullptr;
  LineControl* line1_ = nullptr;
  QLabel* iconsApplications_ = nullptr;
  QLabel* iconsAudio_ = nullptr;
  QLabel* iconsDocuments_ = nullptr;
  QLabel* iconsImages_ = nullptr;
  QLabel* iconsPdfs_ = nullptr;
  QPlainTextEdit* text2_ = nullptr;
  QTimer* timer1_ = nullptr;
  QTimer* timer2_ = nullptr;
  ControlArray<QLabel> leftsideLabel_;
  ControlArray<QLabel> iconImg_;
  ControlArray<QLabel> fileName_;
  ControlArray<QLabel> menuScroller_;
  // Stops its reads (and drops what they bring) before the controls go.
  search::HitPictures hitPictures_{[this](int index, const QImage& picture) { showHitPicture(index, picture); }};
};

}  // namespace orvanta::results_window
