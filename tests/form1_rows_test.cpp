// Form1's rows without a display: Enter through the search pipeline (over a
// scripted HTTP transfer) into the real window's rows, the highlight band,
// the press, release and click rules of the row controls, and a deactivation
// while the search waits.
#include "results_window/form1.h"
#include "results_window/form1_search.h"

#include "fake_file_system.h"
#include "fake_http_transfer.h"
#include "fake_preferences.h"
#include "fake_program_start.h"
#include "fake_program_windows.h"
#include "fake_window_system.h"
#include "pseudo_language.h"
#include "gui_application.h"
#include "named_pipe.h"
#include "temp_registry.h"
#include "wait_for.h"
#include "artwork/artwork.h"
#include "platform/twips.h"
#include "search/search_pipeline.h"
#include "settings/settings_table.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMap>
#include <QTemporaryDir>
#include <QMouseEvent>
#include <QWheelEvent>

#include <QTest>

#include <gtest/gtest.h>

#include <functional>

#include <optional>
#include <vector>

namespace orvanta::results_window {
namespace {

using platform::RegRoot;
using search::RowArray;
using testing::FakeProgramStart;
using testing::FakeProgramWindows;

const QString kPrefix = QStringLiteral("http://127.0.0.1:4664/search&s=code?q=");
const QString kSuffix = QStringLiteral("&ie=UTF-8");
const QColor kWhite(255, 255, 255);
const QColor kGrey(47, 47, 47);
const QColor kBand(37, 92, 226);

QString resultPage(const QStringList& hits) {
  QString body;
  for (const QString& hit : hits) body += QStringLiteral("<span title=\"") + hit + QStringLiteral("\">x</span>");
  return QStringLiteral("<html><body>") + body + QStringLiteral("</body></html>");
}

QColor textColour(const QWidget* widget) { return widget->palette().color(QPalette::WindowText); }

class Form1RowsTest : public ::testing::Test {
 protected:
  Form1RowsTest() {
    testing::guiApplication();
    settings::writeSetting(temp.regKeys(), u"SearchPrefix", kPrefix);
    settings::writeSetting(temp.regKeys(), u"SearchSuffix", kSuffix);
    build();
  }

  // Builds, loads and shows the window.
  void build() {
    windows.form1 = nullptr;
    form.reset();
    form = std::make_unique<Form1>(temp.regKeys(), windowSystem, preferences, windows);
    windows.form1 = form.get();
    form->setProgramStart(programStart);
    form->setSearchCallback([this](const QString& text) {
      callbackResults.push_back(searchAndFill(*form, pipeline, text));
      return callbackResults.back();
    });
    form->Form_Load();
    form->show();
  }

  // Files for the hits, and the page the search for `text` answers.
  void serve(const QString& text, const QStringList& hits) {
    for (const QString& hit : hits) fileSystem.addFile(hit);
    http.answer(kPrefix + text + kSuffix, resultPage(hits));
  }
  void search(const QString& text) {
    form->Text1()->setText(text);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(form->Text1(), &press);
  }
  void registerOpenCommand(const QString& extension, const QString& command) {
    const QString className = extension + QStringLiteral("file");
    ASSERT_TRUE(temp.regKeys().WriteRegValue(RegRoot::ClassesRoot, QStringLiteral(".") + extension, QString(),
                                             className));
    ASSERT_TRUE(temp.regKeys().WriteRegValue(RegRoot::ClassesRoot, className + QStringLiteral("\\Shell\\Open\\Command"),
                                             QString(), command));
  }
  static void mouse(QWidget* target, QEvent::Type type, Qt::MouseButton button) {
    const QPointF at(2, 2);
    QMouseEvent event(type, at, target->mapToGlobal(at), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
  }
  static void move(QWidget* target) { mouse(target, QEvent::MouseMove, Qt::NoButton); }
  static void pressAndRelease(QWidget* target, Qt::MouseButton button) {
    mouse(target, QEvent::MouseButtonPress, button);
    mouse(target, QEvent::MouseButtonRelease, button);
  }
  QWidget* element(RowArray array, int index) const {
    switch (array) {
      case RowArray::LeftsideLabel: return form->LeftsideLabel(index);
      case RowArray::IconImg: return form->IconImg(index);
      case RowArray::FileName: return form->FileName(index);
      case RowArray::MenuScroller: return form->MenuScroller(index);
    }
    return nullptr;
  }

  testing::TempRegistry temp;
  testing::FakeWindowSystem windowSystem;
  testing::FakePreferences preferences;
  FakeProgramWindows windows;
  testing::FakeHttpTransfer http;
  testing::FakeFileSystem fileSystem;
  FakeProgramStart programStart;
  search::SearchPipeline pipeline{temp.regKeys(), http, fileSystem};
  std::vector<bool> callbackResults;
  std::unique_ptr<Form1> form;
};

// Three Applications hits and two Documents hits, the default seven rows
// per group.
const QStringList kWorkedExample{QStringLiteral("/apps/a1.exe"), QStringLiteral("/apps/a2.exe"),
                                 QStringLiteral("/apps/a3.exe"), QStringLiteral("/docs/d1.txt"),
                                 QStringLiteral("/docs/d2.txt")};

TEST_F(Form1RowsTest, InThePseudoLanguageEveryShownTextIsTranslatedAndFitsItsControl) {
  if (!testing::PseudoLanguage::isBuilt()) GTEST_SKIP() << "built without Qt Linguist's tools";
  const testing::PseudoLanguage pseudo;
  ASSERT_TRUE(pseudo.isLoaded());
  build();
  // A hit in every group.
  const QStringList hits{"/h/a1.exe",    "/h/a2.exe",    "/h/song.mp3", "/h/notes.txt",
                         "/h/photo.png", "/h/paper.pdf", "/h/film.mp4"};
  serve(QStringLiteral("pseudo"), hits);
  search(QStringLiteral("pseudo"));
  ASSERT_EQ(callbackResults, std::vector<bool>{true});
  ASSERT_TRUE(testing::isPseudoText(form->LeftsideLabel(1)->text()));
  // The rows' file names and the search box hold the user's data.
  const QStringList problems = testing::shownTextProblems(*form, [&](const QWidget& widget) {
    const QString name = widget.objectName();
    return name == u"Text1" || (name.startsWith(u"FileName_") && name != u"FileName_0" && name != u"FileName_999");
  });
  EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
}

TEST_F(Form1RowsTest, EnterFillsTheRowsOfTheWorkedExample) {
  serve(QStringLiteral("report"), kWorkedExample);
  search(QStringLiteral("report"));
  ASSERT_EQ(callbackResults, std::vector<bool>{true});

  const struct {
    int row;
    QString fileName;
    QString path;
    int top;
    QString caption;
  } rows[] = {
      {1, QStringLiteral("a1.exe"), QStringLiteral("/apps/a1.exe"), 960, QStringLiteral("Top Hit")},
      {2, QStringLiteral("a2.exe"), QStringLiteral("/apps/a2.exe"), 1360, QStringLiteral("Applications")},
      {3, QStringLiteral("a3.exe"), QStringLiteral("/apps/a3.exe"), 1660, QString()},
      {4, QStringLiteral("d1.txt"), QStringLiteral("/docs/d1.txt"), 2060, QStringLiteral("Documents")},
      {5, QStringLiteral("d2.txt"), QStringLiteral("/docs/d2.txt"), 2360, QString()},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.row);
    const int pixels = platform::twipsToPixelsY(row.top);
    EXPECT_EQ(form->FileName(row.row)->text(), row.fileName);
    EXPECT_EQ(form->FileName(row.row)->toolTip(), row.path);
    EXPECT_EQ(form->LeftsideLabel(row.row)->text(), row.caption);
    EXPECT_EQ(form->FileName(row.row)->y(), pixels);
    EXPECT_EQ(form->LeftsideLabel(row.row)->y(), pixels);
    EXPECT_EQ(form->IconImg(row.row)->y(), pixels);
    EXPECT_EQ(form->FileName(row.row)->x(), platform::twipsToPixelsX(2280));
    EXPECT_EQ(form->IconImg(row.row)->x(), platform::twipsToPixelsX(1950));
    EXPECT_EQ(form->IconImg(row.row)->size(), QSize(16, 16));
    EXPECT_TRUE(form->FileName(row.row)->isVisible());
    EXPECT_TRUE(form->IconImg(row.row)->isVisible());
  }
  // Rows 2 to 5 keep their hit area on the row; row 1's moves with it.
  for (int r = 1; r <= 5; ++r) EXPECT_EQ(form->MenuScroller(r)->y(), form->FileName(r)->y()) << r;
  EXPECT_EQ(form->MenuScroller(2)->x(), 0);

