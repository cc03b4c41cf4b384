// Command-line splitting by the Windows rules.
#include "program_start.h"

namespace orvanta::platform {
namespace {

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

qsizetype skipBlanks(const QString& line, qsizetype i) {
  while (i < line.size() && isBlank(line[i])) ++i;
  return i;
}

// Reads the program name from `i`; returns the index after it.
qsizetype readProgram(const QString& line, qsizetype i, QString* program) {
  bool quoted = false;
  for (; i < line.size(); ++i) {
    const QChar c = line[i];
    if (c == QLatin1Char('"')) {
      quoted = !quoted;
      continue;
    }
    if (!quoted && isBlank(c)) break;
    program->append(c);
  }
  return i;
}

qsizetype readArgument(const QString& line, qsizetype i, QString* argument) {
  bool quoted = false;
  while (i < line.size()) {
    const QChar c = line[i];
    if (c == QLatin1Char('\\')) {
      qsizetype end = i;
      while (end < line.size() && line[end] == QLatin1Char('\\')) ++end;
      const qsizetype count = end - i;
      if (end < line.size() && line[end] == QLatin1Char('"')) {
        argument->append(QString(count / 2, QLatin1Char('\\')));
        if (count % 2 == 1) {
          argument->append(QLatin1Char('"'));
          i = end + 1;
        } else {
          i = end;  // the quote groups
        }
      } else {
        argument->append(QString(count, QLatin1Char('\\')));
        i = end;
      }
      continue;
    }
    if (c == QLatin1Char('"')) {
      if (quoted && i + 1 < line.size() && line[i + 1] == QLatin1Char('"')) {
        argument->append(QLatin1Char('"'));
        i += 2;
        continue;
      }
      quoted = !quoted;
      ++i;
      continue;
    }
    if (!quoted && isBlank(c)) break;
    argument->append(c);
    ++i;
  }
  return i;
}

}  // namespace

QStringList splitCommandLine(const QString& commandLine) {
  QStringList result;
  qsizetype i = skipBlanks(commandLine, 0);
  if (i >= commandLine.size()) return result;
  QString program;
  i = readProgram(commandLine, i, &program);
  result << program;
  for (i = skipBlanks(commandLine, i); i < commandLine.size(); i = skipBlanks(commandLine, i)) {
    QString argument;
    i = readArgument(commandLine, i, &argument);
    result << argument;
  }
  return result;
}

QString commandTail(const QString& commandLine) {
  QString program;
  const qsizetype end = readProgram(commandLine, skipBlanks(commandLine, 0), &program);
  return commandLine.mid(skipBlanks(commandLine, end));
}

}  // namespace orvanta::platform
