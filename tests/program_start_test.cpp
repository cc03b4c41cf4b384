// Command lines split by the Windows rules.
#include "platform/program_start.h"

#include <gtest/gtest.h>

#include <vector>

namespace orvanta::platform {
namespace {

TEST(splitCommandLine, WindowsRules) {
  struct Case {
    QString line;
    QStringList expected;
  };
  const QString bs = QStringLiteral("\\");
  const std::vector<Case> cases{
      {QStringLiteral("notepad.exe file.txt"), {QStringLiteral("notepad.exe"), QStringLiteral("file.txt")}},
      {QStringLiteral(R"("C:\Program Files\App\app.exe" "C:\My Docs\a b.txt")"),
       {QStringLiteral(R"(C:\Program Files\App\app.exe)"), QStringLiteral(R"(C:\My Docs\a b.txt)")}},
      {QStringLiteral("  app \t x\ty   "), {QStringLiteral("app"), QStringLiteral("x"), QStringLiteral("y")}},
      // Backslashes not before a quote stand as they are.
      {QStringLiteral(R"(app a\\b c\d \)"),
       {QStringLiteral("app"), QStringLiteral(R"(a\\b)"), QStringLiteral(R"(c\d)"), bs}},
      // An odd run before a quote: half the backslashes and a literal quote.
      {QStringLiteral(R"(app "a\"b" x\\\"y)"), {QStringLiteral("app"), QStringLiteral(R"(a"b)"), QStringLiteral(R"(x\"y)")}},
      // An even run: half the backslashes, and the quote groups.
      {QStringLiteral(R"(app a\\"b c" "C:\dir\\")"),
       {QStringLiteral("app"), QStringLiteral(R"(a\b c)"), QStringLiteral(R"(C:\dir\)")}},
      // "" inside quotes is a literal quote; an empty pair is an empty argument.
      {QStringLiteral(R"(app "a""b" "" x)"), {QStringLiteral("app"), QStringLiteral(R"(a"b)"), QString(), QStringLiteral("x")}},
      {QStringLiteral(R"(app "unterminated arg)"), {QStringLiteral("app"), QStringLiteral("unterminated arg")}},
      {QStringLiteral("app a\nb"), {QStringLiteral("app"), QStringLiteral("a\nb")}},
      // The program name knows no escapes: the backslash stays, the quote toggles.
      {QStringLiteral(R"("C:\dir\"x y)"), {QStringLiteral(R"(C:\dir\x)"), QStringLiteral("y")}},
      {QStringLiteral(R"(pro"gram fi"le x)"), {QStringLiteral("program file"), QStringLiteral("x")}},
      {QString(), {}},
      {QStringLiteral(" \t "), {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(splitCommandLine(c.line), c.expected) << c.line.toStdString();
  }
}

TEST(commandTail, TheRestAfterTheProgram) {
  EXPECT_EQ(commandTail(QStringLiteral(R"(c:\windows\explorer.exe /home/a b/c.txt)")),
            QStringLiteral("/home/a b/c.txt"));
  EXPECT_EQ(commandTail(QStringLiteral(R"(  "c:\x y\e.exe"   "q" tail  )")), QStringLiteral(R"("q" tail  )"));
  EXPECT_EQ(commandTail(QStringLiteral("c:\\windows\\explorer.exe ")), QString());
  EXPECT_EQ(commandTail(QStringLiteral("app")), QString());
}

}  // namespace
}  // namespace orvanta::platform
