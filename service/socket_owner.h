// Which user owns the other end of a loopback connection, or the socket
// listening on a port: the service answers only its own user's programs
// and tells a user when another user's service holds its port.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

struct sockaddr;

namespace orvanta::service {

// One end of a TCP connection as the system's socket tables write it
// ("0100007F:1244" for 127.0.0.1 port 4676): the address bytes in groups of
// four, each group as the machine's 32-bit number, then the port, in hex.
QByteArray socketTableEndpoint(const sockaddr* address);

// The user id in the socket table text `table` (the format of
// /proc/net/tcp and /proc/net/tcp6) of the entry whose local end is `local`
// and, when given, whose remote end is `remote`; with `listeningOnly`, only
// listening entries whose local port is `local`'s port count, whatever
// their address.
std::optional<unsigned> socketOwnerInTable(QByteArrayView table, QByteArrayView local, QByteArrayView remote,
                                           bool listeningOnly);

// The user id of the process that holds the client end of the loopback
// connection from `client` to `server`, read from the system; nothing
// where the system does not tell.
std::optional<unsigned> connectionPeerOwner(const sockaddr* client, const sockaddr* server);

#ifdef __linux__
// The two ways connectionPeerOwner asks Linux: the kernel's socket
// diagnostics first (false when they do not answer; a socket that is gone
// is an answer, without an owner), the socket tables only when those do
// not answer.
bool connectionPeerOwnerByDiagnostics(const sockaddr* client, const sockaddr* server, std::optional<unsigned>* owner);
std::optional<unsigned> connectionPeerOwnerByTables(const sockaddr* client, const sockaddr* server);
#endif

// The user id of the socket listening on TCP `port` on this machine, if any
// and if the system tells.
std::optional<unsigned> listeningPortOwner(unsigned short port);

// Whether this system lets the service tell the users of its callers apart.
bool canTellPeerOwners();

// The user id the service runs as (nothing where there is none).
std::optional<unsigned> currentUserId();

}  // namespace orvanta::service
