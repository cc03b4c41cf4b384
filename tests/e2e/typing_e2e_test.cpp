// The built program on a virtual X display, at the keyboard: with "Show
// hits while typing" on, the rows come without Enter, against the bundled
// service, and an answer for earlier words is never shown (against a
// stand-in service that holds its first answer); Up brings back the last
// run's words; with "Keep the button on screen" on, one run serves several
// searches and opens.
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

#include <gtest/gtest.h>

#include <optional>

namespace orvanta::testing {
namespace {

using platform::RegRoot;

// A process whose output is gathered as it comes, stopped with the object.
class LoggedProcess {
 public:
  LoggedProcess(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment) {
    process_.setProcessEnvironment(environment);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(program, arguments);
  }
  ~LoggedProcess() {
    process_.kill();
    process_.waitForFinished(5000);
  }

  QString log() {
    log_ += QString::fromLocal8Bit(process_.readAll());
    return log_;
  }

  // Waits for the output to show `pattern`; its first capture.
  std::optional<QString> waitForLog(const QRegularExpression& pattern, int timeoutMs = 10000) {
    QDeadlineTimer deadline(timeoutMs);
    while (true) {
      const QRegularExpressionMatch match = pattern.match(log());
      if (match.hasMatch()) return match.captured(1);
      if (deadline.hasExpired()) return std::nullopt;
      process_.waitForReadyRead(100);
    }
  }

 private:
  QProcess process_;
  QString log_;
};

// Three files whose names hold "report", in three groups.
struct Sample {
  QTemporaryDir configHome;
  QTemporaryDir work;
  QString folder;
  QString application;
  QString song;
  QString notes;

  Sample() {
    guiApplication();
    folder = work.filePath(QStringLiteral("sample"));
    application = folder + QStringLiteral("/Applications/report-setup.exe");
    song = folder + QStringLiteral("/Music/report-theme.mp3");
    notes = folder + QStringLiteral("/Documents/report-notes.txt");
    for (const QString& file : {application, song, notes}) {
      QDir().mkpath(QFileInfo(file).path());
      QFile out(file);
      out.open(QIODevice::WriteOnly);
    }
  }

  // The settings of a run: the search address on `port` with `code`, the
  // anchor, and `extra` settings.
  bool storeSettings(const QString& port, const QString& code, const QList<std::pair<QString, QString>>& extra) {
    platform::FileRegistry registry(configHome.path() + QStringLiteral("/orvanta/registry.reg"));
    settings::RegKeys regKeys(registry);
    bool ok = settings::writeSetting(regKeys, u"SearchPrefix",
                                     QStringLiteral("http://127.0.0.1:%1/search&s=%2?q=").arg(port, code));
    ok = settings::writeSetting(regKeys, u"SearchSuffix", QStringLiteral("&ie=UTF-8")) && ok;
    ok = settings::writeSetting(regKeys, u"LeftPosition", QStringLiteral("6000")) && ok;
    ok = settings::writeSetting(regKeys, u"TopPosition", QStringLiteral("1500")) && ok;
    for (const auto& [name, value] : extra) ok = settings::writeSetting(regKeys, name, value) && ok;
    return ok;
  }

  // .exe, .mp3 and .txt open with the recorder, which writes the path it
  // is given to `recorded`.
  bool registerRecorder(const QString& recorded) {
    platform::FileRegistry registry(configHome.path() + QStringLiteral("/orvanta/registry.reg"));
    settings::RegKeys regKeys(registry);
    const QString command = QStringLiteral("\"%1\" \"%2\" \"%3\"")
                                .arg(QStringLiteral(ORVANTA_ARGV_RECORDER), recorded, QStringLiteral("%1"));
    bool ok = regKeys.WriteRegValue(RegRoot::ClassesRoot, QStringLiteral("Recorded\\Shell\\Open\\Command"), QString(),
                                    command);
    for (const char* extension : {".exe", ".mp3", ".txt"}) {
      ok = regKeys.WriteRegValue(RegRoot::ClassesRoot, QString::fromLatin1(extension), QString(),
                                 QStringLiteral("Recorded")) &&
           ok;
    }
    return ok;
  }

