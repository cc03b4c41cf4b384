// The search provider as the desktop meets it: on a session bus of the
// test's own, D-Bus starts it from its service file at the first call;
// gdbus (as GNOME Shell would) and QtDBus (as KRunner would) call its
// methods; the hits are those of a fixture folder indexed by the bundled
// service, in the panel's order; hits open through the recorder registered
// for their type, "open search" starts the panel command with the words;
// and a service that is stopped or gone gives an empty answer at once.
#include "gui_application.h"
#include "notification_stand_in.h"
#include "platform/file_registry.h"
#include "provider_object.h"
#include "settings/reg_keys.h"
#include "settings/settings_table.h"
#include "wait_for.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>

#include <optional>
#include <vector>

namespace orvanta::testing {
namespace {

using platform::RegRoot;
using search_provider::RunnerMatch;

const QString kBusName = QString::fromLatin1(search_provider::kBusName);
const QString kPath = QString::fromLatin1(search_provider::kObjectPath);

// The local search service on a free loopback port, stopped with the object.
class SearchService {
 public:
  SearchService(const QString& configHome, const QString& root) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), configHome + QStringLiteral("/cache"));
    process_.setProcessEnvironment(environment);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(QStringLiteral(ORVANTA_SERVICE_BINARY),
                   {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--root"), root});
  }
  ~SearchService() { stop(); }
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
  void signal(int number) { ::kill(pid_t(process_.processId()), number); }
  void stop() {
    if (process_.state() == QProcess::NotRunning) return;
    signal(SIGCONT);
    process_.kill();
    process_.waitForFinished(5000);
  }

 private:
  QProcess process_;
  QString log_;
};

// One gdbus call on `address`; its output, or nothing when the call failed
// or got no answer within `timeoutSeconds`.
std::optional<QString> gdbusCall(const QString& address, const QString& method, const QStringList& arguments,
                                 int timeoutSeconds = 25) {
  QProcess gdbus;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
  gdbus.setProcessEnvironment(environment);
  gdbus.start(QStringLiteral("gdbus"),
              QStringList{QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--timeout"),
                          QString::number(timeoutSeconds), QStringLiteral("--dest"), kBusName,
                          QStringLiteral("--object-path"), kPath, QStringLiteral("--method"), method} +
                  arguments);
  if (!gdbus.waitForFinished((timeoutSeconds + 10) * 1000) || gdbus.exitStatus() != QProcess::NormalExit ||
      gdbus.exitCode() != 0) {
    ADD_FAILURE() << method.toStdString() << ": " << gdbus.readAllStandardError().toStdString();
    return std::nullopt;
  }
  return QString::fromUtf8(gdbus.readAllStandardOutput()).trimmed();
}

// What the recorder wrote to `file`, once it has; the file is removed.
std::optional<QStringList> waitForRecord(const QString& file) {
  if (!waitUntil([&] { return QFile::exists(file); }, 10000)) return std::nullopt;
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly)) return std::nullopt;
  QStringList arguments;
  for (const QByteArray& argument : in.readAll().split('\0')) arguments << QString::fromUtf8(argument);
  arguments.removeLast();  // after the last zero byte
  in.remove();
  return arguments;
}

QString gvariantStrings(const QStringList& strings) {
  QStringList quoted;
  for (const QString& s : strings) quoted << u'\'' + s + u'\'';
  return u'[' + quoted.join(QStringLiteral(", ")) + u']';
}

