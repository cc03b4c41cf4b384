// The line protocol between the program and its browser process. The
// program writes commands to the browser's standard input; the browser
// writes reports to its standard output. One message per line; addresses
// travel percent-encoded, so a line never holds a raw blank or line break.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSize>
#include <QUrl>

namespace orvanta::platform::browser_protocol {

// Program -> browser.
QByteArray navigateCommand(const QUrl& url);  // "navigate <address>"
QByteArray resizeCommand(QSize size);         // "resize <width> <height>"

// Browser -> program.
QByteArray locationReport(const QUrl& url);  // "location <address>"
QByteArray escapeReport();                   // "escape": Escape was pressed in the view

struct Message {
  enum class Kind { Unknown, Navigate, Resize, Location, Escape };
  Kind kind = Kind::Unknown;
  QUrl url;    // Navigate, Location
  QSize size;  // Resize
};

// Reads one line, with or without its line break. Anything malformed is
// Kind::Unknown.
Message parseLine(QByteArrayView line);

}  // namespace orvanta::platform::browser_protocol
