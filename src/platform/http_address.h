// How an address typed as text becomes a connection target and the request
// line's target: nothing is re-encoded, only the bytes a request line cannot
// carry are percent-encoded.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QHostAddress>

#include <optional>

namespace orvanta::platform {

struct HttpAddress {
  QString host;                  // as written, without brackets
  quint16 port = 80;
  QByteArray target;             // the request line's target, "/" at least
  QByteArray hostHeader;         // the Host header's value
  QList<QHostAddress> loopback;  // where to connect, in order of trial
};

// Splits "http://host[:port][/path][?query]". Everything after the
// authority goes out byte for byte as its UTF-8 form, a "#" and what
// follows it included, except that the bytes a request target cannot hold
// are percent-encoded: control characters, blanks, DEL, bytes outside
// ASCII and # " < > \ ^ ` { | }. A "%" is kept as typed. Nothing for
// another scheme, a malformed authority or a host that is not this
// machine's loopback ("localhost", 127.0.0.0/8, ::1): the program talks to
// the local search service only.
std::optional<HttpAddress> parseHttpAddress(const QString& address);

// "host:port" of an address (an IPv6 host in brackets), the port given
// even where the address leaves it out; for messages about the server.
QString serverName(const HttpAddress& address);

}  // namespace orvanta::platform
