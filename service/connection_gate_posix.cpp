// The connection gate's sockets on POSIX systems: poll() over the listeners
// and a pipe for the wake-up.
#include "connection_gate_system.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace orvanta::service::gate_system {

namespace {

socklen_t addressSize(const sockaddr* address) {
  return address->sa_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
}

}  // namespace

Socket listenOn(const sockaddr* address, Address* bound) {
  const int fd = ::socket(address->sa_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return kNoSocket;
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (address->sa_family == AF_INET6) ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
  socklen_t size = sizeof bound->bytes;
  if (::bind(fd, address, addressSize(address)) != 0 || ::listen(fd, SOMAXCONN) != 0 ||
      ::getsockname(fd, bound->get(), &size) != 0) {
    ::close(fd);
    return kNoSocket;
  }
  return fd;
}

quint16 portOf(const sockaddr* address) {
  return ntohs(address->sa_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6*>(address)->sin6_port
                                              : reinterpret_cast<const sockaddr_in*>(address)->sin_port);
}

Accepted acceptClient(Socket listener, Socket* client, Address* address) {
  socklen_t size = sizeof address->bytes;
  const int fd = ::accept4(static_cast<int>(listener), address->get(), &size, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd >= 0) {
    *client = fd;
    return Accepted::Client;
  }
  if (errno == EINTR || errno == ECONNABORTED) return Accepted::Again;
  if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) return Accepted::NoDescriptors;
  return Accepted::None;
}

void shutDown(Socket socket) { ::shutdown(static_cast<int>(socket), SHUT_RDWR); }

void closeSocket(Socket socket) { ::close(static_cast<int>(socket)); }

Waiter::Waiter() {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
    wake_[0] = ends[0];
    wake_[1] = ends[1];
  }
}

Waiter::~Waiter() {
  for (const Socket end : wake_) {
    if (end != kNoSocket) ::close(static_cast<int>(end));
  }
}

void Waiter::wake() {
  const char byte = 0;
  (void)!::write(static_cast<int>(wake_[1]), &byte, 1);
}

void Waiter::wait(const std::vector<Socket>& listeners, int timeoutMs, std::vector<bool>& ready) {
  std::vector<pollfd> polled{{static_cast<int>(wake_[0]), POLLIN, 0}};
  for (const Socket listener : listeners) polled.push_back({static_cast<int>(listener), POLLIN, 0});
  const int count = ::poll(polled.data(), polled.size(), timeoutMs);
  char drained[64];
  while (::read(static_cast<int>(wake_[0]), drained, sizeof drained) > 0) {
  }
  ready.assign(listeners.size(), false);
  if (count <= 0) return;
  for (std::size_t i = 0; i < listeners.size(); ++i) ready[i] = (polled[i + 1].revents & POLLIN) != 0;
}

}  // namespace orvanta::service::gate_system
