// The search box beyond Enter, without a display: the last searches
// brought back with Up and Down, and the hits shown while the words are
// typed.
#include "results_window/form1.h"

#include "fake_file_system.h"
#include "fake_http_transfer.h"
#include "fake_preferences.h"
#include "fake_program_windows.h"
#include "fake_window_system.h"
#include "gui_application.h"
#include "temp_registry.h"
#include "wait_for.h"
#include "results_window/form1_search.h"
#include "search/search_pipeline.h"
#include "settings/search_history.h"
#include "settings/settings_table.h"

#include <QKeyEvent>

#include <gtest/gtest.h>

namespace orvanta::results_window {
namespace {

class Form1TypingTest : public ::testing::Test {
 protected:
  Form1TypingTest() : windows(&log) { testing::guiApplication(); }

  Form1& load() {
    form = std::make_unique<Form1>(temp.regKeys(), windowSystem, preferences, windows);
    windows.form1 = form.get();
    form->Form_Load();
    return *form;
  }
  void pressKey(int key, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(form->Text1(), &press);
  }
  void type(const QString& text) {
    for (QChar c : text) pressKey(c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - 'A') : Qt::Key_Space, c);
  }

  testing::TempRegistry temp;
  testing::FakeWindowSystem windowSystem;
  QStringList log;
  testing::FakePreferences preferences;
  testing::FakeProgramWindows windows;
  std::unique_ptr<Form1> form;
};

TEST_F(Form1TypingTest, UpInAnEmptyBoxGoesBackThroughTheLastSearchesAndDownForwardToAnEmptyBox) {
  for (const char* words : {"oldest", "middle", "newest"}) rememberSearch(temp.regKeys(), QString::fromLatin1(words));
  Form1& f = load();
  QLineEdit* box = f.Text1();
  const struct {
    int key;
    const char* text;
  } steps[] = {
      {Qt::Key_Up, "newest"},   {Qt::Key_Up, "middle"},
      {Qt::Key_Up, "oldest"},   {Qt::Key_Up, "oldest"},  // the oldest stays
      {Qt::Key_Down, "middle"}, {Qt::Key_Down, "newest"},
      {Qt::Key_Down, ""},       {Qt::Key_Down, ""},  // past the newest: the box stays empty
      {Qt::Key_Up, "newest"},
  };
  for (const auto& step : steps) {
    pressKey(step.key);
    EXPECT_EQ(box->text(), QString::fromLatin1(step.text)) << (step.key == Qt::Key_Up ? "Up" : "Down");
  }
  // Words the user changed are their own: Up leaves them.
  pressKey(Qt::Key_S, QStringLiteral("s"));
  EXPECT_EQ(box->text(), QStringLiteral("newests"));
  pressKey(Qt::Key_Up);
  EXPECT_EQ(box->text(), QStringLiteral("newests"));
}

TEST_F(Form1TypingTest, EnterKeepsTheWordsForTheNextRun) {
  Form1& f = load();
  QStringList searched;
  f.setSearchCallback([&](const QString& text) {
    searched << text;
    return true;
  });
  type(QStringLiteral("tax report"));
  pressKey(Qt::Key_Return, QStringLiteral("\r"));
  ASSERT_EQ(searched, QStringList{QStringLiteral("tax report")});
  EXPECT_EQ(settings::readSearchHistory(temp.regKeys()), QStringList{QStringLiteral("tax report")});

  // A later run brings them back.
  form.reset();
  windows.form1 = nullptr;
  Form1& next = load();
  pressKey(Qt::Key_Up);
  EXPECT_EQ(next.Text1()->text(), QStringLiteral("tax report"));
}

const QString kPrefix = QStringLiteral("http://127.0.0.1:4664/search&s=code?q=");
const QString kSuffix = QStringLiteral("&ie=UTF-8");

QString resultPage(const QStringList& hits) {
  QString body;
  for (const QString& hit : hits) body += QStringLiteral("<span title=\"") + hit + QStringLiteral("\">x</span>");
  return QStringLiteral("<html><body>") + body + QStringLiteral("</body></html>");
}

// The window with the search of typed words wired as the program wires
// it, against scripted answers.
class HitsWhileTypingTest : public Form1TypingTest {
 protected:
  explicit HitsWhileTypingTest(const char* preference = " 1") {
    settings::writeSetting(temp.regKeys(), u"SearchPrefix", kPrefix);
    settings::writeSetting(temp.regKeys(), u"SearchSuffix", kSuffix);
    settings::writeSetting(temp.regKeys(), u"ShowHitsWhileTyping", QString::fromLatin1(preference));
    load();
    form->setSearchCallback([this](const QString& text) { return searchAndFill(*form, pipeline, text); });
    form->setTypedSearch(
        [this](const QString& text, const std::function<bool()>& stale) {
          return typedSearchAndFill(*form, pipeline, text, stale);
        },
        [this] {
          if (cancelling) pipeline.cancelTyped();
        });
    form->show();
  }

