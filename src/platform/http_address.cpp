// Address parsing for the HTTP transfer.
#include "http_address.h"

namespace orvanta::platform {

namespace {

// Whether a request line can carry `byte` as it is. Control bytes, the
// blank, DEL and bytes outside ASCII cannot; neither can the characters a
// request target may not hold, "#" among them, which would otherwise be
// taken for the start of a fragment and cut the address there. "%" goes as
// typed: the address already holds the escapes its author meant.
bool carriedAsIs(unsigned char byte) {
  if (byte <= 0x20 || byte >= 0x7F) return false;
  switch (byte) {
    case '#':
    case '"':
    case '<':
    case '>':
    case '\\':
    case '^':
    case '`':
    case '{':
    case '|':
    case '}':
      return false;
    default:
      return true;
  }
}

QByteArray requestTarget(const QString& rest) {
  const QByteArray bytes = rest.toUtf8();
  QByteArray out;
  out.reserve(bytes.size() + 1);
  if (!bytes.startsWith('/')) out += '/';
  static const char kHex[] = "0123456789ABCDEF";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (!carriedAsIs(byte)) {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::optional<HttpAddress> parseHttpAddress(const QString& address) {
  static const QString kScheme = QStringLiteral("http://");
  if (!address.startsWith(kScheme, Qt::CaseInsensitive)) return std::nullopt;
  // A "#" is part of the text, not the start of a fragment: the words of a
  // search may hold one.
  const QString rest = address.mid(kScheme.size());

  qsizetype authorityEnd = rest.size();
  for (qsizetype i = 0; i < rest.size(); ++i) {
    if (rest[i] == u'/' || rest[i] == u'?' || rest[i] == u'#') {
      authorityEnd = i;
      break;
    }
  }
  const QString authority = rest.left(authorityEnd);
  if (authority.contains(u'@')) return std::nullopt;

  HttpAddress result;
  QString portText;
  if (authority.startsWith(u'[')) {
    const qsizetype close = authority.indexOf(u']');
    if (close < 0) return std::nullopt;
    result.host = authority.mid(1, close - 1);
    const QString after = authority.mid(close + 1);
    if (!after.isEmpty()) {
      if (!after.startsWith(u':')) return std::nullopt;
      portText = after.mid(1);
    }
  } else {
    const qsizetype colon = authority.lastIndexOf(u':');
    result.host = colon < 0 ? authority : authority.left(colon);
    if (colon >= 0) portText = authority.mid(colon + 1);
  }
  if (!portText.isEmpty()) {
    bool ok = false;
    const uint port = portText.toUInt(&ok);
    if (!ok || port == 0 || port > 65535) return std::nullopt;
    result.port = static_cast<quint16>(port);
  }

  if (result.host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0) {
    result.loopback = {QHostAddress(QHostAddress::LocalHost), QHostAddress(QHostAddress::LocalHostIPv6)};
  } else {
    const QHostAddress literal(result.host);
    if (literal.isNull() || !literal.isLoopback()) return std::nullopt;
    result.loopback = {literal};
  }

  const QString hostPart = result.host.contains(u':') ? u'[' + result.host + u']' : result.host;
  result.hostHeader = (portText.isEmpty() ? hostPart : hostPart + u':' + QString::number(result.port)).toUtf8();
  result.target = requestTarget(rest.mid(authorityEnd));
  return result;
}

QString serverName(const HttpAddress& address) {
  const QString host = address.host.contains(u':') ? u'[' + address.host + u']' : address.host;
  return host + u':' + QString::number(address.port);
}

}  // namespace orvanta::platform