  // At 96 dpi a pixel is 15 twips: the window is 3180 twips high.
  EXPECT_EQ(platform::twipsToPixelsY(3180), 212);
  EXPECT_EQ(form->height(), 212);
  EXPECT_EQ(form->Height(), 3180);
  EXPECT_EQ(form->Panel.RowTop, 2760);
  EXPECT_EQ(form->Panel.RowIndex, 6);
  EXPECT_EQ(form->FileName(999)->y(), platform::twipsToPixelsY(2860));
  EXPECT_EQ(form->LeftsideLabel(999)->y(), platform::twipsToPixelsY(2860));
  EXPECT_EQ(form->MenuScroller(999)->y(), form->FileName(999)->y());
  EXPECT_TRUE(form->FileName(999)->isVisible());
  EXPECT_EQ(form->FileName(0)->y(), platform::twipsToPixelsY(525));
  EXPECT_TRUE(form->Line1()->isVisible());
  EXPECT_TRUE(form->Progress()->isHidden());
  EXPECT_FALSE(form->Timer1()->isActive());

  // Applications rows show the Applications picture, Documents rows theirs.
  const QImage applications = form->IconsApplications()->pixmap().toImage().scaled(16, 16);
  const QImage documents = form->IconsDocuments()->pixmap().toImage().scaled(16, 16);
  EXPECT_EQ(form->IconImg(2)->pixmap().toImage().convertToFormat(applications.format()).pixel(8, 8),
            applications.pixel(8, 8));
  EXPECT_EQ(form->IconImg(4)->pixmap().toImage().convertToFormat(documents.format()).pixel(8, 8),
            documents.pixel(8, 8));
  EXPECT_NE(applications.pixel(8, 8), documents.pixel(8, 8));

