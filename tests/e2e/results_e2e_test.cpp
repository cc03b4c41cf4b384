// The built program on a virtual X display against the bundled local search
// service over a sample folder: a query fills the panel's rows where they
// belong, the row under the pointer shows the highlight band, and a click
// opens the hit with the program registered for its type, ending the run;
// the same at the keyboard, from a start with the panel dropped; a typo
// still finds the hits, and the hit opened comes first in the next run.
#include "x11_session.h"

#include "gui_application.h"
#include "platform/file_registry.h"
#include "settings/reg_keys.h"
#include "settings/settings_table.h"
#include "wait_for.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <optional>

namespace orvanta::testing {
namespace {

using platform::RegRoot;

// The data folder of a run (XDG_DATA_HOME), beside its settings: the
// desktop's recently used files the program adds each open to and the
// service reads are there, not in the user's own.
QString dataHome(const QString& configHome) { return configHome + QStringLiteral("/data"); }

// The local search service, started on a free loopback port and stopped
// with the object.
class SearchService {
 public:
  SearchService(const QString& configHome, const QString& root) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), configHome + QStringLiteral("/cache"));  // its index
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome(configHome));
    process_.setProcessEnvironment(environment);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(QStringLiteral(ORVANTA_SERVICE_BINARY),
                   {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--root"), root});
  }
  ~SearchService() {
    process_.kill();
    process_.waitForFinished(5000);
  }

  // Everything the service has logged so far.
  QString log() {
    log_ += QString::fromLocal8Bit(process_.readAll());
    return log_;
  }

  // Waits for the service's log to show `pattern`; its first capture.
  std::optional<QString> waitForLog(const QRegularExpression& pattern, int timeoutMs = 10000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
      const QRegularExpressionMatch match = pattern.match(log_);
      if (match.hasMatch()) return match.captured(1);
      process_.waitForReadyRead(100);
      log_ += QString::fromLocal8Bit(process_.readAll());
    }
    return std::nullopt;
  }

 private:
  QProcess process_;
  QString log_;
};

// The registry file of a run, shown when a check fails.
QString registryText(const QString& configHome) {
  QFile file(configHome + QStringLiteral("/orvanta/registry.reg"));
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("(no registry)");
}

bool isBandColour(QRgb pixel) {
  return qAbs(qRed(pixel) - 37) <= 2 && qAbs(qGreen(pixel) - 92) <= 2 && qAbs(qBlue(pixel) - 226) <= 2;
}