class SearchProviderE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    guiApplication();
    ASSERT_TRUE(configHome.isValid() && work.isValid());
    root = work.filePath(QStringLiteral("root"));
    // One hit of each of four groups, and one of none; the page lists
    // them by name, the panel by group.
    ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/quarterly-archive")));
    for (const char* name : {"quarterly.pdf", "quarterly-chart.png", "quarterly-notes.txt", "quarterly.xyz"}) {
      QFile file(root + u'/' + QString::fromLatin1(name));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write("figures\n");
    }
    opened = work.filePath(QStringLiteral("opened"));
    launched = work.filePath(QStringLiteral("launched"));

    service.emplace(configHome.path(), root);
    const auto port = service->waitForLog(QRegularExpression(QStringLiteral("listening on port (\\d+)")));
    ASSERT_TRUE(port);
    ASSERT_TRUE(service->waitForLog(QRegularExpression(QStringLiteral("(indexed [1-9]\\d* entries)"))));
    {
      platform::FileRegistry registry(configHome.filePath(QStringLiteral("orvanta/registry.reg")));
      settings::RegKeys regKeys(registry);
      const QString code =
          regKeys.ReadRegValue(RegRoot::LocalMachine, settings::kServiceKey, settings::kServiceSecurityCode);
      ASSERT_FALSE(code.isEmpty());
      ASSERT_TRUE(settings::writeSetting(regKeys, u"SearchPrefix",
                                         QStringLiteral("http://127.0.0.1:%1/search&s=%2?q=").arg(*port, code)));
      // Text files open with the recorder.
      ASSERT_TRUE(regKeys.WriteRegValue(RegRoot::ClassesRoot, QStringLiteral(".txt"), QString(),
                                        QStringLiteral("RecordedText")));
      ASSERT_TRUE(regKeys.WriteRegValue(RegRoot::ClassesRoot, QStringLiteral("RecordedText\\Shell\\Open\\Command"),
                                        QString(),
                                        QStringLiteral("\"%1\" \"%2\" \"%3\"")
                                            .arg(QStringLiteral(ORVANTA_ARGV_RECORDER), opened, QStringLiteral("%1"))));
    }

    // The provider's service file, as the package installs it but for the
    // program that "open search" starts: the recorder.
    const QString services = work.filePath(QStringLiteral("services"));
    ASSERT_TRUE(QDir().mkpath(services));
    {
      QFile file(services + QStringLiteral("/org.orvanta.Orvanta.SearchProvider.service"));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write("[D-BUS Service]\nName=org.orvanta.Orvanta.SearchProvider\nExec=" +
                 QFile::encodeName(QStringLiteral(ORVANTA_SEARCH_PROVIDER)) + " --panel-command '\"" +
                 QFile::encodeName(QStringLiteral(ORVANTA_ARGV_RECORDER)) + "\" \"" + QFile::encodeName(launched) +
                 "\"'\n");
    }
    bus.emplace(services);
    ASSERT_FALSE(bus->address().isEmpty()) << "dbus-daemon did not start";
    connection.emplace(QDBusConnection::connectToBus(bus->address(), QStringLiteral("provider-test")));
    ASSERT_TRUE(connection->isConnected());
    // The provider reads the test's settings.
    qDBusRegisterMetaType<QMap<QString, QString>>();
    QDBusMessage update = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("UpdateActivationEnvironment"));
    update << QVariant::fromValue(
        QMap<QString, QString>{{QStringLiteral("XDG_CONFIG_HOME"), configHome.path()},
                               {QStringLiteral("XDG_CACHE_HOME"), configHome.filePath(QStringLiteral("cache"))}});
    const QDBusMessage updated = connection->call(update);
    ASSERT_NE(updated.type(), QDBusMessage::ErrorMessage) << updated.errorMessage().toStdString();
    search_provider::registerProviderTypes();
  }

  void TearDown() override {
    // The provider started by the bus ends with the test.
    if (connection && connection->interface()->isServiceRegistered(kBusName)) {
      const QDBusReply<uint> pid = connection->interface()->servicePid(kBusName);
      if (pid.isValid()) ::kill(pid_t(pid.value()), SIGTERM);
    }
    if (connection) QDBusConnection::disconnectFromBus(QStringLiteral("provider-test"));
  }

  QStringList hits(std::initializer_list<const char*> names) const {
    QStringList out;
    for (const char* name : names) out << root + u'/' + QString::fromLatin1(name);
    return out;
  }

  QTemporaryDir configHome;
  QTemporaryDir work;
  QString root;
  QString opened;
  QString launched;
  std::optional<SearchService> service;
  std::optional<PrivateBus> bus;
  std::optional<QDBusConnection> connection;
};

