// The extraction helper's confinement: what a hostile document's code
// could try inside it fails (tried for real by a probe that puts the same
// confinement in force), it degrades to the system call filter where the
// kernel has no file system rules, and the real helper runs confined and
// still reads documents.
#include "document_format.h"
#include "minimal_pdf.h"
#include "wait_for.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace orvanta::service {
namespace {

QCoreApplication& app() {
  static int argc = 1;
  static char name[] = "extract_confinement_test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication instance(argc, argv);
  return instance;
}

constexpr int kWaitMs = 20'000;

class ConfinementProbe : public ::testing::Test {
 protected:
  void SetUp() override {
    app();
    ASSERT_TRUE(folder.isValid());
    for (const char* name : {"secret.txt", "victim.txt"}) {
      QFile file(folder.filePath(QString::fromLatin1(name)));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("the user's words") > 0);
    }
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
  }

  // The probe's answer to each try, and the confinement it reported.
  QMap<QString, QString> probe(const QStringList& options) {
    QProcess process;
    process.start(QStringLiteral(ORVANTA_CONFINEMENT_PROBE),
                  options + QStringList{folder.filePath(QStringLiteral("secret.txt")), folder.path(),
                                        QString::number(server.serverPort())});
    EXPECT_TRUE(process.waitForFinished(kWaitMs));
    QMap<QString, QString> answers;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
      const qsizetype blank = line.indexOf(' ');
      if (blank > 0) answers.insert(QString::fromUtf8(line.left(blank)), QString::fromUtf8(line.mid(blank + 1)));
    }
    return answers;
  }

  QTemporaryDir folder;
  QTcpServer server;
};

// Each try, and whether it works without the confinement and inside it.
struct Try {
  const char* name;
  const char* unconfined;
  const char* confined;
};

constexpr Try kTries[] = {
    {"list-folder", "yes", "no"},   {"read-pdf-data", "yes", "yes"}, {"write-file", "yes", "no"},
    {"remove-file", "yes", "no"},   {"tcp-connect", "yes", "no"},    {"local-socket", "yes", "no"},
    {"new-process", "yes", "no"},   {"signal-parent", "yes", "no"},  {"parent-limits", "yes", "no"},
    {"start-program", "yes", "no"}, {"read-secret", "yes", "no"},
};

TEST_F(ConfinementProbe, HostileTriesFailInside) {
  const QMap<QString, QString> free = probe({QStringLiteral("--unconfined")});
  ASSERT_TRUE(server.waitForNewConnection(kWaitMs)) << "the probe reaches the listener without the confinement";
  delete server.nextPendingConnection();
  ASSERT_TRUE(QFile::exists(folder.filePath(QStringLiteral("made.txt"))));
  ASSERT_TRUE(QFile::remove(folder.filePath(QStringLiteral("made.txt"))));
  {
    QFile victim(folder.filePath(QStringLiteral("victim.txt")));
    ASSERT_TRUE(victim.open(QIODevice::WriteOnly));
  }

  const QMap<QString, QString> confined = probe({});
  const QStringList reported = confined.value(QStringLiteral("confined")).split(u' ');
  ASSERT_EQ(reported.size(), 3) << "no confinement line";
  EXPECT_EQ(reported[0], QStringLiteral("1")) << "no new privileges";
  EXPECT_EQ(reported[1], QStringLiteral("1")) << "system call filter";
  // Debian 12's kernel (6.1) has the file system rules in their second
  // version; every kernel this runs on is expected to have them.
  EXPECT_GE(reported[2].toInt(), 2) << "file system rules";
  for (const Try& t : kTries) {
    EXPECT_EQ(free.value(QString::fromLatin1(t.name)), QString::fromLatin1(t.unconfined)) << t.name << " unconfined";
    EXPECT_EQ(confined.value(QString::fromLatin1(t.name)), QString::fromLatin1(t.confined)) << t.name << " confined";
  }
  EXPECT_FALSE(server.waitForNewConnection(0)) << "a connection came from inside the confinement";
  EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral("victim.txt"))));
  EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("made.txt"))));
}

