// The results panel fill: row placement, captions, icons, the preferences
// row and the window height, for the common layouts and the edge cases where
// the control arrays run out; and a second fill that must not show anything
// of the first.
#include "fake_results_panel.h"
#include "path_names.h"
#include "search/results_panel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace orvanta::search {
namespace {

using testing::FakeResultsPanel;

QStringList hits(const QString& prefix, int count, const QString& extension) {
  QStringList list;
  for (int i = 1; i <= count; ++i) list << QStringLiteral("/home/ann/%1%2.%3").arg(prefix).arg(i).arg(extension);
  return list;
}

struct Fill {
  FakeResultsPanel panel;
  PanelState state;
  std::vector<int> rowTopAtPump;

  Fill() {
    panel.onPump = [this] { rowTopAtPump.push_back(state.RowTop); };
  }
  void run(const CategoryLists& lists) {
    rowTopAtPump.clear();
    FillResultsPanel(panel, state, lists, testing::lastPathComponent);
  }
  // What the start of a search does before the fill.
  void newSearch() {
    state.RowIndex = 1;
    state.RowTop = 1360;
  }
  const FakeResultsPanel::Element& at(RowArray array, int index) const { return panel.element(array, index); }
};

struct ExpectedRow {
  int row;
  int top;
  const char* caption;
  QString path;
};

void expectRows(const Fill& fill, const std::vector<ExpectedRow>& rows) {
  for (const ExpectedRow& expected : rows) {
    SCOPED_TRACE(::testing::Message() << "row " << expected.row);
    const int r = expected.row;
    EXPECT_EQ(fill.at(RowArray::LeftsideLabel, r).caption, QString::fromUtf8(expected.caption));
    EXPECT_EQ(fill.at(RowArray::FileName, r).caption, testing::lastPathComponent(expected.path));
    EXPECT_EQ(fill.at(RowArray::FileName, r).toolTip, expected.path);
    for (RowArray array : {RowArray::LeftsideLabel, RowArray::IconImg, RowArray::FileName, RowArray::MenuScroller}) {
      if (!fill.panel.hasElement(array, r)) continue;
      EXPECT_EQ(fill.at(array, r).top, expected.top) << "array " << static_cast<int>(array);
      EXPECT_TRUE(fill.at(array, r).visible) << "array " << static_cast<int>(array);
    }
    EXPECT_EQ(fill.at(RowArray::LeftsideLabel, r).left, 0);
    EXPECT_EQ(fill.at(RowArray::IconImg, r).left, 1950);
    EXPECT_EQ(fill.at(RowArray::FileName, r).left, 2280);
  }
}

void expectPreferencesRowAt(const Fill& fill, int top) {
  const int p = kPreferencesRow;
  EXPECT_EQ(fill.at(RowArray::FileName, p).top, top);
  EXPECT_EQ(fill.at(RowArray::FileName, p).left, 2280);
  EXPECT_TRUE(fill.at(RowArray::FileName, p).visible);
  EXPECT_EQ(fill.at(RowArray::FileName, p).caption, QStringLiteral("Orvanta Preferences..."));
  EXPECT_EQ(fill.at(RowArray::LeftsideLabel, p).top, top);
  EXPECT_EQ(fill.at(RowArray::LeftsideLabel, p).left, 0);
  EXPECT_EQ(fill.at(RowArray::MenuScroller, p).top, top);
}

void expectEndOfFill(const Fill& fill, int windowHeight) {
  EXPECT_EQ(fill.panel.windowHeight, windowHeight);
  EXPECT_FALSE(fill.panel.progressVisible);
  EXPECT_FALSE(fill.panel.timer1Running);
  EXPECT_EQ(fill.panel.pumpCount, 7) << "one pass of the event pump per group";
  EXPECT_EQ(fill.panel.missingElementCalls, 0);
  // Row 0 and row 1 in their fixed places.
  EXPECT_EQ(fill.at(RowArray::FileName, 0).top, 525);
  EXPECT_EQ(fill.at(RowArray::FileName, 0).left, 2280);
  EXPECT_EQ(fill.at(RowArray::FileName, 0).caption, QStringLiteral("Show All"));
  EXPECT_EQ(fill.at(RowArray::MenuScroller, 0).top, 525);
  for (RowArray array : {RowArray::LeftsideLabel, RowArray::IconImg, RowArray::FileName, RowArray::MenuScroller}) {
    EXPECT_EQ(fill.at(array, 1).top, 960) << "array " << static_cast<int>(array);
  }
  EXPECT_EQ(fill.at(RowArray::LeftsideLabel, 1).caption, QStringLiteral("Top Hit"));
}

QColor iconColour(const Fill& fill, int row) { return fill.at(RowArray::IconImg, row).picture.pixelColor(0, 0); }

CategoryLists workedExampleLists() {
  CategoryLists lists;
  lists[Category::Applications] = hits(QStringLiteral("a"), 3, QStringLiteral("exe"));
  lists[Category::Documents] = hits(QStringLiteral("d"), 2, QStringLiteral("txt"));
  return lists;
}

void expectWorkedExample(const Fill& fill) {
  const CategoryLists lists = workedExampleLists();
  const QStringList& a = lists[Category::Applications];
  const QStringList& d = lists[Category::Documents];
  expectRows(fill, {
                       {1, 960, "Top Hit", a[0]},
                       {2, 1360, "Applications", a[1]},
                       {3, 1660, "", a[2]},
                       {4, 2060, "Documents", d[0]},
                       {5, 2360, "", d[1]},
                   });
  EXPECT_EQ(fill.state.RowIndex, 6);
  EXPECT_EQ(fill.state.RowTop, 2760);
  expectPreferencesRowAt(fill, 2860);
  expectEndOfFill(fill, 3180);
  EXPECT_TRUE(fill.panel.line1Visible);
  for (int r : {1, 2, 3}) EXPECT_EQ(iconColour(fill, r), FakeResultsPanel::kApplicationsColour) << r;
  for (int r : {4, 5}) EXPECT_EQ(iconColour(fill, r), FakeResultsPanel::kDocumentsColour) << r;
  EXPECT_FALSE(fill.at(RowArray::FileName, 6).visible);
}

TEST(FillResultsPanel, WorkedExample) {
  Fill fill;
  fill.run(workedExampleLists());
  expectWorkedExample(fill);
  EXPECT_EQ(fill.at(RowArray::FileName, 6).caption, QStringLiteral("FILE")) << "rows past the last keep their design";
  // RowTop as each group ends, before its gap: Applications 1960 (2060
  // after the gap), Documents 2660 (2760 after it).
  EXPECT_EQ(fill.rowTopAtPump, (std::vector<int>{1960, 2060, 2660, 2760, 2760, 2760, 2760}));
  EXPECT_TRUE(fill.state.CaptionShown_Applications);
  EXPECT_TRUE(fill.state.CaptionShown_Documents);
  EXPECT_FALSE(fill.state.CaptionShown_Audio);
}

TEST(FillResultsPanel, NoShownHitsOnlyMovesRowOne) {
  // No hits at all, and hits only in Widgets, which has no group.
  for (bool widgets : {false, true}) {
    SCOPED_TRACE(widgets ? "widgets only" : "no hits");
    Fill fill;
    CategoryLists lists;
    FakeResultsPanel& panel = fill.panel;
    if (widgets) {
      lists[Category::Widgets] = hits(QStringLiteral("w"), 3, QStringLiteral("widget"));
      panel.setCaption(RowArray::FileName, 1, QStringLiteral("w1.widget"));
      panel.setToolTip(RowArray::FileName, 1, lists[Category::Widgets][0]);
    }
    fill.run(lists);
    EXPECT_EQ(fill.state.RowIndex, 1);
    EXPECT_EQ(fill.state.RowTop, 1360);
    expectPreferencesRowAt(fill, 1460);
    expectEndOfFill(fill, 1780);
    EXPECT_FALSE(panel.line1Visible);
    EXPECT_EQ(fill.at(RowArray::FileName, 1).caption, widgets ? QStringLiteral("w1.widget") : QString());
    EXPECT_EQ(fill.at(RowArray::FileName, 1).toolTip, widgets ? QStringLiteral("/home/ann/w1.widget") : QString());
    EXPECT_EQ(iconColour(fill, 1), FakeResultsPanel::kDesignIconColour);
    EXPECT_EQ(fill.at(RowArray::FileName, 2).caption, QString());
    EXPECT_EQ(fill.at(RowArray::LeftsideLabel, 2).top, 20000) << "row 2 is not placed";
  }
}

TEST(FillResultsPanel, ASingleHitBecomesTheTopHitWithoutCaption) {
  struct Case {
    Category category;
    QString extension;
    QColor icon;
    bool line1;
  };
  const std::vector<Case> cases{
      {Category::Applications, QStringLiteral("exe"), FakeResultsPanel::kApplicationsColour, true},
      {Category::Audio, QStringLiteral("mp3"), FakeResultsPanel::kAudioColour, false},
      {Category::Documents, QStringLiteral("txt"), FakeResultsPanel::kDocumentsColour, false},
      {Category::Folders, QStringLiteral("d"), FakeResultsPanel::kDesignIconColour, false},
      {Category::PDFs, QStringLiteral("pdf"), FakeResultsPanel::kPdfsColour, false},
      {Category::Video, QStringLiteral("avi"), FakeResultsPanel::kAudioColour, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.extension.toStdString());
    Fill fill;
    CategoryLists lists;
    lists[c.category] = hits(QStringLiteral("only"), 1, c.extension);
    fill.run(lists);
    expectRows(fill, {{1, 960, "Top Hit", lists[c.category][0]}});
    EXPECT_EQ(fill.state.RowTop, 1660);
    expectPreferencesRowAt(fill, 1760);
    expectEndOfFill(fill, 2080);
    EXPECT_EQ(iconColour(fill, 1), c.icon);
    EXPECT_EQ(fill.panel.line1Visible, c.line1);
    EXPECT_EQ(fill.at(RowArray::LeftsideLabel, 2).caption, QString());
    const PanelState& s = fill.state;
    EXPECT_FALSE(s.CaptionShown_Applications || s.CaptionShown_Audio || s.CaptionShown_Documents ||
                 s.CaptionShown_Folders || s.CaptionShown_Images || s.CaptionShown_PDFs || s.CaptionShown_Video);
  }
}

TEST(FillResultsPanel, AtMostMaxSearchResultsPlusOneRowsPerGroup) {
  Fill fill;
  fill.state.MaxSearchResults = 1;
  CategoryLists lists;
  lists[Category::Audio] = hits(QStringLiteral("u"), 5, QStringLiteral("mp3"));
  lists[Category::PDFs] = hits(QStringLiteral("p"), 3, QStringLiteral("pdf"));
  fill.run(lists);
  const QStringList& u = lists[Category::Audio];
  const QStringList& p = lists[Category::PDFs];
  expectRows(fill, {
                       {1, 960, "Top Hit", u[0]},
                       {2, 1360, "Audio", u[1]},
                       {3, 1760, "PDF Documents", p[0]},
                       {4, 2060, "", p[1]},
                   });
  EXPECT_EQ(fill.state.RowTop, 2460);
  expectPreferencesRowAt(fill, 2560);
  expectEndOfFill(fill, 2880);
  EXPECT_FALSE(fill.at(RowArray::FileName, 5).visible) << "the rest of each list is shown nowhere";
  EXPECT_EQ(iconColour(fill, 3), FakeResultsPanel::kPdfsColour);
}

TEST(FillResultsPanel, AudioAndVideoRowsShareTheAudioPicture) {
  Fill fill;
  CategoryLists lists;
  lists[Category::Audio] = hits(QStringLiteral("u"), 2, QStringLiteral("mp3"));
  lists[Category::Video] = hits(QStringLiteral("v"), 2, QStringLiteral("avi"));
  fill.run(lists);
  for (int r = 1; r <= 4; ++r) EXPECT_EQ(iconColour(fill, r), FakeResultsPanel::kAudioColour) << r;
  EXPECT_EQ(fill.at(RowArray::LeftsideLabel, 3).caption, QStringLiteral("Video"));
}

TEST(FillResultsPanel, ThirtyPerGroupRunsPastTheEndsOfTheArrays) {
  Fill fill;
  fill.state.MaxSearchResults = 30;
  CategoryLists lists;
  const char* names[] = {"a", "u", "d", "f", "i", "p", "v"};
  const Category shown[] = {Category::Applications, Category::Audio, Category::Documents, Category::Folders,
                            Category::Images,       Category::PDFs,  Category::Video};
  for (int g = 0; g < 7; ++g) lists[shown[g]] = hits(QString::fromLatin1(names[g]), 40, QStringLiteral("x"));
  fill.panel.pictureLoader = [](const QString&) { return std::nullopt; };
  fill.run(lists);

  // 7 groups of 31 rows: rows 1 to 217, every group with its caption and gap.
  EXPECT_EQ(fill.state.RowIndex, 218);
  EXPECT_EQ(fill.state.RowTop, 1360 + 216 * 300 + 7 * 100);
  expectPreferencesRowAt(fill, 1360 + 216 * 300 + 700 + 100);
  expectEndOfFill(fill, 1360 + 216 * 300 + 700 + 420);
  // The window grows by 300 for every row, also where no element is left.
  std::vector<int> expectedAtPump;
  for (int g = 0; g < 7; ++g) expectedAtPump.push_back(1360 + (31 * (g + 1) - 1) * 300 + g * 100);
  EXPECT_EQ(fill.rowTopAtPump, expectedAtPump);

  // Rows 1-31 Applications, 32-62 Audio, 63-93 Documents, 94-124 Folders.
  const auto topOf = [](int row, int gaps) { return 1360 + (row - 2) * 300 + gaps * 100; };
  expectRows(fill, {
                       {32, topOf(32, 1), "Audio", lists[Category::Audio][0]},
                       {81, topOf(81, 2), "", lists[Category::Documents][18]},
                       {94, topOf(94, 3), "Folders", lists[Category::Folders][0]},
                   });
  const FakeResultsPanel& panel = fill.panel;
  EXPECT_FALSE(panel.hasElement(RowArray::MenuScroller, 82));
  EXPECT_TRUE(fill.at(RowArray::FileName, 82).visible);
  EXPECT_EQ(fill.at(RowArray::FileName, 82).top, topOf(82, 2));
  EXPECT_EQ(fill.at(RowArray::IconImg, 106).top, topOf(106, 3));
  EXPECT_FALSE(panel.hasElement(RowArray::IconImg, 107));
  EXPECT_EQ(fill.at(RowArray::FileName, 110).toolTip, lists[Category::Folders][16]);
  EXPECT_FALSE(panel.hasElement(RowArray::FileName, 111));
  EXPECT_EQ(fill.at(RowArray::LeftsideLabel, 123).top, topOf(123, 3));
  EXPECT_TRUE(fill.at(RowArray::LeftsideLabel, 123).visible);
  EXPECT_FALSE(panel.hasElement(RowArray::LeftsideLabel, 124));
  EXPECT_TRUE(fill.state.CaptionShown_Video) << "the flag is set even where no caption label is left";
}

TEST(FillResultsPanel, RowIcons) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QImage big(64, 48, QImage::Format_RGB32);
  big.fill(QColor(10, 120, 30));
  const QString readable = dir.filePath(QStringLiteral("photo.png"));
  ASSERT_TRUE(big.save(readable));
  const QString notAnImage = dir.filePath(QStringLiteral("notes.png"));
  {
    QFile file(notAnImage);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is no picture");
  }
  const QString missing = dir.filePath(QStringLiteral("gone.jpg"));

