// Socket owners on Linux: the entries of /proc/net/tcp and /proc/net/tcp6.
#include "socket_owner.h"

#include <QFile>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvanta::service {

namespace {

const char* tableFor(const sockaddr* address) {
  return address->sa_family == AF_INET6 ? "/proc/net/tcp6" : "/proc/net/tcp";
}

QByteArray readTable(const char* path) {
  // The table is made as it is read: read it to the end in one go.
  QFile file(QString::fromLatin1(path));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return {};
  return file.readAll();
}

}  // namespace

std::optional<unsigned> connectionPeerOwner(const sockaddr* client, const sockaddr* server) {
  const QByteArray local = socketTableEndpoint(client);
  if (local.isEmpty()) return std::nullopt;
  return socketOwnerInTable(readTable(tableFor(client)), local, socketTableEndpoint(server), false);
}

std::optional<unsigned> listeningPortOwner(unsigned short port) {
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_port = htons(port);
  const QByteArray local = socketTableEndpoint(reinterpret_cast<const sockaddr*>(&any));
  for (const char* path : {"/proc/net/tcp", "/proc/net/tcp6"}) {
    if (const auto owner = socketOwnerInTable(readTable(path), local, {}, true)) return owner;
  }
  return std::nullopt;
}

bool canTellPeerOwners() { return QFile::exists(QStringLiteral("/proc/net/tcp")); }

std::optional<unsigned> currentUserId() { return static_cast<unsigned>(::geteuid()); }

}  // namespace orvanta::service