  void serve(const QString& words, const QStringList& hits) {
    for (const QString& hit : hits) fileSystem.addFile(hit);
    http.answer(kPrefix + words + kSuffix, resultPage(hits));
  }
  // The pause after the last key has passed and no typed search runs.
  bool settled() {
    return testing::waitFor([this] { return !form->TypingPause()->isActive() && !form->isTypedSearchRunning(); });
  }
  QString topHit() const { return form->FileName(1)->toolTip(); }

  // Every path the Top Hit row was given, in order.
  struct TopHitRecorder : QObject {
    QStringList shown;
    bool eventFilter(QObject* watched, QEvent* event) override {
      if (event->type() == QEvent::ToolTipChange) shown << static_cast<QWidget*>(watched)->toolTip();
      return false;
    }
  };

  testing::FakeHttpTransfer http;
  testing::FakeFileSystem fileSystem;
  search::SearchPipeline pipeline{temp.regKeys(), http, fileSystem};
  bool cancelling = true;
};

TEST_F(HitsWhileTypingTest, APauseInTypingAsksTheSearchAddressOnceAndFillsTheRowsWithoutEnter) {
  serve(QStringLiteral("rep"), {QStringLiteral("/docs/report.txt"), QStringLiteral("/apps/rep.exe")});
  type(QStringLiteral("rep"));
  EXPECT_TRUE(form->TypingPause()->isActive());
  EXPECT_EQ(form->TypingPause()->interval(), 100);
  ASSERT_TRUE(testing::waitFor([this] { return !topHit().isEmpty(); }));
  // Only the search address, no navigation, no other request.
  EXPECT_EQ(http.requests(), (QList<testing::FakeHttpTransfer::Request>{{false, kPrefix + "rep" + kSuffix, 0}}));
  EXPECT_EQ(topHit(), QStringLiteral("/apps/rep.exe"));
  EXPECT_EQ(form->FileName(2)->toolTip(), QStringLiteral("/docs/report.txt"));
  EXPECT_TRUE(form->FileName(2)->isVisible());
  EXPECT_FALSE(form->Interaction.EnterPending);
  EXPECT_TRUE(settled());
  EXPECT_EQ(http.requests().size(), 1);
  // Nothing was searched for by Enter, so nothing is kept yet.
  EXPECT_TRUE(settings::readSearchHistory(temp.regKeys()).isEmpty());

  // Enter still runs the whole sequence for the same words, and opens
  // nothing by itself.
  http.clearRequests();
  pressKey(Qt::Key_Return, QStringLiteral("\r"));
  EXPECT_EQ(http.requests().size(), 9);  // the navigation and eight GETs
  EXPECT_TRUE(http.requests().first().navigation);
  EXPECT_EQ(http.getAddresses().first(), kPrefix + u'e' + kSuffix);
  EXPECT_EQ(http.getAddresses().last(), kPrefix + "rep" + kSuffix);
  EXPECT_FALSE(form->isUnloaded());
  EXPECT_EQ(topHit(), QStringLiteral("/apps/rep.exe"));
}

TEST_F(HitsWhileTypingTest, OpeningAHitOfTypedRowsKeepsTheirWords) {
  serve(QStringLiteral("rep"), {QStringLiteral("/docs/report.txt")});
  type(QStringLiteral("rep"));
  ASSERT_TRUE(testing::waitFor([this] { return !topHit().isEmpty(); }));
  ASSERT_TRUE(settled());
  // Down takes the Top Hit, Enter opens it.
  pressKey(Qt::Key_Down);
  pressKey(Qt::Key_Return, QStringLiteral("\r"));
  EXPECT_TRUE(form->isUnloaded());
  EXPECT_EQ(http.requests().size(), 1);
  EXPECT_EQ(settings::readSearchHistory(temp.regKeys()), QStringList{QStringLiteral("rep")});
}

TEST_F(HitsWhileTypingTest, FewerThanTwoCharactersAskNothing) {
  for (const char* words : {"r", " r ", "  "}) {
    form->Text1()->clear();
    http.clearRequests();
    type(QString::fromLatin1(words));
    ASSERT_TRUE(form->TypingPause()->isActive());
    ASSERT_TRUE(settled());
    EXPECT_TRUE(http.requests().isEmpty()) << '"' << words << '"';
  }
}

TEST_F(HitsWhileTypingTest, AnAnswerForEarlierWordsNeverReplacesTheRows) {
  serve(QStringLiteral("re"), {QStringLiteral("/docs/re.txt")});
  serve(QStringLiteral("rep"), {QStringLiteral("/docs/rep.txt")});
  serve(QStringLiteral("repo"), {QStringLiteral("/docs/repo.txt")});
  const struct {
    const char* name;
    bool cancelling;
    int cancels;
  } cases[] = {
      // The newer words cancel the request under way...
      {"cancelled", true, 1},
      // ...and an answer that still comes is dropped.
      {"answered late", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    cancelling = c.cancelling;
    form->Text1()->clear();
    type(QStringLiteral("re"));
    ASSERT_TRUE(testing::waitFor([this] { return topHit() == QStringLiteral("/docs/re.txt"); }));
    ASSERT_TRUE(settled());
    http.clearRequests();
    const int cancelsBefore = http.cancels();
    // While the answer for "rep" is awaited, an "o" is typed; the rows of
    // "re" stay on view meanwhile, never an empty panel.
    QString seenDuringWait;
    bool typed = false;
    TopHitRecorder recorder;
    form->FileName(1)->installEventFilter(&recorder);
    http.setDuringGet([&](const QString& address) {
      if (address != kPrefix + "rep" + kSuffix || typed) return;
      typed = true;
      seenDuringWait = topHit();
      pressKey(Qt::Key_O, QStringLiteral("o"));
    });
    pressKey(Qt::Key_P, QStringLiteral("p"));
    ASSERT_TRUE(testing::waitFor([this] { return http.getAddresses().size() == 2; }));
    ASSERT_TRUE(settled());
    http.setDuringGet({});
    EXPECT_EQ(seenDuringWait, QStringLiteral("/docs/re.txt"));
    EXPECT_EQ(http.getAddresses(), (QStringList{kPrefix + "rep" + kSuffix, kPrefix + "repo" + kSuffix}));
    EXPECT_EQ(http.cancels() - cancelsBefore, c.cancels);
    EXPECT_EQ(topHit(), QStringLiteral("/docs/repo.txt"));
    EXPECT_EQ(form->Search.SearchQuery, QStringLiteral("repo"));
    // The rows went from those of "re" straight to those of "repo".
    EXPECT_FALSE(recorder.shown.contains(QStringLiteral("/docs/rep.txt"))) << recorder.shown.join(u' ').toStdString();
    form->FileName(1)->removeEventFilter(&recorder);
  }
}

TEST_F(HitsWhileTypingTest, EnterDuringATypedSearchDropsItsAnswer) {
  serve(QStringLiteral("rep"), {QStringLiteral("/docs/rep.txt")});
  serve(QStringLiteral("report"), {QStringLiteral("/docs/report.txt")});
  cancelling = false;  // the answer comes all the same
  TopHitRecorder recorder;
  form->FileName(1)->installEventFilter(&recorder);
  bool entered = false;
  http.setDuringGet([&](const QString& address) {
    if (address != kPrefix + "rep" + kSuffix || entered) return;
    entered = true;
    form->Text1()->setText(QStringLiteral("report"));
    pressKey(Qt::Key_Return, QStringLiteral("\r"));
  });
  type(QStringLiteral("rep"));
  ASSERT_TRUE(testing::waitFor([&] { return entered && !form->isTypedSearchRunning(); }));
  http.setDuringGet({});
  EXPECT_EQ(topHit(), QStringLiteral("/docs/report.txt"));
  EXPECT_TRUE(settled());
  EXPECT_EQ(topHit(), QStringLiteral("/docs/report.txt"));
  EXPECT_FALSE(recorder.shown.contains(QStringLiteral("/docs/rep.txt"))) << recorder.shown.join(u' ').toStdString();
  form->FileName(1)->removeEventFilter(&recorder);
}

class HitsWhileTypingOffTest : public HitsWhileTypingTest {
 protected:
  HitsWhileTypingOffTest() : HitsWhileTypingTest(" 0") {}
};

TEST_F(HitsWhileTypingOffTest, ByDefaultTypingAsksNothing) {
  serve(QStringLiteral("report"), {QStringLiteral("/docs/report.txt")});
  type(QStringLiteral("report"));
  ASSERT_TRUE(settled());
  EXPECT_TRUE(http.requests().isEmpty());
  EXPECT_TRUE(topHit().isEmpty());
}

}  // namespace
}  // namespace orvanta::results_window
