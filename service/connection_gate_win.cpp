// The connection gate's sockets on Windows: WSAPoll() over the listeners
// and a loopback UDP socket, sending to itself, for the wake-up.
#include "connection_gate_system.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace orvanta::service::gate_system {

namespace {

int addressSize(const sockaddr* address) {
  return address->sa_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
}

// Non-blocking and kept from child processes.
bool prepare(SOCKET socket) {
  u_long on = 1;
  return ioctlsocket(socket, FIONBIO, &on) == 0 &&
         SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
}

}  // namespace

Socket listenOn(const sockaddr* address, Address* bound) {
  const SOCKET fd = ::socket(address->sa_family, SOCK_STREAM, IPPROTO_TCP);
  if (fd == INVALID_SOCKET) return kNoSocket;
  const BOOL on = TRUE;
  ::setsockopt(fd, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on), sizeof on);
  if (address->sa_family == AF_INET6) {
    ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<const char*>(&on), sizeof on);
  }
  int size = sizeof bound->bytes;
  if (!prepare(fd) || ::bind(fd, address, addressSize(address)) != 0 || ::listen(fd, SOMAXCONN) != 0 ||
      ::getsockname(fd, bound->get(), &size) != 0) {
    ::closesocket(fd);
    return kNoSocket;
  }
  return static_cast<Socket>(fd);
}

quint16 portOf(const sockaddr* address) {
  return ntohs(address->sa_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6*>(address)->sin6_port
                                              : reinterpret_cast<const sockaddr_in*>(address)->sin_port);
}

Accepted acceptClient(Socket listener, Socket* client, Address* address) {
  int size = sizeof address->bytes;
  const SOCKET fd = ::accept(static_cast<SOCKET>(listener), address->get(), &size);
  if (fd != INVALID_SOCKET) {
    if (!prepare(fd)) {
      ::closesocket(fd);
      return Accepted::Again;
    }
    *client = static_cast<Socket>(fd);
    return Accepted::Client;
  }
  const int error = WSAGetLastError();
  if (error == WSAEINTR || error == WSAECONNRESET || error == WSAECONNABORTED) return Accepted::Again;
  if (error == WSAEMFILE || error == WSAENOBUFS) return Accepted::NoDescriptors;
  return Accepted::None;
}

void shutDown(Socket socket) { ::shutdown(static_cast<SOCKET>(socket), SD_BOTH); }

void closeSocket(Socket socket) { ::closesocket(static_cast<SOCKET>(socket)); }

Waiter::Waiter() {
  const SOCKET fd = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (fd == INVALID_SOCKET) return;
  sockaddr_in self{};
  self.sin_family = AF_INET;
  self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int size = sizeof self;
  if (!prepare(fd) || ::bind(fd, reinterpret_cast<const sockaddr*>(&self), sizeof self) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&self), &size) != 0 ||
      ::connect(fd, reinterpret_cast<const sockaddr*>(&self), sizeof self) != 0) {
    ::closesocket(fd);
    return;
  }
  wake_[0] = wake_[1] = static_cast<Socket>(fd);
}

Waiter::~Waiter() {
  if (wake_[0] != kNoSocket) ::closesocket(static_cast<SOCKET>(wake_[0]));
}

void Waiter::wake() {
  const char byte = 0;
  ::send(static_cast<SOCKET>(wake_[1]), &byte, 1, 0);
}

void Waiter::wait(const std::vector<Socket>& listeners, int timeoutMs, std::vector<bool>& ready) {
  std::vector<WSAPOLLFD> polled{{static_cast<SOCKET>(wake_[0]), POLLRDNORM, 0}};
  for (const Socket listener : listeners) polled.push_back({static_cast<SOCKET>(listener), POLLRDNORM, 0});
  const int count = WSAPoll(polled.data(), static_cast<ULONG>(polled.size()), timeoutMs);
  char drained[64];
  while (::recv(static_cast<SOCKET>(wake_[0]), drained, sizeof drained, 0) > 0) {
  }
  ready.assign(listeners.size(), false);
  if (count <= 0) return;
  for (std::size_t i = 0; i < listeners.size(); ++i) ready[i] = (polled[i + 1].revents & POLLRDNORM) != 0;
}

}  // namespace orvanta::service::gate_system
