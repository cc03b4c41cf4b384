// Socket owners on Linux: the kernel's socket diagnostics (one exact
// lookup of the client's socket), or else the entries of /proc/net/tcp and
// /proc/net/tcp6, whose reading grows with every socket of the machine.
#include "socket_owner.h"

#include <QFile>

#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

// Copies the address and port of `address` into `bytes` (16) and `port`,
// as the socket diagnostics take them (network order).
bool diagEnd(const sockaddr* address, __be32* bytes, __be16* port) {
  if (address->sa_family == AF_INET) {
    sockaddr_in in{};
    std::memcpy(&in, address, sizeof in);
    std::memcpy(bytes, &in.sin_addr, 4);
    *port = in.sin_port;
    return true;
  }
  if (address->sa_family == AF_INET6) {
    sockaddr_in6 in6{};
    std::memcpy(&in6, address, sizeof in6);
    std::memcpy(bytes, &in6.sin6_addr, 16);
    *port = in6.sin6_port;
    return true;
  }
  return false;
}

}  // namespace

bool connectionPeerOwnerByDiagnostics(const sockaddr* client, const sockaddr* server, std::optional<unsigned>* owner) {
  *owner = std::nullopt;
  struct {
    nlmsghdr header;
    inet_diag_req_v2 request;
  } message{};
  message.header.nlmsg_len = sizeof message;
  message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
  message.header.nlmsg_flags = NLM_F_REQUEST;
  message.request.sdiag_family = static_cast<__u8>(client->sa_family);
  message.request.sdiag_protocol = IPPROTO_TCP;
  message.request.idiag_states = ~0U;
  // The client's own socket: its source is the client, its destination the server.
  if (client->sa_family != server->sa_family ||
      !diagEnd(client, message.request.id.idiag_src, &message.request.id.idiag_sport) ||
      !diagEnd(server, message.request.id.idiag_dst, &message.request.id.idiag_dport)) {
    return false;
  }
  message.request.id.idiag_cookie[0] = INET_DIAG_NOCOOKIE;
  message.request.id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;

  const int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
  if (fd < 0) return false;
  timeval timeout{1, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  sockaddr_nl kernel{};
  kernel.nl_family = AF_NETLINK;
  bool answered = false;
  if (::sendto(fd, &message, sizeof message, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) ==
      static_cast<ssize_t>(sizeof message)) {
    alignas(nlmsghdr) char buffer[8192];
    const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
    const auto* reply = reinterpret_cast<const nlmsghdr*>(buffer);
    if (got > 0 && NLMSG_OK(reply, static_cast<unsigned>(got))) {
      if (reply->nlmsg_type == SOCK_DIAG_BY_FAMILY && reply->nlmsg_len >= NLMSG_LENGTH(sizeof(inet_diag_msg))) {
        *owner = static_cast<const inet_diag_msg*>(NLMSG_DATA(reply))->idiag_uid;
        answered = true;
      } else if (reply->nlmsg_type == NLMSG_ERROR && reply->nlmsg_len >= NLMSG_LENGTH(sizeof(nlmsgerr))) {
        // No such socket (any more) is an answer; other errors are not.
        answered = static_cast<const nlmsgerr*>(NLMSG_DATA(reply))->error == -ENOENT;
      }
    }
  }
  ::close(fd);
  return answered;
}

std::optional<unsigned> connectionPeerOwnerByTables(const sockaddr* client, const sockaddr* server) {
  const QByteArray local = socketTableEndpoint(client);
  if (local.isEmpty()) return std::nullopt;
  return socketOwnerInTable(readTable(tableFor(client)), local, socketTableEndpoint(server), false);
}

std::optional<unsigned> connectionPeerOwner(const sockaddr* client, const sockaddr* server) {
  std::optional<unsigned> owner;
  if (connectionPeerOwnerByDiagnostics(client, server, &owner)) return owner;
  return connectionPeerOwnerByTables(client, server);
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