TEST_F(SearchProviderE2eTest, GnomeShellsCallsFindOpenAndLaunch) {
  const QString gnome = QString::fromLatin1(search_provider::kGnomeInterface);
  // The first call starts the provider.
  const QStringList all = hits({"quarterly-notes.txt", "quarterly-archive", "quarterly-chart.png", "quarterly.pdf"});
  EXPECT_EQ(
      gdbusCall(bus->address(), gnome + QStringLiteral(".GetInitialResultSet"), {QStringLiteral("['quarterly']")}),
      u'(' + gvariantStrings(all) + QStringLiteral(",)"));
  EXPECT_EQ(gdbusCall(bus->address(), gnome + QStringLiteral(".GetSubsearchResultSet"),
                      {gvariantStrings(all), QStringLiteral("['quarterly', 'notes']")}),
            u'(' + gvariantStrings(hits({"quarterly-notes.txt"})) + QStringLiteral(",)"));

  const auto metas = gdbusCall(bus->address(), gnome + QStringLiteral(".GetResultMetas"),
                               {gvariantStrings(hits({"quarterly.pdf", "quarterly-archive"}))});
  ASSERT_TRUE(metas);
  for (const QString& part :
       {QStringLiteral("'id': <'%1/quarterly.pdf'>").arg(root), QStringLiteral("'name': <'quarterly.pdf'>"),
        QStringLiteral("'description': <'%1/quarterly.pdf'>").arg(root), QStringLiteral("'gicon': <'application-pdf'>"),
        QStringLiteral("'name': <'quarterly-archive'>"), QStringLiteral("'gicon': <'folder'>")}) {
    EXPECT_TRUE(metas->contains(part)) << part.toStdString() << " in " << metas->toStdString();
  }

  // A text hit opens with the program registered for text files.
  const QString notes = root + QStringLiteral("/quarterly-notes.txt");
  ASSERT_TRUE(gdbusCall(bus->address(), gnome + QStringLiteral(".ActivateResult"),
                        {notes, QStringLiteral("['quarterly']"), QStringLiteral("0")}));
  EXPECT_EQ(waitForRecord(opened), QStringList{notes});

  // "Open search" starts the panel with the words of the box.
  ASSERT_TRUE(gdbusCall(bus->address(), gnome + QStringLiteral(".LaunchSearch"),
                        {QStringLiteral("['quarterly', 'report']"), QStringLiteral("0")}));
  EXPECT_EQ(waitForRecord(launched), (QStringList{QStringLiteral("--show-panel"), QStringLiteral("--search"),
                                                  QStringLiteral("quarterly report")}));
}

TEST_F(SearchProviderE2eTest, KRunnersCallsFindOpenAndLaunch) {
  const QString krunner = QString::fromLatin1(search_provider::kKRunnerInterface);
  const auto call = [&](const QString& method, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(kBusName, kPath, krunner, method);
    message.setArguments(arguments);
    return connection->call(message, QDBus::Block, 25000);
  };
  const QDBusMessage actions = call(QStringLiteral("Actions"), {});
  ASSERT_NE(actions.type(), QDBusMessage::ErrorMessage) << actions.errorMessage().toStdString();
  EXPECT_EQ(actions.signature(), QStringLiteral("a(sss)"));

  const QDBusReply<QList<RunnerMatch>> matches = call(QStringLiteral("Match"), {QStringLiteral("quarterly")});
  ASSERT_TRUE(matches.isValid()) << matches.error().message().toStdString();
  QStringList ids;
  QStringList groups;
  double relevance = 2;
  for (const RunnerMatch& match : matches.value()) {
    ids << match.id;
    groups << match.properties.value(QStringLiteral("category")).toString();
    // Listed in the panel's order.
    EXPECT_LT(match.relevance, relevance);
    relevance = match.relevance;
  }
  EXPECT_EQ(ids, hits({"quarterly-notes.txt", "quarterly-archive", "quarterly-chart.png", "quarterly.pdf"}));
  EXPECT_EQ(groups, (QStringList{QStringLiteral("Documents"), QStringLiteral("Folders"), QStringLiteral("Images"),
                                 QStringLiteral("PDF Documents")}));

  const QString notes = root + QStringLiteral("/quarterly-notes.txt");
  ASSERT_NE(call(QStringLiteral("Run"), {notes, QString()}).type(), QDBusMessage::ErrorMessage);
  EXPECT_EQ(waitForRecord(opened), QStringList{notes});
  ASSERT_NE(call(QStringLiteral("Run"), {notes, QString::fromLatin1(search_provider::kOpenSearchAction)}).type(),
            QDBusMessage::ErrorMessage);
  EXPECT_EQ(waitForRecord(launched),
            (QStringList{QStringLiteral("--show-panel"), QStringLiteral("--search"), QStringLiteral("quarterly")}));
}