  Fill fill;
  FakeResultsPanel& panel = fill.panel;
  const QColor earlier(1, 2, 3);
  // Pictures the icons hold before the fill: a Folders row keeps its own,
  // an Images row shows the Images picture at once.
  panel.setIconPicture(2, testing::solidPicture(earlier));
  panel.setIconPicture(3, testing::solidPicture(earlier));
  for (int r = 2; r <= 4; ++r) {
    panel.setIconHeight(r, 100);
    panel.setIconWidth(r, 50);
  }
  CategoryLists lists;
  lists[Category::Folders] = QStringList{QStringLiteral("/home/ann/Music"), QStringLiteral("/home/ann/Papers")};
  lists[Category::Images] = QStringList{readable, notAnImage, missing};
  fill.run(lists);

  EXPECT_EQ(iconColour(fill, 1), FakeResultsPanel::kDesignIconColour) << "Folders keep the design picture";
  EXPECT_EQ(iconColour(fill, 2), earlier);
  // The rows are there before any picture has been read.
  for (int r = 3; r <= 5; ++r) {
    EXPECT_EQ(iconColour(fill, r), FakeResultsPanel::kImagesColour) << r;
    EXPECT_EQ(fill.at(RowArray::IconImg, r).height, 240) << r;
    EXPECT_EQ(fill.at(RowArray::IconImg, r).width, 240) << r;
  }
  EXPECT_EQ(panel.pendingPictures, (std::map<int, QString>{{3, readable}, {4, notAnImage}, {5, missing}}));
  EXPECT_EQ(fill.at(RowArray::IconImg, 2).height, 100) << "only Images rows are resized";
  EXPECT_EQ(fill.at(RowArray::LeftsideLabel, 3).caption, QStringLiteral("Images"));
  EXPECT_EQ(panel.fillDoneCalls, 1);

