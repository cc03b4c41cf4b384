// The system's sockets under the connection gate (connection_gate.cpp):
// listening, accepting, ending a connection and waiting for the listeners
// or a wake-up. One backend per system.
#pragma once

#include <QtGlobal>

#include <vector>

struct sockaddr;

namespace orvanta::service::gate_system {

using Socket = qintptr;
inline constexpr Socket kNoSocket = -1;

// Room for any address the gate handles (IPv4 or IPv6).
struct Address {
  alignas(8) unsigned char bytes[128] = {};
  const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(bytes); }
  sockaddr* get() { return reinterpret_cast<sockaddr*>(bytes); }
};

// A listening socket on `address`, non-blocking and kept from child
// processes, with its bound address (the port filled in) in `bound`;
// kNoSocket on failure.
Socket listenOn(const sockaddr* address, Address* bound);

// The port of an IPv4 or IPv6 address.
quint16 portOf(const sockaddr* address);

enum class Accepted { Client, None, Again, NoDescriptors };
// Takes one waiting client off `listener` as a non-blocking socket kept
// from child processes. Again: try once more at once; None: nobody waits;
// NoDescriptors: the system has none left for it.
Accepted acceptClient(Socket listener, Socket* client, Address* address);

// Ends a connection both ways; its owner then reads the end and closes it.
void shutDown(Socket socket);
void closeSocket(Socket socket);

// What the gate's thread waits on: the listeners and a wake-up that any
// thread may send.
class Waiter {
 public:
  Waiter();
  ~Waiter();
  Waiter(const Waiter&) = delete;
  Waiter& operator=(const Waiter&) = delete;

  bool valid() const { return wake_[0] != kNoSocket; }
  void wake();
  // Waits until woken, or one of `listeners` has a client waiting, for at
  // most `timeoutMs` (-1: no limit); `ready[i]` tells about listeners[i].
  void wait(const std::vector<Socket>& listeners, int timeoutMs, std::vector<bool>& ready);

 private:
  Socket wake_[2] = {kNoSocket, kNoSocket};
};

}  // namespace orvanta::service::gate_system
