// The results panel fill: lays the category lists out as grouped rows of the
// results window, moves the Top Hit and preferences rows and sizes the
// window. Works on the ResultsPanel interface so it runs without a display.
#pragma once

#include "search/category_lists.h"

#include <QImage>
#include <QString>
#include <QtGlobal>

#include <functional>

namespace orvanta::search {

// The four control arrays that make up the rows of the results window.
// Row r is the set of elements with index r in each of them.
enum class RowArray { LeftsideLabel, IconImg, FileName, MenuScroller };

// The row index of the preferences row.
inline constexpr int kPreferencesRow = 999;

// Where a search's rows start, and the window's height below the last row.
inline constexpr qint32 kFirstRowTop = 1360;
// The top of the Top Hit row, twips.
inline constexpr qint32 kTopHitTop = 960;
inline constexpr qint32 kWindowExtraHeight = 420;
// The height of a row, twips.
inline constexpr qint32 kRowHeight = 300;

// Whether the window's design gives `array` an element with index `index`:
// LeftsideLabel 0-123 and 999, IconImg 0-106, FileName 0-110 and 999,
// MenuScroller 0-81 and 999.
bool rowArrayHasIndex(RowArray array, int index);

// The category pictures of the window design that rows take their icon from.
enum class GroupPicture { IconsApplications, IconsAudio, IconsDocuments, IconsImages, IconsPDFs };

// What the fill needs of the results window. Positions and sizes are twips.
// The fill only addresses elements for which hasElement() is true.
class ResultsPanel {
 public:
  virtual ~ResultsPanel() = default;

  virtual bool hasElement(RowArray array, int index) const = 0;

  // Labels (LeftsideLabel, FileName, MenuScroller).
  virtual void setCaption(RowArray array, int index, const QString& caption) = 0;
  virtual void setToolTip(RowArray array, int index, const QString& toolTip) = 0;

  // Every array.
  virtual void setTop(RowArray array, int index, int top) = 0;
  virtual void setLeft(RowArray array, int index, int left) = 0;
  virtual void setVisible(RowArray array, int index, bool visible) = 0;
  virtual int top(RowArray array, int index) const = 0;
  // The tool tip of a label: a row's path, empty for a row without a hit.
  virtual QString toolTip(RowArray array, int index) const = 0;

  // IconImg elements. The pictures scale to the element's own size.
  virtual void setIconPicture(int index, const QImage& picture) = 0;
  // Gives the icon back the picture it had in the window design.
  virtual void restoreIconPicture(int index) = 0;
  virtual void setIconHeight(int index, int height) = 0;
  virtual void setIconWidth(int index, int width) = 0;
  virtual QImage groupPicture(GroupPicture picture) const = 0;

  // Asks for the picture of the image file at `path` for icon `index`. It
  // is read off the window's thread and replaces the icon's picture when it
  // is ready, unless the icon got another picture (or another request)
  // first; a file that gives no picture leaves the icon as it is.
  virtual void requestHitPicture(int index, const QString& path) = 0;
  // Drops every picture asked for so far that has not arrived yet.
  virtual void dropHitPictures() = 0;

  // The window and its other controls.
  virtual void showLine1() = 0;
  virtual void setWindowHeight(int height) = 0;
  virtual void hideProgress() = 0;
  virtual void stopTimer1() = 0;

  // Processes pending window events and returns.
  virtual void pumpEvents() = 0;

  // Called once the fill has laid out every row: a highlight on a row that
  // no longer holds a hit is taken away.
  virtual void fillDone() = 0;
};

// The state of the results window that the fill reads and writes.
struct PanelState {
  qint32 RowIndex = 1;             // index of the next row to fill
  qint32 RowTop = kFirstRowTop;    // top of the next row to fill
  qint32 BottomRowOffset = 100;    // preferences row below RowTop
  qint32 WindowExtraHeight = kWindowExtraHeight;  // window height beyond RowTop
  qint32 MaxSearchResults = 7;     // a group shows up to this many rows plus one

  // Set once a group's caption has been written in the current fill.
  bool CaptionShown_Applications = false;
  bool CaptionShown_Audio = false;
  bool CaptionShown_Documents = false;
  bool CaptionShown_Folders = false;
  bool CaptionShown_Images = false;
  bool CaptionShown_PDFs = false;
  bool CaptionShown_Video = false;

  // The last row index the previous fill wrote (0 before the first fill),
  // so the next fill can clear what it would otherwise leave behind.
  qint32 LastFilledRow = 0;
};

// The last component of a path (the file-system service's GetFileName).
using GetFileNameFunction = std::function<QString(const QString& path)>;

// Fills the panel from `lists`: the seven shown groups in order, at most
// MaxSearchResults + 1 rows each, the first row placed becoming the Top Hit
// row, then the final placements and the window height RowTop +
// WindowExtraHeight. Rows and captions that an earlier fill left and this one
// does not write are hidden and cleared first; the Top Hit row shows its icon
// only while it holds a hit. Starts from the RowIndex and
// RowTop in `state` (1 and kFirstRowTop at the start of a search).
void FillResultsPanel(ResultsPanel& panel, PanelState& state, const CategoryLists& lists,
                      const GetFileNameFunction& getFileName);

// Whether the fill of `lists` would show any hit (the Widgets list is not
// shown, nor anything when a group shows no rows).
bool fillShowsAHit(const PanelState& state, const CategoryLists& lists);

}  // namespace orvanta::search