  // The search's state is the window's.
  EXPECT_EQ(form->Search.SearchQuery, QStringLiteral("report"));
  EXPECT_EQ(form->Search.categories[search::Category::Applications].size(), 3);
  EXPECT_EQ(form->Search.ResultPage, resultPage(kWorkedExample));
}

TEST_F(Form1RowsTest, ImagesRowsShowTheGroupPictureUntilTheirOwnIsRead) {
  QTemporaryDir dir;
  const QString photo = dir.filePath(QStringLiteral("photo.png"));
  const QString broken = dir.filePath(QStringLiteral("broken.png"));
  const QString pipe = dir.filePath(QStringLiteral("snap.png"));
  QImage picture(64, 48, QImage::Format_RGB32);
  picture.fill(Qt::red);
  ASSERT_TRUE(picture.save(photo));
  QFile brokenFile(broken);
  ASSERT_TRUE(brokenFile.open(QIODevice::WriteOnly));
  brokenFile.write("not a picture");
  brokenFile.close();
  // A named pipe that nothing ever writes: reading it would wait for good.
  if (!testing::systemHasNamedPipes()) GTEST_SKIP() << "no named pipes in this system's file system";
  ASSERT_TRUE(testing::makeNamedPipe(pipe));
  const QImage group = form->IconsImages()->pixmap().toImage().scaled(16, 16);
  ASSERT_FALSE(group.isNull());
  const auto shows = [](const QLabel* icon, const QImage& expected) {
    return icon->pixmap().toImage().convertToFormat(expected.format()) == expected;
  };

  serve(QStringLiteral("photo"), {photo, pipe, broken});
  search(QStringLiteral("photo"));
  ASSERT_EQ(callbackResults, std::vector<bool>{true});
  EXPECT_EQ(form->LeftsideLabel(2)->text(), QStringLiteral("Images"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return QColor(form->IconImg(1)->pixmap().toImage().pixel(8, 8)) == Qt::red; }));
  EXPECT_EQ(form->IconImg(1)->pixmap().size(), QSize(16, 16));
  EXPECT_TRUE(QTest::qWaitFor([&] { return form->hitPictures().pendingCount() == 0; }));
  for (int r : {2, 3}) {
    EXPECT_TRUE(shows(form->IconImg(r), group)) << r;
    EXPECT_EQ(form->IconImg(r)->size(), QSize(16, 16)) << r;
  }
}

TEST_F(Form1RowsTest, APictureReadForAnEarlierSearchDoesNotLand) {
  QTemporaryDir dir;
  const QString photo = dir.filePath(QStringLiteral("photo.png"));
  // Large enough that its read is still under way when the next search fills the row.
  QImage picture(2000, 2000, QImage::Format_RGB32);
  picture.fill(Qt::red);
  ASSERT_TRUE(picture.save(photo));
  serve(QStringLiteral("photo"), {photo});
  serve(QStringLiteral("apps"), {QStringLiteral("/apps/a1.exe")});
  search(QStringLiteral("photo"));
  search(QStringLiteral("apps"));
  ASSERT_EQ(form->FileName(1)->toolTip(), QStringLiteral("/apps/a1.exe"));
  EXPECT_EQ(form->hitPictures().pendingCount(), 0);
  // Whatever the reader still brings is dropped: the Applications picture stays.
  ASSERT_TRUE(form->hitPictures().waitForReads(30000));
  QCoreApplication::processEvents();
  const QImage applications = form->IconsApplications()->pixmap().toImage().scaled(16, 16);
  EXPECT_EQ(form->IconImg(1)->pixmap().toImage().convertToFormat(applications.format()), applications);
}

TEST_F(Form1RowsTest, KeysTypedWhileAnotherKeyLetsEventsRunKeepTheirOrder) {
  const auto type = [this](const QString& text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, text);
    QCoreApplication::sendEvent(form->Text1(), &press);
  };
  // Each key's turn of the event loop brings the next typed key.
  const QStringList laterKeys{QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")};
  qsizetype next = 0;
  windowSystem.onPendingEvents = [&] {
    if (next < laterKeys.size()) type(laterKeys[next++]);
  };
  form->Text1()->clear();
  type(QStringLiteral("a"));
  testing::waitFor([&] { return form->Text1()->text().size() >= 4; });
  EXPECT_EQ(form->Text1()->text(), QStringLiteral("abcd"));
}

TEST_F(Form1RowsTest, PointerOverARowReachesThatRowsControls) {
  serve(QStringLiteral("report"), kWorkedExample);
  search(QStringLiteral("report"));
  const int y = platform::twipsToPixelsY(1660) + 5;  // row 3
  // Caption column, icon, file name, and the gap between caption and icon.
  EXPECT_EQ(form->childAt(platform::twipsToPixelsX(1000), y), form->LeftsideLabel(3));
  EXPECT_EQ(form->childAt(platform::twipsToPixelsX(2050), y), form->IconImg(3));
  EXPECT_EQ(form->childAt(platform::twipsToPixelsX(3000), y), form->FileName(3));
  EXPECT_EQ(form->childAt(platform::twipsToPixelsX(1850), y), form->MenuScroller(3));
  EXPECT_TRUE(form->FileName(3)->hasMouseTracking());
  EXPECT_TRUE(form->MenuScroller(3)->hasMouseTracking());
}

TEST_F(Form1RowsTest, ASecondSearchLeavesNothingOfTheFirstOnView) {
  serve(QStringLiteral("report"), kWorkedExample);
  search(QStringLiteral("report"));
  serve(QStringLiteral("one"), {QStringLiteral("/music/song.mp3")});
  search(QStringLiteral("one"));
  ASSERT_EQ(callbackResults, (std::vector<bool>{true, true}));
  EXPECT_EQ(form->FileName(1)->text(), QStringLiteral("song.mp3"));
  EXPECT_EQ(form->FileName(1)->toolTip(), QStringLiteral("/music/song.mp3"));
  for (int r = 2; r <= 5; ++r) {
    EXPECT_FALSE(form->FileName(r)->isVisible()) << r;
    EXPECT_FALSE(form->MenuScroller(r)->isVisible()) << r;
    EXPECT_TRUE(form->LeftsideLabel(r)->text().isEmpty()) << r;
  }
  EXPECT_EQ(form->height(), platform::twipsToPixelsY(2080));
  EXPECT_EQ(form->FileName(999)->y(), platform::twipsToPixelsY(1760));
}

TEST_F(Form1RowsTest, HighlightMovesTheBandAndSwapsTheColoursOfTwoRows) {
  serve(QStringLiteral("report"), kWorkedExample);
  search(QStringLiteral("report"));
  EXPECT_EQ(form->SelectionBand()->palette().color(QPalette::Window), kBand);

  // Caption, icon, file name and hit area of one row: one highlight.
  move(form->LeftsideLabel(2));
  EXPECT_EQ(form->Interaction.CurrentRow, 2);
  EXPECT_EQ(form->SelectionBand()->pos(), QPoint(0, form->FileName(2)->y()));
  EXPECT_EQ(textColour(form->FileName(2)), kWhite);
  EXPECT_EQ(textColour(form->LeftsideLabel(2)), kWhite);
  for (QWidget* control : {static_cast<QWidget*>(form->IconImg(2)), static_cast<QWidget*>(form->FileName(2)),
                           static_cast<QWidget*>(form->MenuScroller(2))}) {
    move(control);
    EXPECT_EQ(form->Interaction.CurrentRow, 2);
  }

  // The next row: the band follows, row 2 turns grey again.
  move(form->MenuScroller(3));
  EXPECT_EQ(form->Interaction.CurrentRow, 3);
  EXPECT_EQ(form->SelectionBand()->pos(), QPoint(0, form->FileName(3)->y()));
  EXPECT_EQ(textColour(form->FileName(3)), kWhite);
  EXPECT_EQ(textColour(form->LeftsideLabel(3)), kWhite);
  EXPECT_EQ(textColour(form->FileName(2)), kGrey);
  EXPECT_EQ(textColour(form->LeftsideLabel(2)), kGrey);
  EXPECT_EQ(textColour(form->FileName(4)), kGrey);

  // As drawn: the band's colour behind row 3, right of its short file name.
  const QImage drawn = form->grab().toImage();
  const int y = form->FileName(3)->y() + 9;
  EXPECT_EQ(QColor(drawn.pixel(form->width() - 8, y)), kBand);
  EXPECT_NE(QColor(drawn.pixel(form->width() - 8, form->FileName(5)->y() + 9)), kBand);

  // A caption label past the last file name holds no hit that could be
  // opened: the band leaves the window instead of marking it.
  form->LeftsideLabel(115)->move(0, 150);
  form->LeftsideLabel(115)->show();
  form->HighlightRow(115);
  EXPECT_EQ(form->Interaction.CurrentRow, 0);
  EXPECT_FALSE(form->rect().intersects(form->SelectionBand()->geometry()));
  EXPECT_EQ(textColour(form->LeftsideLabel(115)), kGrey);
  EXPECT_EQ(textColour(form->LeftsideLabel(3)), kGrey);
  EXPECT_EQ(textColour(form->FileName(3)), kGrey);
}

// Five hits, the pointer on row 3 and then off the window sideways, and a
// second search: what the band and a click on it do afterwards.
TEST_F(Form1RowsTest, TheBandLeavesARowThatTheNextFillEmpties) {
  registerOpenCommand(QStringLiteral("exe"), QStringLiteral("\"%1\" --run"));
  registerOpenCommand(QStringLiteral("txt"), QStringLiteral("viewer \"%1\""));
  struct Case {
    const char* name;
    QStringList secondHits;
    int currentRow;                       // after the second fill
    std::vector<FakeProgramStart::Start> bandClick;  // what a click on the band starts
  };
  const std::vector<Case> cases{
      {"one hit hides row 3", {QStringLiteral("/docs/only.txt")}, 0, {}},
      {"no hit at all", {}, 0, {}},
      {"row 3 holds a hit again", kWorkedExample, 3, {{QStringLiteral("\"/apps/a3.exe\" --run"), 1}}},
      {"row 3 holds another hit",
       {QStringLiteral("/apps/a1.exe"), QStringLiteral("/docs/d1.txt"), QStringLiteral("/docs/d2.txt")},
       3,
       {{QStringLiteral("viewer \"/docs/d2.txt\""), 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form.reset();
    programStart.starts.clear();
    form = std::make_unique<Form1>(temp.regKeys(), windowSystem, preferences, windows);
    windows.form1 = form.get();
    form->setProgramStart(programStart);
    form->setSearchCallback([this](const QString& text) { return searchAndFill(*form, pipeline, text); });
    form->Form_Load();
    form->show();
    serve(QStringLiteral("first"), kWorkedExample);
    search(QStringLiteral("first"));
    move(form->FileName(3));
    ASSERT_EQ(form->Interaction.CurrentRow, 3);

    serve(QStringLiteral("second"), c.secondHits);
    search(QStringLiteral("second"));
    EXPECT_EQ(form->Interaction.CurrentRow, c.currentRow);
    const QRect band = form->SelectionBand()->geometry();
    if (c.currentRow == 0) {
      EXPECT_FALSE(form->rect().intersects(band)) << "the band is out of the window";
      EXPECT_EQ(textColour(form->FileName(3)), kGrey);
      EXPECT_EQ(textColour(form->LeftsideLabel(3)), kGrey);
    } else {
      EXPECT_EQ(band.topLeft(), QPoint(0, form->FileName(c.currentRow)->y())) << "the band stays on its row";
    }
    pressAndRelease(form->SelectionBand(), Qt::LeftButton);
    EXPECT_EQ(programStart.starts, c.bandClick);
    EXPECT_EQ(form->isUnloaded(), !c.bandClick.empty());
  }
}

TEST_F(Form1RowsTest, ARowWithoutAHitIsNeitherHighlightedNorActedOn) {
  // A search without hits leaves the Top Hit row without a path.
  serve(QStringLiteral("nothing"), {});
  search(QStringLiteral("nothing"));
  ASSERT_TRUE(form->FileName(1)->toolTip().isEmpty());
  for (RowArray array : {RowArray::LeftsideLabel, RowArray::IconImg, RowArray::FileName, RowArray::MenuScroller}) {
    SCOPED_TRACE(static_cast<int>(array));
    move(element(array, 1));
    EXPECT_EQ(form->Interaction.CurrentRow, 0);
    EXPECT_FALSE(form->rect().intersects(form->SelectionBand()->geometry()));
    pressAndRelease(element(array, 1), Qt::LeftButton);
    EXPECT_TRUE(programStart.starts.empty());
    EXPECT_FALSE(form->isUnloaded());
  }
  // The preferences row is still there to be pointed at.
  move(form->FileName(999));
  EXPECT_EQ(form->Interaction.CurrentRow, 999);
  EXPECT_EQ(form->SelectionBand()->pos(), QPoint(0, form->FileName(999)->y()));
}

// Where a pointer press and release lands, and what follows.
struct PointerCase {
  const char* name;
  std::optional<int> hoverRow;  // a MouseMove over FileName(row) first
  RowArray array;               // where the button goes down and up
  int row;
  Qt::MouseButton button;
  std::vector<FakeProgramStart::Start> starts;
  bool closed;
  int preferencesShown;
  bool preferencesOpen;
  bool enabled;
};

TEST_F(Form1RowsTest, PressReleaseAndClickRules) {
  const QString explorer = QStringLiteral("c:\\windows\\explorer.exe ");
  const QString viewer = QStringLiteral("/usr/bin/viewer --new-window \"/docs/d1.txt\"");
  const PointerCase cases[] = {
      {"click on a highlighted file name opens with the registered program", 4, RowArray::FileName, 4,
       Qt::LeftButton, {{viewer, 1}}, true, 0, false, false},
      {"click on a highlighted caption opens its own row", 4, RowArray::LeftsideLabel, 4, Qt::LeftButton,
       {{viewer, 1}}, true, 0, false, false},
      {"release on a row not highlighted goes through Explorer", 2, RowArray::MenuScroller, 4, Qt::LeftButton,
       {{explorer + QStringLiteral("/docs/d1.txt"), 2}}, true, 0, false, false},
      {"release over an icon always goes through Explorer", 4, RowArray::IconImg, 4, Qt::LeftButton,
       {{explorer + QStringLiteral("/docs/d1.txt"), 2}}, true, 0, false, false},
      {"right button on a highlighted row does nothing", 4, RowArray::FileName, 4, Qt::RightButton, {}, false, 0,
       false, true},
      {"right button on a row not highlighted still releases", std::nullopt, RowArray::FileName, 5,
       Qt::RightButton, {{explorer + QStringLiteral("/docs/d2.txt"), 2}}, true, 0, false, false},
      {"release on the preferences row not highlighted", std::nullopt, RowArray::FileName, 999, Qt::LeftButton, {},
       false, 1, false, false},
      {"click on the highlighted preferences row", 999, RowArray::MenuScroller, 999, Qt::LeftButton, {}, false, 1,
       true, false},
  };
  for (const PointerCase& c : cases) {
    SCOPED_TRACE(c.name);
    // A fresh window per case, as each case ends the program's windows.
    form.reset();
    windows.unloaded.clear();
    preferences.shown = 0;
    programStart.starts.clear();
    callbackResults.clear();
    form = std::make_unique<Form1>(temp.regKeys(), windowSystem, preferences, windows);
    windows.form1 = form.get();
    form->setProgramStart(programStart);
    form->setSearchCallback([this](const QString& text) { return searchAndFill(*form, pipeline, text); });
    form->Form_Load();
    form->show();
    registerOpenCommand(QStringLiteral("txt"), QStringLiteral("/usr/bin/viewer --new-window \"%1\""));
    serve(QStringLiteral("report"), kWorkedExample);
    search(QStringLiteral("report"));
    const int shownAfterLoad = preferences.shown;

    if (c.hoverRow) move(form->FileName(*c.hoverRow));
    pressAndRelease(element(c.array, c.row), c.button);

    EXPECT_EQ(programStart.starts, c.starts);
    EXPECT_EQ(form->isUnloaded(), c.closed);
    EXPECT_EQ(windows.unloaded.contains(QStringLiteral("Form1")), c.closed);
    EXPECT_EQ(preferences.shown - shownAfterLoad, c.preferencesShown);
    EXPECT_EQ(form->Opening.PreferencesOpen, c.preferencesOpen);
    if (!c.closed) {
      EXPECT_EQ(form->isEnabled(), c.enabled);
    }
    EXPECT_EQ(form->Interaction.CurrentRow, c.row);
  }
}

// Show All holds no hit: before a search a click on it does nothing; after
// one it opens the search's page through the desktop's opener (the
// Explorer program), and the program ends.
TEST_F(Form1RowsTest, AClickOnShowAllOpensTheLastSearchPage) {
  pressAndRelease(form->FileName(0), Qt::LeftButton);
  EXPECT_TRUE(programStart.starts.empty());
  EXPECT_FALSE(form->isUnloaded());

  serve(QStringLiteral("tax return"), kWorkedExample);
  search(QStringLiteral("tax return"));
  ASSERT_EQ(callbackResults, std::vector<bool>{true});
  pressAndRelease(form->FileName(0), Qt::LeftButton);
  EXPECT_EQ(programStart.starts,
            (std::vector<FakeProgramStart::Start>{
                {QStringLiteral("c:\\windows\\explorer.exe ") + kPrefix + QStringLiteral("tax+return") + kSuffix, 1}}));
  EXPECT_TRUE(form->isUnloaded());
}

// Desktop entries and AppImages are application files of the Linux
// desktop; Windows has none of them (its programs are ".exe" files, which
// the Applications list holds anyway), and no list of hits holds them.
#ifdef Q_OS_WIN
constexpr bool kDesktopApplicationFiles = false;
#else
constexpr bool kDesktopApplicationFiles = true;
#endif

// A desktop that names ".desktop" entries and records what it starts.
struct NamingDesktop : platform::DesktopLauncher {
  QStringList launched;
  QString refusal;  // why a start fails; empty: it starts
  bool isApplication(const QString& path) const override {
    return path.endsWith(QStringLiteral(".desktop")) || path.endsWith(QStringLiteral(".AppImage"));
  }
  QString applicationName(const QString& path) const override {
    return path.endsWith(QStringLiteral(".desktop")) ? QStringLiteral("Text Editor") : QString();
  }
  platform::LaunchOutcome launchApplication(const QString& path) override {
    launched << path;
    if (!refusal.isEmpty()) return {platform::LaunchOutcome::Result::Failed, refusal};
    return platform::LaunchOutcome::started();
  }
  platform::LaunchOutcome openWithDefault(const QString&) override { return {}; }
};

// Desktop entries and AppImages are Applications; an entry's row shows the
// name the desktop gives it, and a click starts it as an application; a
// click on a folder opens it through the desktop's opener.
TEST_F(Form1RowsTest, ApplicationFilesAndFoldersOfTheDesktop) {
  const QString entry = QStringLiteral("/usr/share/applications/org.example.Editor.desktop");
  const QString image = QStringLiteral("/apps/Tool.AppImage");
  const QString folder = QStringLiteral("/home/ann/Projects");
  fileSystem.addFile(entry);
  fileSystem.addFile(image);
  fileSystem.addFolder(folder);
  http.answer(kPrefix + QStringLiteral("editor") + kSuffix, resultPage({entry, image, folder}));
  NamingDesktop desktop;
  form->setDesktopLauncher(desktop);
  search(QStringLiteral("editor"));
  ASSERT_EQ(callbackResults, std::vector<bool>{true});

  // path -> the captions of the rows that hold it, and the group row.
  QMap<QString, QStringList> captions;
  QMap<QString, int> groupRow;
  for (int row = 1; row < 97; ++row) {
    const QLabel* name = form->FileName(row);
    if (!name || name->toolTip().isEmpty() || !name->isVisibleTo(form.get())) continue;
    captions[name->toolTip()] << name->text();
    if (row > 1) groupRow[name->toolTip()] = row;
  }
  if (kDesktopApplicationFiles) {
    // The first hit stands in the Top Hit row only.
    EXPECT_EQ(form->FileName(1)->toolTip(), entry);
    EXPECT_EQ(captions.value(entry), QStringList{QStringLiteral("Text Editor")});
    EXPECT_EQ(captions.value(image), QStringList{QStringLiteral("Tool.AppImage")});
    EXPECT_EQ(form->Search.categories[search::Category::Applications], (QStringList{entry, image}));
  } else {
    // No list holds the two: the folder is the one hit, in the Top Hit row.
    EXPECT_EQ(form->Search.categories[search::Category::Applications], QStringList());
    EXPECT_FALSE(captions.contains(entry));
    EXPECT_FALSE(captions.contains(image));
    groupRow[folder] = 1;
  }
  EXPECT_EQ(captions.value(folder), QStringList{QStringLiteral("Projects")});

  ASSERT_TRUE(groupRow.contains(folder));
  move(form->FileName(groupRow[folder]));
  pressAndRelease(form->FileName(groupRow[folder]), Qt::LeftButton);
  EXPECT_EQ(programStart.starts,
            (std::vector<FakeProgramStart::Start>{{QStringLiteral("c:\\windows\\explorer.exe ") + folder, 1}}));
  EXPECT_TRUE(form->isUnloaded());
  EXPECT_TRUE(desktop.launched.isEmpty());
}

TEST_F(Form1RowsTest, AClickOnTheDesktopEntryStartsIt) {
  const QString entry = QStringLiteral("/usr/share/applications/org.example.Editor.desktop");
  serve(QStringLiteral("editor"), {entry});
  NamingDesktop desktop;
  form->setDesktopLauncher(desktop);
  search(QStringLiteral("editor"));
  ASSERT_EQ(callbackResults, std::vector<bool>{true});
  if (!kDesktopApplicationFiles) {
    // No list holds the entry there: the panel shows no hit to click.
    EXPECT_EQ(form->FileName(1)->toolTip(), QString());
    return;
  }
  ASSERT_EQ(form->FileName(1)->toolTip(), entry);
  move(form->FileName(1));
  pressAndRelease(form->FileName(1), Qt::LeftButton);
  EXPECT_EQ(desktop.launched, QStringList{entry});
  EXPECT_TRUE(programStart.starts.empty());
  EXPECT_TRUE(form->isUnloaded());
}

// An entry that cannot be started is told to the user, naming it and why,
// once the panel has gone.
TEST_F(Form1RowsTest, AnOpenThatFailsIsToldOnceThePanelIsGone) {
  const QString entry = QStringLiteral("/usr/share/applications/org.example.Top.desktop");
  serve(QStringLiteral("top"), {entry});
  NamingDesktop desktop;
  desktop.refusal = QStringLiteral("Unable to find terminal required for application");
  form->setDesktopLauncher(desktop);
  struct Told {
    QString summary, body;
    bool panelGone;
  };
  std::vector<Told> told;
  form->setOpenFailureHandler([&](const QString& summary, const QString& body) {
    told.push_back({summary, body, form->isUnloaded()});
  });
  search(QStringLiteral("top"));
  if (!kDesktopApplicationFiles) {
    // No list holds the entry there: the panel shows no hit to click.
    EXPECT_EQ(form->FileName(1)->toolTip(), QString());
    return;
  }
  ASSERT_EQ(form->FileName(1)->toolTip(), entry);
  move(form->FileName(1));
  pressAndRelease(form->FileName(1), Qt::LeftButton);
  EXPECT_EQ(desktop.launched, QStringList{entry});
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].summary, QStringLiteral("Could not open \u201corg.example.Top.desktop\u201d"));
  EXPECT_EQ(told[0].body, desktop.refusal + u'\n' + entry);
  EXPECT_TRUE(told[0].panelGone);
}

TEST_F(Form1RowsTest, AClickOnTheBandOpensTheHighlightedRow) {
  registerOpenCommand(QStringLiteral("exe"), QStringLiteral("\"%1\" --run"));
  serve(QStringLiteral("report"), kWorkedExample);
  search(QStringLiteral("report"));
  move(form->IconImg(3));
  pressAndRelease(form->SelectionBand(), Qt::LeftButton);
  EXPECT_EQ(programStart.starts,
            (std::vector<FakeProgramStart::Start>{{QStringLiteral("\"/apps/a3.exe\" --run"), 1}}));
  EXPECT_TRUE(form->isUnloaded());
}

TEST_F(Form1RowsTest, DeactivationWhileTheSearchWaitsEndsItCleanly) {
  const QStringList hits{QStringLiteral("/apps/a1.exe"), QStringLiteral("/apps/a2.exe")};
  serve(QStringLiteral("report"), hits);
  int getsAfterClose = 0;
  bool closed = false;
  http.setDuringGet([&](const QString&) {
    if (closed) {
      ++getsAfterClose;
      return;
    }
    if (http.getAddresses().size() == 3) {
      closed = true;
      windowSystem.changeActivation(false);  // another application is activated
    }
  });
  search(QStringLiteral("report"));

  EXPECT_EQ(callbackResults, std::vector<bool>{false});
  EXPECT_TRUE(form->isUnloaded());
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(windows.unloaded, (QStringList{QStringLiteral("BorderBackground"), QStringLiteral("MenuButton"),
                                           QStringLiteral("Form1")}));
  // The rest of the requests is dropped and nothing is laid out.
  EXPECT_EQ(http.getAddresses().size(), 3);
  EXPECT_EQ(getsAfterClose, 0);
  EXPECT_FALSE(form->FileName(2)->isVisible());
  EXPECT_EQ(form->height(), platform::twipsToPixelsY(470));
  EXPECT_FALSE(pipeline.isRunning());
}

TEST_F(Form1RowsTest, ASearchThatFindsNothingSaysSoInsteadOfAnEmptyTopHitRow) {
  // Rows with pictures first, so that nothing of them may stay.
  serve(QStringLiteral("report"), kWorkedExample);
  const struct {
    const char* name;
    QString page;
    QString message;
  } cases[] = {
      {"a plain page", resultPage({}), QStringLiteral("No files match \"reprot\".")},
      {"a page with a suggestion",
       QStringLiteral("<html><body><p data-suggestion=\"report &amp; notes\">none</p></body></html>"),
       QStringLiteral("No files match \"reprot\". Did you mean \"report & notes\"?")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    search(QStringLiteral("report"));
    ASSERT_EQ(form->FileName(1)->text(), QStringLiteral("a1.exe"));
    ASSERT_TRUE(form->IconImg(1)->isVisible());
    ASSERT_FALSE(form->ServiceMessage()->isVisible());

    http.answer(kPrefix + QStringLiteral("+reprot+") + kSuffix, c.page);
    search(QStringLiteral(" reprot "));
    QLabel* message = form->ServiceMessage();
    EXPECT_TRUE(message->isVisible());
    EXPECT_EQ(message->text(), c.message);
    // In the Top Hit row's place, with no caption, name or picture of that
    // row beside it, above the preferences row.
    EXPECT_EQ(message->y(), platform::twipsToPixelsY(960));
    EXPECT_FALSE(form->LeftsideLabel(1)->isVisible());
    EXPECT_FALSE(form->IconImg(1)->isVisible());
    EXPECT_TRUE(form->FileName(1)->text().isEmpty());
    EXPECT_FALSE(form->FileName(2)->isVisible());
    EXPECT_LT(message->geometry().bottom(), form->FileName(999)->y());
    EXPECT_LE(form->FileName(999)->geometry().bottom(), form->height());
    EXPECT_TRUE(form->accessibleControls().contains(message));
  }
  // The next search with hits takes the message away and brings the row
  // back.
  search(QStringLiteral("report"));
  EXPECT_FALSE(form->ServiceMessage()->isVisible());
  EXPECT_TRUE(form->LeftsideLabel(1)->isVisible());
  EXPECT_EQ(form->LeftsideLabel(1)->text(), QStringLiteral("Top Hit"));
  EXPECT_EQ(form->FileName(1)->text(), QStringLiteral("a1.exe"));
}

TEST_F(Form1RowsTest, AServiceThatCannotBeHadIsNamedInOneLineAndTheNextSearchHidesIt) {
  using Error = testing::FakeHttpTransfer::Error;
  const struct {
    const char* name;
    std::function<void()> script;
    QString message;
  } cases[] = {
      {"nothing listens", [this] { http.failUnscripted(Error::Unreachable); },
       QStringLiteral("The search service cannot be reached at 127.0.0.1:4664.")},
      {"no answer in time", [this] { http.fail(kPrefix + u'e' + kSuffix, Error::TimedOut); },
       QStringLiteral("The search service cannot be reached at 127.0.0.1:4664.")},
      {"the address is refused", [this] { http.answer(kPrefix + u'e' + kSuffix, QStringLiteral("Forbidden"), 403); },
       QStringLiteral("The search service at 127.0.0.1:4664 refused the search address.")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // A search that finds something, then one that cannot reach the service.
    http.clearAnswers();
    http.failUnscripted(Error::Broken);
    serve(QStringLiteral("report"), kWorkedExample);
    search(QStringLiteral("report"));
    ASSERT_FALSE(form->ServiceMessage()->isVisible());
    ASSERT_EQ(form->FileName(1)->text(), QStringLiteral("a1.exe"));
    c.script();
    search(QStringLiteral("report"));

    QLabel* message = form->ServiceMessage();
    EXPECT_TRUE(message->isVisible());
    EXPECT_EQ(message->text(), c.message);
    // Where the first group would start, inside the window, above the
    // preferences row, and the rows as for no hits.
    EXPECT_EQ(message->y(), platform::twipsToPixelsY(1360));
    EXPECT_GT(message->height(), 0);
    EXPECT_LT(message->geometry().bottom(), form->FileName(999)->y());
    EXPECT_LE(form->FileName(999)->geometry().bottom(), form->height());
    EXPECT_TRUE(form->FileName(999)->isVisible());
    EXPECT_LE(message->geometry().right(), form->width());
    // A screen reader is shown the line as one of the window's controls.
    QAccessibleInterface* told = QAccessible::queryAccessibleInterface(message);
    ASSERT_NE(told, nullptr);
    EXPECT_EQ(told->text(QAccessible::Name), c.message);
    EXPECT_EQ(told->parent(), QAccessible::queryAccessibleInterface(form.get()));
    EXPECT_TRUE(form->accessibleControls().contains(message));
    EXPECT_TRUE(form->FileName(1)->text().isEmpty());
    EXPECT_TRUE(form->FileName(1)->toolTip().isEmpty());
    EXPECT_EQ(form->FileName(0)->text(), QStringLiteral("Show All"));
    EXPECT_FALSE(form->isSearchRunning());
    EXPECT_TRUE(form->Progress()->isHidden());

    // The next search that reaches the service hides it again.
    http.clearAnswers();
    http.failUnscripted(Error::Broken);
    serve(QStringLiteral("report"), kWorkedExample);
    search(QStringLiteral("report"));
    EXPECT_FALSE(form->ServiceMessage()->isVisible());
    EXPECT_FALSE(form->accessibleControls().contains(form->ServiceMessage()));
    EXPECT_EQ(form->FileName(1)->text(), QStringLiteral("a1.exe"));
    EXPECT_EQ(form->FileName(999)->y(), platform::twipsToPixelsY(2860));
  }
}


// One step at the keyboard: a key with its modifiers and the text it types,
// or (key 0) the pointer moved over row `row`'s file name.
struct KeyStep {
  int key;
  Qt::KeyboardModifiers modifiers = Qt::NoModifier;
  QString text;
  int row = 0;
};

KeyStep press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  const bool enter = key == Qt::Key_Return;
  return {key, modifiers, enter ? QStringLiteral("\r") : key == Qt::Key_Escape ? QStringLiteral("\x1b") : QString()};
}
KeyStep typed(const QString& text) { return {Qt::Key_X, Qt::NoModifier, text}; }
KeyStep pointerOver(int row) { return {0, Qt::NoModifier, QString(), row}; }

struct KeyCase {
  const char* name;
  std::vector<KeyStep> steps;
  int highlighted;  // CurrentRow after the steps, 0 for none
  std::vector<FakeProgramStart::Start> starts;
  bool closed;
  int preferencesShown;
  int searches;  // searches run, the first one included
};

TEST_F(Form1RowsTest, KeysMoveTheHighlightAndOpenTheRow) {
  const QString explorer = QStringLiteral("c:\\windows\\explorer.exe ");
  const auto down = press(Qt::Key_Down);
  const auto enter = press(Qt::Key_Return);
  const KeyStep tab{Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t")};
  const KeyStep backTab{Qt::Key_Backtab, Qt::ShiftModifier, QString()};
  const std::vector<FakeProgramStart::Start> none;
  // Rows of the worked example: 1 a1.exe (Top Hit), 2-3 Applications,
  // 4-5 Documents, then the preferences row 999.
  const KeyCase cases[] = {
      {"Down highlights the Top Hit", {down}, 1, none, false, 0, 1},
      {"Down twice the next hit row", {down, down}, 2, none, false, 0, 1},
      {"Down after the last hit reaches the preferences row and stays there",
       {down, down, down, down, down, down, down}, 999, none, false, 0, 1},
      {"Up from the first hit row goes back to the box", {down, press(Qt::Key_Up)}, 0, none, false, 0, 1},
      {"End the last hit row", {press(Qt::Key_End)}, 5, none, false, 0, 1},
      {"Home the first hit row", {press(Qt::Key_End), press(Qt::Key_Home)}, 1, none, false, 0, 1},
      {"Page Down goes group by group",
       {press(Qt::Key_PageDown), press(Qt::Key_PageDown), press(Qt::Key_PageDown)}, 4, none, false, 0, 1},
      {"Page Up to the previous group's first row", {press(Qt::Key_End), press(Qt::Key_PageUp)}, 2, none, false, 0,
       1},
      {"Enter opens the highlighted row as a click on its name", {down, down, enter}, 2,
       {{QStringLiteral("\"/apps/a2.exe\" --run"), 1}}, true, 0, 1},
      {"Shift+Enter opens it as a release over its icon",
       {down, down, down, down, press(Qt::Key_Return, Qt::ShiftModifier)}, 4,
       {{explorer + QStringLiteral("/docs/d1.txt"), 2}}, true, 0, 1},
      {"Enter on the preferences row shows the preferences window", {press(Qt::Key_End), down, enter}, 999, none,
       false, 1, 1},
      {"typing drops the keyboard's highlight and Enter searches", {down, down, typed(QStringLiteral("x")), enter}, 0,
       none, false, 0, 2},
      {"the pointer takes the highlight, Enter then searches", {down, pointerOver(4), enter}, 4, none, false, 0, 2},
      {"Down goes on from the row the pointer highlighted", {down, pointerOver(4), down, enter}, 5,
       {{QStringLiteral("\"/docs/d2.txt\" --view"), 1}}, true, 0, 1},
      {"Escape ends the program", {down, press(Qt::Key_Escape)}, 1, none, true, 0, 1},
      {"Tab goes from the box to the rows", {tab, tab}, 2, none, false, 0, 1},
      {"Tab after the last row comes back to the box", {tab, tab, tab, tab, tab, tab, tab}, 0, none, false, 0, 1},
      {"Shift+Tab from the box goes to the last row", {backTab}, 999, none, false, 0, 1},
      {"Shift+Tab sent as Tab with Shift", {tab, tab, press(Qt::Key_Tab, Qt::ShiftModifier)}, 1, none, false, 0, 1},
      {"Enter opens the row Tab reached", {tab, tab, tab, tab, enter}, 4,
       {{QStringLiteral("\"/docs/d1.txt\" --view"), 1}}, true, 0, 1},
      {"words typed after Tab search", {tab, typed(QStringLiteral("x")), enter}, 0, none, false, 0, 2},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    form.reset();
    windows.unloaded.clear();
    preferences.shown = 0;
    programStart.starts.clear();
    int searches = 0;
    form = std::make_unique<Form1>(temp.regKeys(), windowSystem, preferences, windows);
    windows.form1 = form.get();
    form->setProgramStart(programStart);
    form->setSearchCallback([this, &searches](const QString& text) {
      ++searches;
      return searchAndFill(*form, pipeline, text);
    });
    form->Form_Load();
    form->show();
    registerOpenCommand(QStringLiteral("exe"), QStringLiteral("\"%1\" --run"));
    registerOpenCommand(QStringLiteral("txt"), QStringLiteral("\"%1\" --view"));
    serve(QStringLiteral("report"), kWorkedExample);
    serve(QStringLiteral("reportx"), kWorkedExample);
    search(QStringLiteral("report"));
    ASSERT_EQ(searches, 1);
    const int shownAfterLoad = preferences.shown;

    for (const KeyStep& step : c.steps) {
      if (form->isUnloaded()) break;
      if (step.key == 0) {
        move(form->FileName(step.row));
        continue;
      }
      QKeyEvent keyPress(QEvent::KeyPress, step.key, step.modifiers, step.text);
      QCoreApplication::sendEvent(form->Text1(), &keyPress);
      QKeyEvent keyRelease(QEvent::KeyRelease, step.key, step.modifiers, step.text);
      QCoreApplication::sendEvent(form->Text1(), &keyRelease);
    }

    EXPECT_EQ(form->Interaction.CurrentRow, c.highlighted);
    EXPECT_EQ(programStart.starts, c.starts);
    EXPECT_EQ(form->isUnloaded(), c.closed);
    EXPECT_EQ(windows.unloaded.contains(QStringLiteral("Form1")), c.closed);
    EXPECT_EQ(preferences.shown - shownAfterLoad, c.preferencesShown);
    EXPECT_EQ(searches, c.searches);
    if (c.closed) continue;
    // The band is where the pointer would draw it, or out of the window.
    if (c.highlighted != 0) {
      EXPECT_EQ(form->SelectionBand()->y(), form->FileName(c.highlighted)->y());
      EXPECT_EQ(textColour(form->FileName(c.highlighted)), kWhite);
    } else {
      EXPECT_FALSE(form->rect().intersects(form->SelectionBand()->geometry()));
    }
    for (int r : {1, 2, 3, 4, 5, 999}) {
      if (r != c.highlighted) {
        EXPECT_EQ(textColour(form->FileName(r)), kGrey) << r;
      }
    }
  }
}

TEST_F(Form1RowsTest, KeysOnThePanelItselfActAsInTheBox) {
  registerOpenCommand(QStringLiteral("txt"), QStringLiteral("\"%1\" --view"));
  const auto key = [this](QWidget* target, int code) {
    const QString text = code == Qt::Key_Return ? QStringLiteral("\r") : QString();
    QKeyEvent keyPress(QEvent::KeyPress, code, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &keyPress);
  };
  // Before a search there are no rows: Home and End stay the box's own.
  form->Text1()->setText(QStringLiteral("report"));
  key(form->Text1(), Qt::Key_Home);
  EXPECT_EQ(form->Text1()->cursorPosition(), 0);
  EXPECT_EQ(form->Interaction.CurrentRow, 0);

  serve(QStringLiteral("report"), kWorkedExample);
  search(QStringLiteral("report"));
  key(form.get(), Qt::Key_End);
  EXPECT_EQ(form->Interaction.CurrentRow, 5);
  EXPECT_TRUE(form->keyboardOwnsHighlight());
  key(form.get(), Qt::Key_Up);
  EXPECT_EQ(form->Interaction.CurrentRow, 4);
  key(form.get(), Qt::Key_Return);
  EXPECT_EQ(programStart.starts,
            (std::vector<FakeProgramStart::Start>{{QStringLiteral("\"/docs/d1.txt\" --view"), 1}}));
  EXPECT_TRUE(form->isUnloaded());
}

TEST_F(Form1RowsTest, ARowKeyHeldWhileATypedKeyLetsEventsRunComesAfterIt) {
  serve(QStringLiteral("report"), kWorkedExample);
  search(QStringLiteral("report"));
  // The typed key's turn of the event loop brings a Down. Taken at once, it
  // would highlight the Top Hit before the typed letter reaches the box.
  QString textAtHighlight;
  QObject::connect(form.get(), &Form1::accessibleFocusMoved, form.get(),
                   [&](QWidget* control) {
                     if (control == form->FileName(1)) textAtHighlight = form->Text1()->text();
                   });
  bool downSent = false;
  windowSystem.onPendingEvents = [&] {
    if (downSent) return;
    downSent = true;
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(form->Text1(), &down);
  };
  QKeyEvent typed(QEvent::KeyPress, Qt::Key_S, Qt::NoModifier, QStringLiteral("s"));
  QCoreApplication::sendEvent(form->Text1(), &typed);
  windowSystem.onPendingEvents = nullptr;
  EXPECT_TRUE(QTest::qWaitFor([&] { return form->Interaction.CurrentRow == 1; }));
  EXPECT_EQ(textAtHighlight, QStringLiteral("reports"));
  EXPECT_EQ(form->Text1()->text(), QStringLiteral("reports"));
  EXPECT_TRUE(form->keyboardOwnsHighlight());
}

TEST_F(Form1RowsTest, ScreenReadersReadTheRowsAndFollowTheHighlight) {
  serve(QStringLiteral("report"), kWorkedExample);
  search(QStringLiteral("report"));
  const auto accessible = [](QObject* object) {
    QAccessibleInterface* interface = QAccessible::queryAccessibleInterface(object);
    EXPECT_NE(interface, nullptr);
    return interface;
  };
  const struct {
    QObject* object;
    QAccessible::Role role;
    QString name;
    QString description;
  } controls[] = {
      {form->Text1(), QAccessible::EditableText, QStringLiteral("Search"), {}},
      {form->CloseButton(), QAccessible::Button, QStringLiteral("Close"), {}},
      {form->FileName(1), QAccessible::ListItem, QStringLiteral("Top Hit: a1.exe"), QStringLiteral("/apps/a1.exe")},
      {form->FileName(3), QAccessible::ListItem, QStringLiteral("Applications: a3.exe"),
       QStringLiteral("/apps/a3.exe")},
      {form->FileName(4), QAccessible::ListItem, QStringLiteral("Documents: d1.txt"), QStringLiteral("/docs/d1.txt")},
      {form->FileName(5), QAccessible::ListItem, QStringLiteral("Documents: d2.txt"), QStringLiteral("/docs/d2.txt")},
      {form->FileName(999), QAccessible::MenuItem, QStringLiteral("Orvanta Preferences..."), {}},
  };
  for (const auto& control : controls) {
    SCOPED_TRACE(control.name.toStdString());
    QAccessibleInterface* interface = accessible(control.object);
    if (!interface) continue;
    EXPECT_EQ(interface->role(), control.role);
    EXPECT_EQ(interface->text(QAccessible::Name), control.name);
    if (!control.description.isEmpty()) {
      EXPECT_EQ(interface->text(QAccessible::Description), control.description);
    }
  }

  // The highlighted row is the accessible focus; back in the box, the box is.
  std::vector<QObject*> focused;
  QObject::connect(form.get(), &Form1::accessibleFocusMoved, form.get(),
                   [&focused](QWidget* control) { focused.push_back(control); });
  const auto key = [this](int code) {
    QKeyEvent keyPress(QEvent::KeyPress, code, Qt::NoModifier);
    QCoreApplication::sendEvent(form->Text1(), &keyPress);
  };
  key(Qt::Key_Down);
  key(Qt::Key_Down);
  const bool secondFocused = accessible(form->FileName(2))->state().focused;
  const bool firstFocused = accessible(form->FileName(1))->state().focused;
  key(Qt::Key_Up);
  key(Qt::Key_Up);
  EXPECT_TRUE(secondFocused);
  EXPECT_FALSE(firstFocused);
  EXPECT_EQ(focused, (std::vector<QObject*>{form->FileName(1), form->FileName(2), form->FileName(1), form->Text1()}));
  EXPECT_FALSE(accessible(form->FileName(1))->state().focused);
}

TEST_F(Form1RowsTest, TheKeyboardNeverLeavesTheSearchBox) {
  serve(QStringLiteral("report"), kWorkedExample);
  search(QStringLiteral("report"));
  ASSERT_TRUE(form->Text2()->toPlainText().contains(QStringLiteral("/apps/a1.exe")));

  // Of every control only the search box takes the keyboard.
  for (const QWidget* control : form->findChildren<QWidget*>()) {
    if (control == form->Text1()) continue;
    EXPECT_EQ(control->focusPolicy(), Qt::NoFocus) << control->objectName().toStdString();
  }

  // Tab and Shift+Tab through the window as the keyboard sends them: the
  // box keeps the keyboard, and words typed then land in it.
  form->activateWindow();
  ASSERT_TRUE(testing::waitFor([this] { return QApplication::focusWidget() == form->Text1(); }));
  const struct {
    int key;
    Qt::KeyboardModifiers modifiers;
    int highlighted;
  } steps[] = {
      {Qt::Key_Tab, Qt::NoModifier, 1},    {Qt::Key_Tab, Qt::NoModifier, 2},
      {Qt::Key_Backtab, Qt::ShiftModifier, 1}, {Qt::Key_Backtab, Qt::ShiftModifier, 0},
      {Qt::Key_Backtab, Qt::ShiftModifier, 999},
  };
  for (const auto& step : steps) {
    QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(step.key), step.modifiers);
    EXPECT_EQ(QApplication::focusWidget(), form->Text1());
    EXPECT_EQ(form->Interaction.CurrentRow, step.highlighted);
  }
  // Tab on the window itself, as when nothing in it has the keyboard.
  QTest::keyClick(form.get(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), form->Text1());
  EXPECT_EQ(form->Interaction.CurrentRow, 0);
  form->Text1()->clear();
  QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("notes"));
  EXPECT_EQ(form->Text1()->text(), QStringLiteral("notes"));
}

TEST_F(Form1RowsTest, AScreenReaderIsShownOnlyWhatIsOnView) {
  serve(QStringLiteral("report"), kWorkedExample);
  search(QStringLiteral("report"));
  const QString page = form->Text2()->toPlainText();
  ASSERT_TRUE(page.contains(QStringLiteral("/apps/a1.exe")));

  // Everything the window shows a screen reader, walked as one walks it.
  QAccessibleInterface* window = QAccessible::queryAccessibleInterface(form.get());
  ASSERT_NE(window, nullptr);
  std::vector<QObject*> shown;
  std::vector<QAccessibleInterface*> pending{window};
  while (!pending.empty()) {
    QAccessibleInterface* interface = pending.back();
    pending.pop_back();
    for (int i = 0; i < interface->childCount(); ++i) {
      QAccessibleInterface* child = interface->child(i);
      ASSERT_NE(child, nullptr);
      shown.push_back(child->object());
      pending.push_back(child);
      SCOPED_TRACE(child->object()->objectName().toStdString());
      EXPECT_EQ(child->parent(), interface);
      EXPECT_EQ(interface->indexOfChild(child), i);
      EXPECT_FALSE(child->text(QAccessible::Name).isEmpty());
      EXPECT_FALSE(child->state().invisible);
      EXPECT_FALSE(child->text(QAccessible::Value).contains(QStringLiteral("span title")));
    }
  }
  const std::vector<QObject*> onView{form->Text1(),     form->CloseButton(), form->FileName(1), form->FileName(2),
                                     form->FileName(3), form->FileName(4),   form->FileName(5), form->FileName(999)};
  EXPECT_EQ(shown, onView);

  // The page box tells nothing, even when asked for directly.
  QAccessibleInterface* pageBox = QAccessible::queryAccessibleInterface(form->Text2());
  ASSERT_NE(pageBox, nullptr);
  EXPECT_EQ(pageBox->textInterface(), nullptr);
  EXPECT_EQ(pageBox->editableTextInterface(), nullptr);
  EXPECT_EQ(pageBox->childCount(), 0);
  EXPECT_TRUE(pageBox->state().invisible);
  for (QAccessible::Text text : {QAccessible::Name, QAccessible::Value, QAccessible::Description}) {
    EXPECT_TRUE(pageBox->text(text).isEmpty());
  }

  // A search that finds nothing leaves the box, the line that says so and
  // the preferences row.
  serve(QStringLiteral("nothing"), {});
  search(QStringLiteral("nothing"));
  EXPECT_EQ(window->childCount(), 4);
  EXPECT_EQ(window->child(0)->object(), form->Text1());
  EXPECT_EQ(window->child(2)->object(), form->ServiceMessage());
  EXPECT_EQ(window->child(3)->object(), form->FileName(999));
}

TEST_F(Form1RowsTest, RowsBeyondTheWorkAreaScrollAndTheKeyboardsRowStaysInView) {
  // 31 rows in each of two groups on a screen whose work area ends 400
  // pixels down: the rows need 1300 pixels.
  settings::writeSetting(temp.regKeys(), u"MaxSearchResults", QStringLiteral("30"));
  windowSystem.screenWorkArea = QRect(0, 0, 800, 400);
  form.reset();
  form = std::make_unique<Form1>(temp.regKeys(), windowSystem, preferences, windows);
  windows.form1 = form.get();
  form->setSearchCallback([this](const QString& text) { return searchAndFill(*form, pipeline, text); });
  form->Form_Load();
  form->show();
  QStringList hits;
  for (int i = 1; i <= 31; ++i) hits << QStringLiteral("/apps/a%1.exe").arg(i);
  for (int i = 1; i <= 31; ++i) hits << QStringLiteral("/docs/d%1.txt").arg(i);
  serve(QStringLiteral("report"), hits);
  search(QStringLiteral("report"));

  const int strip = platform::twipsToPixelsY(470);
  const int rowsHeight = platform::twipsToPixelsY(form->Panel.RowTop + form->Panel.WindowExtraHeight);
  ASSERT_GT(rowsHeight, 400);
  EXPECT_EQ(form->y() + form->height(), 400) << "the window ends at the work area's bottom";
  EXPECT_EQ(form->maximumRowScroll(), rowsHeight - form->height());
  EXPECT_TRUE(form->RowScrollBar()->isVisible());
  const QRect searchBox = form->Text1()->geometry();

  // Where a row's file name lies in the window, and whether all of it is
  // on view between the search strip and the bottom rule.
  const auto inView = [&](int row) {
    const QRect name(form->FileName(row)->mapTo(form.get(), QPoint(0, 0)), form->FileName(row)->size());
    return name.top() >= strip && name.bottom() < form->height() - 1;
  };
  const auto key = [this](int code) {
    QKeyEvent keyPress(QEvent::KeyPress, code, Qt::NoModifier);
    QCoreApplication::sendEvent(form->Text1(), &keyPress);
  };
  const struct {
    int key;
    int highlighted;
    bool scrolled;
  } steps[] = {
      {Qt::Key_End, 62, true},          {Qt::Key_Down, 999, true},  {Qt::Key_Home, 1, false},
      {Qt::Key_PageDown, 2, false},     {Qt::Key_PageDown, 32, true}, {Qt::Key_PageUp, 2, false},
      {Qt::Key_Up, 1, false},           {Qt::Key_Up, 0, false},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(::testing::Message() << "key " << step.key);
    key(step.key);
    EXPECT_EQ(form->Interaction.CurrentRow, step.highlighted);
    EXPECT_EQ(form->rowScroll() > 0, step.scrolled);
    if (step.highlighted != 0) {
      EXPECT_TRUE(inView(step.highlighted));
      EXPECT_EQ(form->SelectionBand()->y(), form->FileName(step.highlighted)->y());
    }
    EXPECT_EQ(form->Text1()->geometry(), searchBox) << "the search strip stays";
  }
  // Every row with a hit comes into view on its way down.
  for (int row = 1; row <= 62; ++row) {
    key(Qt::Key_Down);
    ASSERT_EQ(form->Interaction.CurrentRow, row);
    EXPECT_TRUE(inView(row)) << row;
  }

  // Back in the box, the rows at their start.
  key(Qt::Key_Home);
  key(Qt::Key_Up);
  ASSERT_EQ(form->Interaction.CurrentRow, 0);
  EXPECT_EQ(form->rowScroll(), 0);

  // The wheel scrolls, a notch three rows, within the rows' height. (A
  // wheel turned over a row reaches the window as the row leaves it; an
  // event sent by a test goes to its receiver alone.)
  const auto wheel = [this](int notches) {
    const QPointF at(10, 100);
    QWheelEvent event(at, form->mapToGlobal(at), QPoint(), QPoint(0, notches * 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(form.get(), &event);
  };
  wheel(-1);
  EXPECT_EQ(form->rowScroll(), 3 * platform::twipsToPixelsY(300));
  wheel(-100);
  EXPECT_EQ(form->rowScroll(), form->maximumRowScroll());
  EXPECT_TRUE(inView(999));
  wheel(100);
  EXPECT_EQ(form->rowScroll(), 0);

  // A search whose rows fit lays the window out as before, unscrolled.
  serve(QStringLiteral("few"), kWorkedExample);
  search(QStringLiteral("few"));
  EXPECT_EQ(form->height(), platform::twipsToPixelsY(3180));
  EXPECT_EQ(form->maximumRowScroll(), 0);
  EXPECT_FALSE(form->RowScrollBar()->isVisible());
  EXPECT_EQ(form->FileName(999)->mapTo(form.get(), QPoint(0, 0)).y(), platform::twipsToPixelsY(2860));
}

}  // namespace
}  // namespace orvanta::results_window
