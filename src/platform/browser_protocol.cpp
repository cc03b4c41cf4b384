// Encoding and decoding of the browser process's lines.
#include "browser_protocol.h"

namespace orvanta::platform::browser_protocol {
namespace {

QByteArray withAddress(QByteArrayView verb, const QUrl& url) {
  return verb.toByteArray() + ' ' + url.toEncoded() + '\n';
}

// A dimension: decimal digits only, at most 5 of them.
bool readDimension(QByteArrayView text, int& value) {
  if (text.isEmpty() || text.size() > 5) return false;
  value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

}  // namespace

QByteArray navigateCommand(const QUrl& url) { return withAddress("navigate", url); }

QByteArray resizeCommand(QSize size) {
  return "resize " + QByteArray::number(qMax(0, size.width())) + ' ' + QByteArray::number(qMax(0, size.height())) +
         '\n';
}

QByteArray locationReport(const QUrl& url) { return withAddress("location", url); }

QByteArray escapeReport() { return "escape\n"; }

Message parseLine(QByteArrayView line) {
  while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
  const qsizetype blank = line.indexOf(' ');
  const QByteArrayView verb = blank < 0 ? line : line.first(blank);
  const QByteArrayView rest = blank < 0 ? QByteArrayView() : line.sliced(blank + 1);

  Message message;
  if (verb == "navigate" || verb == "location") {
    if (blank < 0 || rest.contains(' ')) return message;
    message.kind = verb == "navigate" ? Message::Kind::Navigate : Message::Kind::Location;
    message.url = QUrl::fromEncoded(rest.toByteArray());
  } else if (verb == "escape") {
    if (blank < 0) message.kind = Message::Kind::Escape;
  } else if (verb == "resize") {
    const qsizetype second = rest.indexOf(' ');
    int width = 0;
    int height = 0;
    if (second < 0 || !readDimension(rest.first(second), width) || !readDimension(rest.sliced(second + 1), height)) {
      return message;
    }
    message.kind = Message::Kind::Resize;
    message.size = QSize(width, height);
  }
  return message;
}

}  // namespace orvanta::platform::browser_protocol