  // The file's picture replaces the group's; a file that gives none leaves it.
  panel.deliverPictures();
  const QImage& loaded = fill.at(RowArray::IconImg, 3).picture;
  EXPECT_EQ(loaded.size(), QSize(16, 16));
  EXPECT_EQ(loaded.pixelColor(8, 8), QColor(10, 120, 30));
  EXPECT_EQ(iconColour(fill, 4), FakeResultsPanel::kImagesColour);
  EXPECT_EQ(iconColour(fill, 5), FakeResultsPanel::kImagesColour);
}

TEST(FillResultsPanel, PicturesOfAnEarlierSearchNeverLand) {
  Fill fill;
  fill.panel.pictureLoader = [](const QString&) { return testing::solidPicture(QColor(9, 9, 9)); };
  CategoryLists first;
  first[Category::Images] = hits(QStringLiteral("i"), 3, QStringLiteral("png"));
  fill.run(first);
  ASSERT_EQ(fill.panel.pendingPictures.size(), 3u);

  // The next search fills the same rows with documents before the pictures
  // of the first one have been read.
  fill.newSearch();
  CategoryLists second;
  second[Category::Documents] = hits(QStringLiteral("d"), 3, QStringLiteral("txt"));
  fill.run(second);
  fill.panel.deliverPictures();
  for (int r = 1; r <= 3; ++r) EXPECT_EQ(iconColour(fill, r), FakeResultsPanel::kDocumentsColour) << r;
  EXPECT_EQ(fill.panel.dropHitPicturesCalls, 2) << "every fill drops what is still on its way";
}