TEST(ResultsE2eTest, AQueryFillsTheRowsAndAClickOpensTheHitWithItsRegisteredProgram) {
  guiApplication();
  QTemporaryDir configHome;
  QTemporaryDir work;
  ASSERT_TRUE(configHome.isValid() && work.isValid());

  // One hit in each of three groups.
  const QString sample = work.filePath(QStringLiteral("sample"));
  const QString application = sample + QStringLiteral("/Applications/report-setup.exe");
  const QString song = sample + QStringLiteral("/Music/report-theme.mp3");
  const QString notes = sample + QStringLiteral("/Documents/report-notes.txt");
  for (const QString& file : {application, song, notes}) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  }

  SearchService service(configHome.path(), sample);
  const auto port = service.waitForLog(QRegularExpression(QStringLiteral("listening on port (\\d+)")));
  ASSERT_TRUE(port);
  ASSERT_TRUE(service.waitForLog(QRegularExpression(QStringLiteral("(indexed [1-9]\\d* entries)"))));

  // Settings for the service's port, and .txt registered to the recorder,
  // which writes its arguments to `recorded`.
  const QString recorded = work.filePath(QStringLiteral("recorded"));
  {
    platform::FileRegistry registry(configHome.path() + QStringLiteral("/orvanta/registry.reg"));
    settings::RegKeys regKeys(registry);
    const QString code =
        regKeys.ReadRegValue(RegRoot::LocalMachine, settings::kServiceKey, settings::kServiceSecurityCode);
    ASSERT_FALSE(code.isEmpty());
    settings::writeSetting(regKeys, u"SearchPrefix",
                           QStringLiteral("http://127.0.0.1:%1/search&s=%2?q=").arg(*port, code));
    settings::writeSetting(regKeys, u"SearchSuffix", QStringLiteral("&ie=UTF-8"));
    settings::writeSetting(regKeys, u"LeftPosition", QStringLiteral("6000"));
    settings::writeSetting(regKeys, u"TopPosition", QStringLiteral("1500"));
    ASSERT_TRUE(regKeys.WriteRegValue(RegRoot::ClassesRoot, QStringLiteral(".txt"), QString(),
                                      QStringLiteral("RecordedText")));
    ASSERT_TRUE(regKeys.WriteRegValue(
        RegRoot::ClassesRoot, QStringLiteral("RecordedText\\Shell\\Open\\Command"), QString(),
        QStringLiteral("\"%1\" \"%2\" \"%3\"").arg(QStringLiteral(ORVANTA_ARGV_RECORDER), recorded,
                                                     QStringLiteral("%1"))));
  }

  X11Session session;
  ASSERT_TRUE(session.error().isEmpty()) << session.error().toStdString();
  QProcessEnvironment environment = session.environment();
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome.path());
  environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome(configHome.path()));
  QProcess& program = session.start(QStringLiteral(ORVANTA_BINARY), {}, environment);

  const auto button = session.waitForWindow(QStringLiteral("^Orvanta Button$"));
  ASSERT_TRUE(button);
  const auto buttonPlace = session.geometry(*button);
  ASSERT_TRUE(buttonPlace && session.clickAt(buttonPlace->center()));
  const auto panel = session.waitForWindow(QStringLiteral("^Orvanta$"));
  ASSERT_TRUE(panel);
  ASSERT_TRUE(waitUntil([&] { return session.focusedWindow() == *panel; }));
  // Typed at full speed: the keys must reach the box in their order.
  ASSERT_TRUE(session.xdotool({QStringLiteral("type"), QStringLiteral("report")}));
  ASSERT_TRUE(session.xdotool({QStringLiteral("key"), QStringLiteral("Return")}));

  // Top Hit the application, then the Audio row at 1360 twips and the
  // Documents row at 1760; the window ends 2160 + 420 = 2580 twips high.
  std::optional<QRect> panelPlace;
  ASSERT_TRUE(waitUntil([&] {
    panelPlace = session.geometry(*panel);
    return panelPlace && panelPlace->height() == 2580 / 15;
  })) << "height " << (panelPlace ? panelPlace->height() : -1) << "\n"
       << service.log().toStdString() << registryText(configHome.path()).toStdString();
  EXPECT_EQ(panelPlace->topLeft(), QPoint(400, 100));
  EXPECT_EQ(panelPlace->width(), 341);

  // The pointer over the Documents row paints the band behind it, right of
  // its file name; the Audio row above stays unbanded.
  const int documentsTop = panelPlace->y() + 1760 / 15;
  const int audioTop = panelPlace->y() + 1360 / 15;
  const QPoint overNotes(panelPlace->x() + 200, documentsTop + 8);
  ASSERT_TRUE(session.xdotool({QStringLiteral("mousemove"), QString::number(overNotes.x()),
                               QString::number(overNotes.y())}));
  const QString grabTool = QStringLiteral(ORVANTA_SCREEN_GRAB);
  const QRect bandArea(panelPlace->x() + 320, documentsTop + 3, 15, 12);
  EXPECT_TRUE(waitUntil([&] {
    const QImage picture = session.grab(grabTool, bandArea);
    if (picture.isNull()) return false;
    for (int y = 0; y < picture.height(); ++y) {
      for (int x = 0; x < picture.width(); ++x) {
        if (!isBandColour(picture.pixel(x, y))) return false;
      }
    }
    return true;
  }));
  const QImage audioRow = session.grab(grabTool, QRect(panelPlace->x() + 320, audioTop + 3, 15, 12));
  ASSERT_FALSE(audioRow.isNull());
  EXPECT_FALSE(isBandColour(audioRow.pixel(5, 5)));

  // A click opens the notes with the registered program and the program
  // ends.
  ASSERT_TRUE(session.clickAt(overNotes));
  EXPECT_EQ(X11Session::waitForExit(program), 0);
  ASSERT_TRUE(waitUntil([&] { return QFile::exists(recorded); }));
  QFile arguments(recorded);
  ASSERT_TRUE(arguments.open(QIODevice::ReadOnly));
  EXPECT_EQ(arguments.readAll(), notes.toUtf8() + QByteArray(1, '\0'));
}

// A run at the keyboard: the bundled service over a sample folder with one
// hit in each of three groups, .mp3 and .txt registered to the recorder, and
// the program started with --show-panel (or other arguments).
class KeyboardRun {
  // First made, last gone: the program ends before its folders go.
  QTemporaryDir configHome_;
  QTemporaryDir work_;
  std::optional<SearchService> service_;

