// Starting a program from a command line, the way a hit is opened. The
// command line is split into the program and its arguments by the Windows
// command-line rules and the program is started directly, detached, without
// a shell, so nothing in a path is ever interpreted.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace orvanta::platform {

// Window styles of a started program, numbered as Windows numbers them.
enum WindowStyle : int {
  kWindowHidden = 0,
  kWindowNormalFocus = 1,
  kWindowMinimizedFocus = 2,
};

// Splits a command line as a Windows program's C runtime does: arguments are
// separated by blanks and tabs; double quotes group (and are removed); 2n
// backslashes before a quote give n backslashes and the quote groups, 2n+1
// give n backslashes and a literal quote; "" inside a quoted part gives a
// literal quote; other backslashes stand as they are. The first element, the
// program, ends at the first blank or tab outside quotes and knows no
// backslash escapes. Empty when the line holds nothing but blanks.
QStringList splitCommandLine(const QString& commandLine);

// The command line after its program and the blanks that follow it, as the
// program receives its command tail.
QString commandTail(const QString& commandLine);

class ProgramStart {
 public:
  virtual ~ProgramStart() = default;

  // Starts the program of `commandLine` with its arguments and returns at
  // once, without waiting for it. `windowStyle` is honoured where the window
  // system lets a starter choose it. False when nothing could be started.
  virtual bool start(const QString& commandLine, int windowStyle) = 0;
};

// The program starter of this machine.
std::unique_ptr<ProgramStart> createSystemProgramStart();

}  // namespace orvanta::platform
