// What the desktop starter runs for a command line: a registered program
// with its arguments, or the file opener standing in for the Explorer
// program. A real start proves that the arguments arrive unchanged.
#include "platform/desktop_program_start.h"
#include "platform/program_start.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace orvanta::platform {
namespace {

TEST(DesktopProgramStart, WhatRunsForACommandLine) {
  const QStringList xdgOpen{QStringLiteral("xdg-open")};
  const QStringList gioOpen{QStringLiteral("gio"), QStringLiteral("open")};
  struct Case {
    QStringList opener;
    QString line;
    std::optional<DesktopProgramStart::Launch> expected;
  };
  using L = DesktopProgramStart::Launch;
  const std::vector<Case> cases{
      {xdgOpen, QStringLiteral("/usr/bin/evince --new-window \"/home/ann/My File.PDF\""),
       L{QStringLiteral("/usr/bin/evince"), {QStringLiteral("--new-window"), QStringLiteral("/home/ann/My File.PDF")}}},
      // The Explorer program, in any letter case: the whole tail is one argument.
      {xdgOpen, QStringLiteral("C:\\WINDOWS\\Explorer.EXE /home/ann/My Files/a \"b\" c.txt"),
       L{QStringLiteral("xdg-open"), {QStringLiteral("/home/ann/My Files/a \"b\" c.txt")}}},
      {gioOpen, QStringLiteral("c:\\windows\\explorer.exe /srv/x y"),
       L{QStringLiteral("gio"), {QStringLiteral("open"), QStringLiteral("/srv/x y")}}},
      {xdgOpen, QStringLiteral("c:\\windows\\explorer.exe "), L{QStringLiteral("xdg-open"), {QDir::homePath()}}},
      {xdgOpen, QStringLiteral("c:\\windows\\explorer.exe -rf x"),
       L{QStringLiteral("xdg-open"), {QStringLiteral("./-rf x")}}},
      {QStringList{}, QStringLiteral("c:\\windows\\explorer.exe /home/a"), std::nullopt},
      {xdgOpen, QString(), std::nullopt},
      {xdgOpen, QStringLiteral("\"\" x"), std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line.toStdString());
    const auto launch = DesktopProgramStart(c.opener).plan(c.line);
    ASSERT_EQ(launch.has_value(), c.expected.has_value());
    if (!launch) continue;
    EXPECT_EQ(launch->program, c.expected->program);
    EXPECT_EQ(launch->arguments, c.expected->arguments);
  }
}

TEST(DesktopProgramStart, TheFileOpenerOfThisMachine) {
  const QStringList opener = DesktopProgramStart::findFileOpener();
  ASSERT_FALSE(opener.isEmpty()) << "xdg-utils or gio is needed to open hits through the file manager";
  EXPECT_TRUE(opener.first() == QStringLiteral("xdg-open") || opener == QStringList({"gio", "open"}));
}

// The recorder's output: its arguments, each ended by a zero byte.
QStringList waitForRecord(const QString& file) {
  EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(file); }, 10000)) << "the program was not started";
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly)) return {};
  QStringList arguments;
  for (const QByteArray& part : in.readAll().split('\0')) arguments << QString::fromUtf8(part);
  arguments.removeLast();  // after the last terminator
  return arguments;
}

TEST(DesktopProgramStart, StartsTheProgramWithItsArgumentsAndNoShell) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString record = dir.filePath(QStringLiteral("argv"));
  DesktopProgramStart starter(DesktopProgramStart::findFileOpener());
  const QString line = QStringLiteral("\"%1\" \"%2\" \"$(touch %3/PWNED); `id`\" a\\\"b ;|&")
                           .arg(QStringLiteral(ORVANTA_ARGV_RECORDER), record, dir.path());
  ASSERT_TRUE(starter.start(line, kWindowNormalFocus));
  EXPECT_EQ(waitForRecord(record), (QStringList{QStringLiteral("$(touch %1/PWNED); `id`").arg(dir.path()),
                                                QStringLiteral("a\"b"), QStringLiteral(";|&")}));
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("PWNED"))));
}

TEST(DesktopProgramStart, AMissingProgramIsNotStarted) {
  DesktopProgramStart starter({QStringLiteral("xdg-open")});
  EXPECT_FALSE(starter.start(QStringLiteral("/nonexistent/orvanta-viewer \"%1\""), kWindowNormalFocus));
  EXPECT_FALSE(starter.start(QString(), kWindowNormalFocus));
}

}  // namespace
}  // namespace orvanta::platform
