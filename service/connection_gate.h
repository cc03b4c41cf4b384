// The service's listening sockets and the places of its connections: one
// count of places over every listener, so that the connection limit holds
// for the service as a whole; clients beyond it wait, unread, in the
// system's queue. A connection has a fixed time for each request head, not
// renewed by every byte that trickles in, and a connection still waiting for
// its head gives its place up to a client that waits for one.
#pragma once

#include "settings/service_defaults.h"

#include <QtGlobal>

#include <chrono>
#include <functional>
#include <memory>

struct sockaddr;

namespace orvanta::service {

struct GateTiming {
  int places = settings::kServiceMaxConnections;  // connections served at once, over every listener
  // A connection that has not sent a whole request head within this time of
  // opening, or of its last answer, is closed, however it trickles.
  std::chrono::milliseconds headTime = std::chrono::seconds(settings::kServiceIdleSeconds);
  // While every place is taken and a client waits for one, the connection
  // that has waited longest for a head gives its place up once it has
  // waited this long: a new connection, whose head a real client sends at
  // once, and one kept alive after an answer, which a client may reuse.
  std::chrono::milliseconds newGrace{500};
  std::chrono::milliseconds keptAliveGrace{7'500};
};

class ConnectionGate {
 public:
  // Whether a client just accepted on the listener at `listener` is let
  // in; the gate closes the socket of one that is not.
  using Allow = std::function<bool(const sockaddr* client, const sockaddr* listener)>;
  // Takes over the socket of a client let in, to serve it; false when it
  // could not (the socket is then closed).
  using Serve = std::function<bool(qintptr socket, const sockaddr* client)>;

  ConnectionGate(GateTiming timing, Allow allow, Serve serve);
  ~ConnectionGate();  // stops accepting and closes the listeners

  // Listens on `address`, a loopback address with a port (0: any free
  // one). The port, 0 on failure.
  quint16 listen(const sockaddr* address);

  // Starts accepting, on a thread of its own; stop() ends it. Connections
  // already served are the HTTP library's to end.
  void start();
  void stop();

  // What the HTTP library tells of a connection, on its own thread: it is
  // served (nullptr for a socket the gate did not admit), its request head
  // is complete, it waits for its next head after an answer, it is closed.
  struct Place;
  Place* opened(qintptr socket);
  void headComplete(Place* place);
  void answered(Place* place);
  void closed(Place* place);

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace orvanta::service