  QString serviceCode() {
    platform::FileRegistry registry(configHome.path() + QStringLiteral("/orvanta/registry.reg"));
    return settings::RegKeys(registry).ReadRegValue(RegRoot::LocalMachine, settings::kServiceKey,
                                                    settings::kServiceSecurityCode);
  }

  QProcessEnvironment environment(const X11Session& session) const {
    QProcessEnvironment environment = session.environment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome.path());
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), configHome.path() + QStringLiteral("/cache"));
    return environment;
  }
};

// The bundled service over the sample, started on a free port.
std::unique_ptr<LoggedProcess> startService(const Sample& sample, QString* port) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), sample.configHome.path());
  environment.insert(QStringLiteral("XDG_CACHE_HOME"), sample.configHome.path() + QStringLiteral("/cache"));
  auto service = std::make_unique<LoggedProcess>(
      QStringLiteral(ORVANTA_SERVICE_BINARY),
      QStringList{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--root"), sample.folder}, environment);
  const auto listening = service->waitForLog(QRegularExpression(QStringLiteral("listening on port (\\d+)")));
  if (!listening || !service->waitForLog(QRegularExpression(QStringLiteral("(indexed [1-9]\\d* entries)")))) {
    return nullptr;
  }
  *port = *listening;
  return service;
}

// The panel's height for rows ending at `rowTop` twips.
int panelHeight(int rowTop) { return qRound((rowTop + 420) / 15.0); }

bool heightIs(X11Session& session, const QString& panel, int expected) {
  const std::optional<QRect> place = session.geometry(panel);
  return place && qAbs(place->height() - expected) <= 1;
}

// The program started with its panel dropped and the keyboard in it.
std::optional<QString> startWithPanel(X11Session& session, const Sample& sample, QProcess** program = nullptr) {
  QProcess& started =
      session.start(QStringLiteral(ORVANTA_BINARY), {QStringLiteral("--show-panel")}, sample.environment(session));
  if (program) *program = &started;
  const auto panel = session.waitForWindow(QStringLiteral("^Orvanta$"));
  if (!panel || !waitUntil([&] { return session.focusedWindow() == *panel; })) return std::nullopt;
  return panel;
}

TEST(TypingE2eTest, TypedWordsFillTheRowsWithoutEnterAskingOnlyTheSearchAddress) {
  Sample sample;
  QString port;
  const auto service = startService(sample, &port);
  ASSERT_TRUE(service);
  ASSERT_TRUE(sample.storeSettings(port, sample.serviceCode(),
                                   {{QStringLiteral("ShowHitsWhileTyping"), QStringLiteral(" 1")}}));
  X11Session session;
  ASSERT_TRUE(session.error().isEmpty()) << session.error().toStdString();
  const auto panel = startWithPanel(session, sample);
  ASSERT_TRUE(panel);
  ASSERT_TRUE(session.xdotool({QStringLiteral("type"), QStringLiteral("report")}));
  // The Top Hit, the Audio row and the Documents row, as after Enter.
  EXPECT_TRUE(waitUntil([&] { return heightIs(session, *panel, 2580 / 15); })) << service->log().toStdString();
  // Only searches of the typed words reached the service: none of the
  // letter search, the base addresses or the unsupported address.
  ASSERT_TRUE(service->waitForLog(QRegularExpression(QStringLiteral("(q=report&ie=UTF-8)"))));
  const QString log = service->log();
  QRegularExpressionMatchIterator requests = QRegularExpression(QStringLiteral(" GET (\\S+) \\d+")).globalMatch(log);
  int searches = 0;
  while (requests.hasNext()) {
    const QString target = requests.next().captured(1);
    EXPECT_TRUE(target.startsWith(QStringLiteral("/search&s=***?q=")) && target.endsWith(QStringLiteral("&ie=UTF-8")))
        << target.toStdString();
    EXPECT_FALSE(target.startsWith(QStringLiteral("/search&s=***?q=e&"))) << target.toStdString();
    ++searches;
  }
  EXPECT_GE(searches, 1);
  EXPECT_TRUE(log.contains(QStringLiteral("q=report&ie=UTF-8"))) << log.toStdString();
}

TEST(TypingE2eTest, AnAnswerForEarlierWordsIsNeverShown) {
  Sample sample;
  // "rep" finds the application and the song (two rows), "repo" the notes
  // alone (the Top Hit row); the answer for "rep" is held back.
  X11Session session;
  ASSERT_TRUE(session.error().isEmpty()) << session.error().toStdString();
  LoggedProcess service(QStringLiteral(ORVANTA_HELD_ANSWER_SERVICE),
                        {QStringLiteral("rep=") + sample.application, QStringLiteral("rep=") + sample.song,
                         QStringLiteral("repo=") + sample.notes},
                        QProcessEnvironment::systemEnvironment());
  const auto port = service.waitForLog(QRegularExpression(QStringLiteral("listening on port (\\d+)")));
  ASSERT_TRUE(port);
  ASSERT_TRUE(sample.storeSettings(*port, QStringLiteral("code"),
                                   {{QStringLiteral("ShowHitsWhileTyping"), QStringLiteral(" 1")}}));
  const auto panel = startWithPanel(session, sample);
  ASSERT_TRUE(panel);
  const auto start = session.geometry(*panel);
  ASSERT_TRUE(start);

  ASSERT_TRUE(session.xdotool({QStringLiteral("type"), QStringLiteral("rep")}));
  ASSERT_TRUE(service.waitForLog(QRegularExpression(QStringLiteral("(request rep\\n)"))));
  ASSERT_TRUE(session.xdotool({QStringLiteral("type"), QStringLiteral("o")}));
  ASSERT_TRUE(service.waitForLog(QRegularExpression(QStringLiteral("(answered repo\\n)"))))
      << service.log().toStdString();
  // The notes alone, the Top Hit row.
  EXPECT_TRUE(waitUntil([&] { return heightIs(session, *panel, panelHeight(1660)); })) << service.log().toStdString();
  // The request for "rep" was given up before the one for "repo" went
  // out, so its answer could never arrive.
  const QString log = service.log();
  const qsizetype dropped = log.indexOf(QStringLiteral("dropped rep\n"));
  EXPECT_GE(dropped, 0) << log.toStdString();
  EXPECT_LT(dropped, log.indexOf(QStringLiteral("request repo\n"))) << log.toStdString();
  EXPECT_FALSE(log.contains(QStringLiteral("late rep"))) << log.toStdString();
  EXPECT_EQ(log.count(QStringLiteral("request ")), 2) << log.toStdString();
  EXPECT_TRUE(heightIs(session, *panel, panelHeight(1660)));
}

TEST(TypingE2eTest, UpBringsBackTheLastRunsWords) {
  Sample sample;
  QString port;
  const auto service = startService(sample, &port);
  ASSERT_TRUE(service);
  ASSERT_TRUE(sample.storeSettings(port, sample.serviceCode(), {}));
  X11Session session;
  ASSERT_TRUE(session.error().isEmpty()) << session.error().toStdString();
  {
    QProcess* program = nullptr;
    const auto panel = startWithPanel(session, sample, &program);
    ASSERT_TRUE(panel);
    ASSERT_TRUE(session.xdotool({QStringLiteral("type"), QStringLiteral("report")}));
    ASSERT_TRUE(session.xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
    ASSERT_TRUE(waitUntil([&] { return heightIs(session, *panel, 2580 / 15); }));
    ASSERT_TRUE(session.xdotool({QStringLiteral("key"), QStringLiteral("Escape")}));
    ASSERT_EQ(X11Session::waitForExit(*program), 0);
  }
  // The next run: Up, then Enter searches the same words again.
  const auto panel = startWithPanel(session, sample);
  ASSERT_TRUE(panel);
  ASSERT_TRUE(session.xdotool({QStringLiteral("key"), QStringLiteral("Up")}));
  ASSERT_TRUE(session.xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
  EXPECT_TRUE(waitUntil([&] { return heightIs(session, *panel, 2580 / 15); })) << service->log().toStdString();
  // The search address of each run's Enter, twice each (the page and the
  // copy that nothing reads).
  EXPECT_TRUE(service->waitForLog(QRegularExpression(QStringLiteral("((?:q=report&ie=UTF-8[\\s\\S]*){4})"))))
      << service->log().toStdString();
}

QString recordedPath(const QString& recorded) {
  QFile file(recorded);
  if (!file.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(file.readAll()).section(QChar(0), 0, 0);
}

TEST(TypingE2eTest, WithTheButtonKeptThreeSearchesAndOpensInOneRun) {
  Sample sample;
  QString port;
  const auto service = startService(sample, &port);
  ASSERT_TRUE(service);
  const QString recorded = sample.work.filePath(QStringLiteral("recorded"));
  ASSERT_TRUE(
      sample.storeSettings(port, sample.serviceCode(), {{QStringLiteral("KeepButtonOnScreen"), QStringLiteral(" 1")}}));
  ASSERT_TRUE(sample.registerRecorder(recorded));
  X11Session session;
  ASSERT_TRUE(session.error().isEmpty()) << session.error().toStdString();
  QProcess* program = nullptr;
  const auto panel = startWithPanel(session, sample, &program);
  ASSERT_TRUE(panel);
  const auto button = session.waitForWindow(QStringLiteral("^Orvanta Button$"));
  ASSERT_TRUE(button);
  const auto panelShown = [&] {
    const auto shown = session.xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                        QStringLiteral("--name"), QStringLiteral("^Orvanta$")});
    return shown && !shown->isEmpty();
  };

  const struct {
    const char* words;
    QString opened;
  } searches[] = {
      {"report-notes", sample.notes},
      {"report-theme", sample.song},
      {"report-setup", sample.application},
  };
  bool first = true;
  for (const auto& search : searches) {
    SCOPED_TRACE(search.words);
    if (!first) {
      // Dropped again by a click on the button; the last words are
      // selected, so the typing replaces them.
      const auto place = session.geometry(*button);
      ASSERT_TRUE(place && session.clickAt(place->center()));
      ASSERT_TRUE(waitUntil(panelShown));
      ASSERT_TRUE(waitUntil([&] { return session.focusedWindow() == *panel; }));
    }
    first = false;
    QFile::remove(recorded);
    ASSERT_TRUE(session.xdotool({QStringLiteral("type"), QString::fromLatin1(search.words)}));
    ASSERT_TRUE(session.xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
    // The one hit, in the Top Hit row: the keyboard takes it and opens it.
    ASSERT_TRUE(waitUntil([&] { return heightIs(session, *panel, panelHeight(1660)); }))
        << service->log().toStdString();
    ASSERT_TRUE(session.xdotool({QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Return")}));
    ASSERT_TRUE(waitUntil([&] { return recordedPath(recorded) == search.opened; }))
        << recordedPath(recorded).toStdString();
    // The panel has gone, the program and its button stay.
    EXPECT_TRUE(waitUntil([&] { return !panelShown(); }));
    EXPECT_EQ(program->state(), QProcess::Running);
    EXPECT_TRUE(session.waitForWindow(QStringLiteral("^Orvanta Button$")));
  }
  // Each search's words reached the service as typed: the words selected at
  // each drop were replaced, not added to.
  for (const auto& search : searches) {
    EXPECT_TRUE(service->waitForLog(
        QRegularExpression(QStringLiteral("(q=%1&ie=UTF-8)").arg(QString::fromLatin1(search.words)))))
        << service->log().toStdString();
  }
}

}  // namespace
}  // namespace orvanta::testing