 public:
  explicit KeyboardRun(QStringList arguments = {QStringLiteral("--show-panel")}) : arguments_(std::move(arguments)) {
    prepare();
  }

  // What went wrong while getting ready; empty when ready.
  QString error;
  X11Session session;
  QProcess* program = nullptr;
  std::optional<QString> panel;
  QString application;
  QString song;
  QString notes;
  QString recorded;
  // The environment the program runs in.
  QProcessEnvironment environment;
  QString configHome() const { return configHome_.path(); }
  QString serviceLog() { return service_ ? service_->log() : QString(); }

 private:
  void fail(const QString& what) { error = what; }

  QStringList arguments_;

  void prepare() {
    guiApplication();
    if (!configHome_.isValid() || !work_.isValid()) return fail("no temporary folders");
    const QString sample = work_.filePath(QStringLiteral("sample"));
    application = sample + QStringLiteral("/Applications/report-setup.exe");
    song = sample + QStringLiteral("/Music/report-theme.mp3");
    notes = sample + QStringLiteral("/Documents/report-notes.txt");
    for (const QString& file : {application, song, notes}) {
      QDir().mkpath(QFileInfo(file).path());
      QFile out(file);
      if (!out.open(QIODevice::WriteOnly)) return fail("cannot write " + file);
    }
    service_.emplace(configHome_.path(), sample);
    const auto port = service_->waitForLog(QRegularExpression(QStringLiteral("listening on port (\\d+)")));
    if (!port) return fail("the service did not listen");
    if (!service_->waitForLog(QRegularExpression(QStringLiteral("(indexed [1-9]\\d* entries)")))) {
      return fail("the service indexed nothing");
    }
    recorded = work_.filePath(QStringLiteral("recorded"));
    {
      platform::FileRegistry registry(configHome_.path() + QStringLiteral("/orvanta/registry.reg"));
      settings::RegKeys regKeys(registry);
      const QString code =
          regKeys.ReadRegValue(RegRoot::LocalMachine, settings::kServiceKey, settings::kServiceSecurityCode);
      settings::writeSetting(regKeys, u"SearchPrefix",
                             QStringLiteral("http://127.0.0.1:%1/search&s=%2?q=").arg(*port, code));
      settings::writeSetting(regKeys, u"SearchSuffix", QStringLiteral("&ie=UTF-8"));
      settings::writeSetting(regKeys, u"LeftPosition", QStringLiteral("6000"));
      settings::writeSetting(regKeys, u"TopPosition", QStringLiteral("1500"));
      const QString command = QStringLiteral("\"%1\" \"%2\" \"%3\"")
                                  .arg(QStringLiteral(ORVANTA_ARGV_RECORDER), recorded, QStringLiteral("%1"));
      for (const QString& extension : {QStringLiteral(".mp3"), QStringLiteral(".txt")}) {
        if (!regKeys.WriteRegValue(RegRoot::ClassesRoot, extension, QString(), QStringLiteral("Recorded")) ||
            !regKeys.WriteRegValue(RegRoot::ClassesRoot, QStringLiteral("Recorded\\Shell\\Open\\Command"), QString(),
                                   command)) {
          return fail("cannot register " + extension);
        }
      }
    }
    if (!session.error().isEmpty()) return fail(session.error());
    environment = session.environment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome_.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome(configHome_.path()));
    program = &session.start(QStringLiteral(ORVANTA_BINARY), arguments_, environment);
    panel = session.waitForWindow(QStringLiteral("^Orvanta$"));
    if (!panel) return fail("no panel");
    if (!waitUntil([&] { return session.focusedWindow() == *panel; })) return fail("the panel has no focus");
  }
};