// Where the kernel has no file system rules, the system call filter still
// keeps the network, programs, other processes and writes out; reading
// other files is then possible.
TEST_F(ConfinementProbe, WithoutFileSystemRulesTheFilterStillHolds) {
  const QMap<QString, QString> confined = probe({QStringLiteral("--without-landlock")});
  EXPECT_EQ(confined.value(QStringLiteral("confined")), QStringLiteral("1 1 0"));
  for (const Try& t : kTries) {
    const QString name = QString::fromLatin1(t.name);
    const bool readOnly = name == QStringLiteral("read-secret") || name == QStringLiteral("list-folder");
    EXPECT_EQ(confined.value(name), readOnly ? QStringLiteral("yes") : QString::fromLatin1(t.confined)) << t.name;
  }
  EXPECT_FALSE(server.waitForNewConnection(0));
  EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral("victim.txt"))));
}

// The real helper: confined as soon as it runs, with a processor time
// limit, and it still reads every kind of document it is handed.
TEST(ExtractionHelper, RunsConfinedAndStillReadsDocuments) {
  app();
  QProcess helper;
  helper.start(QStringLiteral(ORVANTA_EXTRACT_BINARY));
  ASSERT_TRUE(helper.waitForStarted(kWaitMs));
  const struct {
    DocumentFormat format;
    QByteArray data;
    QByteArray answer;
  } documents[] = {
      {DocumentFormat::Pdf,
       minimalPdf("Quarterly \xdc"
                  "berblick"),
       "Quarterly \xc3\x9c"
       "berblick"},
      {DocumentFormat::Text, "plain words", "plain words"},
      {DocumentFormat::Html, "<p>Fish&amp;chips</p>", "Fish&chips"},
      {DocumentFormat::Pdf, "%PDF-1.4 nothing else", ""},
  };
  for (const auto& document : documents) {
    helper.write(QByteArray::number(static_cast<int>(document.format)) + ' ' +
                 QByteArray::number(document.data.size()) + '\n' + document.data);
    ASSERT_TRUE(testing::waitFor([&] { return helper.canReadLine(); }, kWaitMs)) << document.data.left(20).constData();
    const QByteArray line = helper.readLine().trimmed();
    if (document.answer.isEmpty()) {
      EXPECT_EQ(line, "no 0");
      continue;
    }
    ASSERT_TRUE(line.startsWith("ok ")) << line.constData();
    const qint64 length = line.mid(3).toLongLong();
    ASSERT_TRUE(testing::waitFor([&] { return helper.bytesAvailable() >= length; }, kWaitMs));
    EXPECT_EQ(helper.read(length).simplified(), document.answer);
  }

  const QString proc = QStringLiteral("/proc/%1/").arg(helper.processId());
  QFile status(proc + QStringLiteral("status"));
  ASSERT_TRUE(status.open(QIODevice::ReadOnly));
  const QByteArray statusText = status.readAll();
  EXPECT_TRUE(statusText.contains("\nNoNewPrivs:\t1\n")) << statusText.constData();
  EXPECT_TRUE(statusText.contains("\nSeccomp:\t2\n")) << statusText.constData();
  QFile limits(proc + QStringLiteral("limits"));
  ASSERT_TRUE(limits.open(QIODevice::ReadOnly));
  QList<QByteArray> cpu;
  for (const QByteArray& line : limits.readAll().split('\n')) {
    if (line.startsWith("Max cpu time")) cpu.append(line);
  }
  ASSERT_EQ(cpu.size(), 1);
  const QList<QByteArray> fields = cpu[0].simplified().split(' ');  // Max cpu time SOFT HARD seconds
  ASSERT_EQ(fields.size(), 6) << cpu[0].constData();
  EXPECT_LE(fields[3].toInt(), 20) << "a document's share";
  EXPECT_EQ(fields[4], "3600") << "a helper's share";
  helper.closeWriteChannel();
  EXPECT_TRUE(helper.waitForFinished(kWaitMs));
  EXPECT_EQ(helper.exitCode(), 0);
}

}  // namespace
}  // namespace orvanta::service
