// Socket table reading shared by every system.
#include "socket_owner.h"

#include <QList>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <cstdio>
#include <cstring>

namespace orvanta::service {

QByteArray socketTableEndpoint(const sockaddr* address) {
  const auto groups = [](const unsigned char* bytes, int count) {
    QByteArray out;
    for (int i = 0; i < count; i += 4) {
      quint32 word = 0;
      std::memcpy(&word, bytes + i, 4);
      out += QByteArray::number(word, 16).toUpper().rightJustified(8, '0');
    }
    return out;
  };
  if (address->sa_family == AF_INET) {
    sockaddr_in in{};
    std::memcpy(&in, address, sizeof in);
    return groups(reinterpret_cast<const unsigned char*>(&in.sin_addr), 4) + ':' +
           QByteArray::number(ntohs(in.sin_port), 16).toUpper().rightJustified(4, '0');
  }
  if (address->sa_family == AF_INET6) {
    sockaddr_in6 in6{};
    std::memcpy(&in6, address, sizeof in6);
    return groups(reinterpret_cast<const unsigned char*>(&in6.sin6_addr), 16) + ':' +
           QByteArray::number(ntohs(in6.sin6_port), 16).toUpper().rightJustified(4, '0');
  }
  return {};
}

std::optional<unsigned> socketOwnerInTable(QByteArrayView table, QByteArrayView local, QByteArrayView remote,
                                           bool listeningOnly) {
  const qsizetype colon = local.lastIndexOf(':');
  const QByteArrayView localPort = colon < 0 ? QByteArrayView() : local.sliced(colon);
  qsizetype start = 0;
  while (start < table.size()) {
    qsizetype end = table.indexOf('\n', start);
    if (end < 0) end = table.size();
    const QByteArrayView line = table.sliced(start, end - start);
    start = end + 1;
    // Fields: slot, local end, remote end, state, queues, timer, retransmits, uid, ...
    QByteArrayView fields[8];
    int count = 0;
    qsizetype i = 0;
    while (count < 8 && i < line.size()) {
      while (i < line.size() && line[i] == ' ') ++i;
      const qsizetype fieldStart = i;
      while (i < line.size() && line[i] != ' ') ++i;
      if (i > fieldStart) fields[count++] = line.sliced(fieldStart, i - fieldStart);
    }
    if (count < 8 || !fields[0].endsWith(':')) continue;  // the heading or a short line
    if (listeningOnly) {
      if (fields[3] != "0A" || !fields[1].endsWith(localPort)) continue;
    } else if (fields[1] != local || (!remote.isEmpty() && fields[2] != remote)) {
      continue;
    }
    bool ok = false;
    const unsigned uid = fields[7].toByteArray().toUInt(&ok);
    if (ok) return uid;
  }
  return std::nullopt;
}

}  // namespace orvanta::service