// The desktop sends a call for every key while the last one still waits on
// the service: each is answered in turn, none dropped or left empty.
TEST_F(SearchProviderE2eTest, CallsThatComeDuringASearchAreAnsweredInTurn) {
  const QString gnome = QString::fromLatin1(search_provider::kGnomeInterface);
  const QString krunner = QString::fromLatin1(search_provider::kKRunnerInterface);
  // The provider is up before the calls go out together.
  ASSERT_TRUE(gdbusCall(bus->address(), gnome + QStringLiteral(".GetInitialResultSet"), {QStringLiteral("['x']")}));
  const struct {
    QString interface;
    QString method;
    QVariantList arguments;
    QStringList expected;
  } calls[] = {
      {gnome,
       QStringLiteral("GetInitialResultSet"),
       {QStringList{QStringLiteral("quarterly")}},
       hits({"quarterly-notes.txt", "quarterly-archive", "quarterly-chart.png", "quarterly.pdf"})},
      {gnome,
       QStringLiteral("GetSubsearchResultSet"),
       {QStringList{}, QStringList{QStringLiteral("quarterly"), QStringLiteral("chart")}},
       hits({"quarterly-chart.png"})},
      {krunner, QStringLiteral("Match"), {QStringLiteral("quarterly notes")}, hits({"quarterly-notes.txt"})},
      {gnome,
       QStringLiteral("GetInitialResultSet"),
       {QStringList{QStringLiteral("quarterly.pdf")}},
       hits({"quarterly.pdf"})},
  };
  std::vector<QDBusPendingCall> pending;
  for (const auto& c : calls) {
    QDBusMessage message = QDBusMessage::createMethodCall(kBusName, kPath, c.interface, c.method);
    message.setArguments(c.arguments);
    pending.push_back(connection->asyncCall(message, 25000));
  }
  for (std::size_t i = 0; i < pending.size(); ++i) {
    SCOPED_TRACE(calls[i].method.toStdString());
    pending[i].waitForFinished();
    const QDBusMessage reply = pending[i].reply();
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    QStringList ids;
    if (calls[i].interface == krunner) {
      for (const RunnerMatch& match : qdbus_cast<QList<RunnerMatch>>(reply.arguments().at(0))) ids << match.id;
    } else {
      ids = reply.arguments().at(0).toStringList();
    }
    EXPECT_EQ(ids, calls[i].expected);
  }
}

TEST_F(SearchProviderE2eTest, TheProviderEndsAfterAWhileWithoutCalls) {
  QProcess provider;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus->address());
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome.path());
  provider.setProcessEnvironment(environment);
  provider.setProcessChannelMode(QProcess::ForwardedChannels);
  provider.start(QStringLiteral(ORVANTA_SEARCH_PROVIDER), {QStringLiteral("--idle-timeout"), QStringLiteral("0.5")});
  ASSERT_TRUE(waitUntil([&] { return connection->interface()->isServiceRegistered(kBusName).value(); }));
  // A call keeps it; then it ends by itself and gives its name up.
  EXPECT_TRUE(gdbusCall(bus->address(),
                        QString::fromLatin1(search_provider::kGnomeInterface) + QStringLiteral(".GetInitialResultSet"),
                        {QStringLiteral("['quarterly']")}));
  ASSERT_TRUE(provider.waitForFinished(20000));
  EXPECT_EQ(provider.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(provider.exitCode(), 0);
  EXPECT_FALSE(connection->interface()->isServiceRegistered(kBusName).value());
}

TEST_F(SearchProviderE2eTest, AStoppedServiceGivesAnEmptyAnswerWithinASecond) {
  const QString initial =
      QString::fromLatin1(search_provider::kGnomeInterface) + QStringLiteral(".GetInitialResultSet");
  ASSERT_TRUE(gdbusCall(bus->address(), initial, {QStringLiteral("['quarterly']")}));
  // A service that takes the connection and never answers, then one that
  // is gone: each answer comes before the call's one-second timeout.
  service->signal(SIGSTOP);
  EXPECT_EQ(gdbusCall(bus->address(), initial, {QStringLiteral("['quarterly']")}, 1), QStringLiteral("(@as [],)"));
  service->stop();
  EXPECT_EQ(gdbusCall(bus->address(), initial, {QStringLiteral("['quarterly']")}, 1), QStringLiteral("(@as [],)"));
}

}  // namespace
}  // namespace orvanta::testing