TEST(FillResultsPanel, ASecondFillShowsNothingOfTheFirst) {
  Fill fill;
  CategoryLists first;
  first[Category::Applications] = hits(QStringLiteral("a"), 2, QStringLiteral("exe"));
  first[Category::Documents] = hits(QStringLiteral("d"), 2, QStringLiteral("txt"));
  first[Category::Images] = hits(QStringLiteral("i"), 4, QStringLiteral("png"));
  fill.panel.pictureLoader = [](const QString&) { return testing::solidPicture(QColor(9, 9, 9)); };
  fill.run(first);
  ASSERT_EQ(fill.at(RowArray::LeftsideLabel, 3).caption, QStringLiteral("Documents"));
  ASSERT_EQ(fill.state.RowIndex, 9);

  // Four Folders hits: rows 1-4, where the first search had Applications,
  // Documents and Images rows with their captions and pictures.
  fill.newSearch();
  CategoryLists second;
  second[Category::Folders] = hits(QStringLiteral("f"), 4, QStringLiteral("d"));
  fill.run(second);
  const QStringList& f = second[Category::Folders];
  expectRows(fill, {
                       {1, 960, "Top Hit", f[0]},
                       {2, 1360, "Folders", f[1]},
                       {3, 1660, "", f[2]},
                       {4, 1960, "", f[3]},
                   });
  for (int r = 1; r <= 4; ++r) EXPECT_EQ(iconColour(fill, r), FakeResultsPanel::kDesignIconColour) << r;
  for (int r = 5; r <= 8; ++r) {
    SCOPED_TRACE(r);
    for (RowArray array : {RowArray::LeftsideLabel, RowArray::IconImg, RowArray::FileName, RowArray::MenuScroller}) {
      EXPECT_FALSE(fill.at(array, r).visible) << "array " << static_cast<int>(array);
    }
    EXPECT_EQ(fill.at(RowArray::LeftsideLabel, r).caption, QString());
    EXPECT_EQ(fill.at(RowArray::FileName, r).caption, QString());
    EXPECT_EQ(fill.at(RowArray::FileName, r).toolTip, QString());
  }
  expectPreferencesRowAt(fill, 2460);
  EXPECT_EQ(fill.panel.windowHeight, 2780);

  // The worked example after both gives the same layout as on a fresh window.
  fill.newSearch();
  fill.panel.pumpCount = 0;
  fill.run(workedExampleLists());
  expectWorkedExample(fill);

  // A search without shown hits hides every row but the Top Hit row.
  fill.newSearch();
  fill.run(CategoryLists{});
  EXPECT_TRUE(fill.at(RowArray::FileName, 1).visible);
  for (int r = 2; r <= 5; ++r) EXPECT_FALSE(fill.at(RowArray::FileName, r).visible) << r;
  EXPECT_EQ(fill.panel.windowHeight, 1780);
}

