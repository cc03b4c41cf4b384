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

// Splits "http://host[:port][/path][?query][#fragment]". The fragment is
// dropped; the path and query are kept byte for byte as their UTF-8 form,
// except that control characters, blanks and bytes outside ASCII are
// percent-encoded. Nothing for another scheme, a malformed authority or a
// host that is not this machine's loopback ("localhost", 127.0.0.0/8, ::1):
// the program talks to the local search service only.
std::optional<HttpAddress> parseHttpAddress(const QString& address);

}  // namespace orvanta::platform