TEST(ResultsE2eTest, TypedWordsThenDownTwiceAndEnterOpenTheSecondHit) {
  KeyboardRun run;
  ASSERT_TRUE(run.error.isEmpty()) << run.error.toStdString();
  // Straight into the box, no click.
  ASSERT_TRUE(run.session.xdotool({QStringLiteral("type"), QStringLiteral("report")}));
  ASSERT_TRUE(run.session.xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
  // Top Hit the application, then the Audio row, then the Documents row.
  std::optional<QRect> panelPlace;
  ASSERT_TRUE(waitUntil([&] {
    panelPlace = run.session.geometry(*run.panel);
    return panelPlace && panelPlace->height() == 2580 / 15;
  })) << run.serviceLog().toStdString() << registryText(run.configHome()).toStdString();
  ASSERT_TRUE(run.session.xdotool({QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Down")}));
  // The band marks the second hit, the Audio row.
  const QRect bandArea(panelPlace->x() + 320, panelPlace->y() + 1360 / 15 + 3, 15, 12);
  EXPECT_TRUE(waitUntil([&] {
    const QImage picture = run.session.grab(QStringLiteral(ORVANTA_SCREEN_GRAB), bandArea);
    return !picture.isNull() && isBandColour(picture.pixel(5, 5));
  }));
  ASSERT_TRUE(run.session.xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
  EXPECT_EQ(X11Session::waitForExit(*run.program), 0);
  ASSERT_TRUE(waitUntil([&] { return QFile::exists(run.recorded); }));
  QFile arguments(run.recorded);
  ASSERT_TRUE(arguments.open(QIODevice::ReadOnly));
  EXPECT_EQ(arguments.readAll(), run.song.toUtf8() + QByteArray(1, '\0'));
}

// The desktop's own search hands its words over on the command line: the
// panel drops with them searched for, and a later start's words replace
// them in the running program.
TEST(ResultsE2eTest, WordsFromTheCommandLineAreSearchedForAlsoWhenHandedOver) {
  KeyboardRun run({QStringLiteral("--search"), QStringLiteral("report")});
  ASSERT_TRUE(run.error.isEmpty()) << run.error.toStdString();
  // Three hits without a key pressed: the panel ends 2580 twips high.
  std::optional<QRect> panelPlace;
  ASSERT_TRUE(waitUntil([&] {
    panelPlace = run.session.geometry(*run.panel);
    return panelPlace && panelPlace->height() == 2580 / 15;
  })) << run.serviceLog().toStdString()
      << registryText(run.configHome()).toStdString();

  QProcess& second = run.session.start(QStringLiteral(ORVANTA_BINARY),
                                       {QStringLiteral("--search"), QStringLiteral("report notes")}, run.environment);
  EXPECT_EQ(X11Session::waitForExit(second), 0);
  // Only the notes are found now: the Top Hit row alone.
  ASSERT_TRUE(waitUntil([&] {
    panelPlace = run.session.geometry(*run.panel);
    return panelPlace && panelPlace->height() < 2180 / 15;
  })) << "height "
      << (panelPlace ? panelPlace->height() : -1);
  ASSERT_TRUE(waitUntil([&] { return run.session.focusedWindow() == *run.panel; }));
  ASSERT_TRUE(run.session.xdotool({QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Return")}));
  EXPECT_EQ(X11Session::waitForExit(*run.program), 0);
  ASSERT_TRUE(waitUntil([&] { return QFile::exists(run.recorded); }));
  QFile arguments(run.recorded);
  ASSERT_TRUE(arguments.open(QIODevice::ReadOnly));
  EXPECT_EQ(arguments.readAll(), run.notes.toUtf8() + QByteArray(1, '\0'));
}

TEST(ResultsE2eTest, EscapeInThePanelEndsTheProgram) {
  KeyboardRun run;
  ASSERT_TRUE(run.error.isEmpty()) << run.error.toStdString();
  ASSERT_TRUE(run.session.xdotool({QStringLiteral("type"), QStringLiteral("report")}));
  ASSERT_TRUE(run.session.xdotool({QStringLiteral("key"), QStringLiteral("Escape")}));
  EXPECT_EQ(X11Session::waitForExit(*run.program), 0);
  EXPECT_FALSE(QFile::exists(run.recorded));
}

// Two reports in the Documents group, the notes older than the summary.
// A typo still finds them; the notes, opened once, are written to the
// desktop's recently used files and come first in the next run although
// they are older.
TEST(ResultsE2eTest, ATypoFindsTheReportsAndTheOneOpenedComesFirstNextTime) {
  guiApplication();
  QTemporaryDir configHome;
  QTemporaryDir work;
  ASSERT_TRUE(configHome.isValid() && work.isValid());
  const QString sample = work.filePath(QStringLiteral("sample"));
  const QString notes = sample + QStringLiteral("/Documents/report-notes.txt");
  const QString summary = sample + QStringLiteral("/Documents/report-summary.txt");
  ASSERT_TRUE(QDir().mkpath(sample + QStringLiteral("/Documents")));
  for (const auto& [file, year] : {std::pair{notes, 2020}, std::pair{summary, 2021}}) {
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    ASSERT_TRUE(out.setFileTime(QDateTime(QDate(year, 1, 1), QTime(12, 0)), QFileDevice::FileModificationTime));
  }

  SearchService service(configHome.path(), sample);
  const auto port = service.waitForLog(QRegularExpression(QStringLiteral("listening on port (\\d+)")));
  ASSERT_TRUE(port);
  ASSERT_TRUE(service.waitForLog(QRegularExpression(QStringLiteral("(indexed [1-9]\\d* entries)"))));
  const QString recorded = work.filePath(QStringLiteral("recorded"));
  {
    platform::FileRegistry registry(configHome.path() + QStringLiteral("/orvanta/registry.reg"));
    settings::RegKeys regKeys(registry);
    const QString code =
        regKeys.ReadRegValue(RegRoot::LocalMachine, settings::kServiceKey, settings::kServiceSecurityCode);
    ASSERT_FALSE(code.isEmpty());
    settings::writeSetting(regKeys, u"SearchPrefix",
                           QStringLiteral("http://127.0.0.1:%1/search&s=%2?q=").arg(*port, code));
    settings::writeSetting(regKeys, u"SearchSuffix", QStringLiteral("&ie=UTF-8"));
    settings::writeSetting(regKeys, u"LeftPosition", QStringLiteral("6000"));
    settings::writeSetting(regKeys, u"TopPosition", QStringLiteral("1500"));
    ASSERT_TRUE(
        regKeys.WriteRegValue(RegRoot::ClassesRoot, QStringLiteral(".txt"), QString(), QStringLiteral("RecordedText")));
    ASSERT_TRUE(regKeys.WriteRegValue(RegRoot::ClassesRoot, QStringLiteral("RecordedText\\Shell\\Open\\Command"),
                                      QString(),
                                      QStringLiteral("\"%1\" \"%2\" \"%3\"")
                                          .arg(QStringLiteral(ORVANTA_ARGV_RECORDER), recorded, QStringLiteral("%1"))));
  }

  X11Session session;
  ASSERT_TRUE(session.error().isEmpty()) << session.error().toStdString();
  QProcessEnvironment environment = session.environment();
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome.path());
  environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome(configHome.path()));
  // One run: `words`, Enter, then Down `downs` times and Enter; the file the
  // recorder was started for.
  const auto openAfter = [&](const QString& words, int downs) -> QString {
    QFile::remove(recorded);
    QProcess& program = session.start(QStringLiteral(ORVANTA_BINARY), {QStringLiteral("--show-panel")}, environment);
    const auto panel = session.waitForWindow(QStringLiteral("^Orvanta$"));
    EXPECT_TRUE(panel);
    if (!panel || !waitUntil([&] { return session.focusedWindow() == *panel; })) return QStringLiteral("no panel");
    EXPECT_TRUE(session.xdotool({QStringLiteral("type"), words}));
    EXPECT_TRUE(session.xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
    // The Top Hit row (the first hit) and the Documents row (the other).
    const bool filled = waitUntil([&] {
      const std::optional<QRect> place = session.geometry(*panel);
      return place && place->height() == 2180 / 15;
    });
    EXPECT_TRUE(filled) << service.log().toStdString();
    if (!filled) return QStringLiteral("not filled");
    for (int i = 0; i < downs; ++i) EXPECT_TRUE(session.xdotool({QStringLiteral("key"), QStringLiteral("Down")}));
    EXPECT_TRUE(session.xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
    EXPECT_EQ(X11Session::waitForExit(program), 0);
    if (!waitUntil([&] { return QFile::exists(recorded); })) return QStringLiteral("nothing opened");
    QFile arguments(recorded);
    if (!arguments.open(QIODevice::ReadOnly)) return QStringLiteral("no record");
    return QString::fromUtf8(arguments.readAll()).section(QChar(0), 0, 0);
  };

  // "reprot" finds both: the summary, newer, is the Top Hit; the notes are
  // the Documents row below it.
  EXPECT_EQ(openAfter(QStringLiteral("reprot"), 2).toStdString(), notes.toStdString());
  QFile list(dataHome(configHome.path()) + QStringLiteral("/recently-used.xbel"));
  ASSERT_TRUE(list.open(QIODevice::ReadOnly)) << "no recently used files";
  const QByteArray listText = list.readAll();
  EXPECT_TRUE(listText.contains("href=\"" + QUrl::fromLocalFile(notes).toEncoded() + '"')) << listText.constData();
  EXPECT_FALSE(listText.contains("report-summary")) << listText.constData();
  // Next time the notes are the Top Hit.
  EXPECT_EQ(openAfter(QStringLiteral("report"), 1).toStdString(), notes.toStdString());
}

}  // namespace
}  // namespace orvanta::testing