TEST(FillResultsPanel, TheTopHitRowShowsAPictureOnlyBesideAHit) {
  // After a search that filled the Top Hit row, the start of the next
  // search clears its label (classification may give it a Widgets hit),
  // then the fill runs.
  struct Case {
    const char* name;
    CategoryLists lists;
    QString topHitPath;  // what classification left in the label
    bool iconShown;
  };
  CategoryLists widgetsOnly;
  widgetsOnly[Category::Widgets] = hits(QStringLiteral("w"), 1, QStringLiteral("widget"));
  CategoryLists documents;
  documents[Category::Documents] = hits(QStringLiteral("d"), 1, QStringLiteral("txt"));
  const std::vector<Case> cases{
      {"nothing found", CategoryLists{}, QString(), false},
      {"a hit only in Widgets", widgetsOnly, widgetsOnly[Category::Widgets][0], true},
      {"a Documents hit", documents, documents[Category::Documents][0], true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fill fill;
    fill.run(workedExampleLists());
    ASSERT_TRUE(fill.at(RowArray::IconImg, 1).visible);
    fill.newSearch();
    fill.panel.setCaption(RowArray::FileName, 1, testing::lastPathComponent(c.topHitPath));
    fill.panel.setToolTip(RowArray::FileName, 1, c.topHitPath);
    fill.run(c.lists);
    EXPECT_EQ(fill.at(RowArray::IconImg, 1).visible, c.iconShown);
    EXPECT_EQ(fill.at(RowArray::IconImg, 1).top, 960);
    for (int r = 2; r <= 5; ++r) EXPECT_FALSE(fill.at(RowArray::IconImg, r).visible) << r;
  }
}

}  // namespace
}  // namespace orvanta::search
