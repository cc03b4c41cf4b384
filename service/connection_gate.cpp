// The connection gate: one thread waits on the listeners and a wake-up,
// accepts while a place is free, and closes the connections whose head is
// overdue or whose place a waiting client needs. A connection is ended by
// shutting its socket down: the HTTP library then reads the end and closes
// it as it closes any connection the client ended.
#include "connection_gate.h"

#include "connection_gate_system.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

namespace orvanta::service {

using Clock = std::chrono::steady_clock;
using gate_system::Socket;

struct ConnectionGate::Place {
  Socket socket = gate_system::kNoSocket;
  bool served = false;         // the HTTP library has taken it up
  bool waitingForHead = true;  // no request of it is being answered
  bool keptAlive = false;      // it has had an answer already
  bool closing = false;        // shut down by the gate, not yet closed
  Clock::time_point waitingSince;
};

struct ConnectionGate::State {
  struct Listener {
    Socket socket = gate_system::kNoSocket;
    gate_system::Address address;  // with the bound port
  };

  GateTiming timing;
  Allow allow;
  Serve serve;
  std::vector<Listener> listeners;
  gate_system::Waiter waiter;
  std::thread thread;

  std::mutex mutex;  // guards everything below
  bool stopping = false;
  // When the system last had no descriptor for a socket: accepting rests
  // a moment, or until a place ends, instead of spinning on the listener.
  std::optional<Clock::time_point> outOfDescriptors;
  std::unordered_map<Socket, std::unique_ptr<Place>> places;  // by socket
  // How many places are shut down and not yet closed.
  std::size_t closing = 0;

  void endPlace(Place& place) {
    gate_system::shutDown(place.socket);
    place.closing = true;
    ++closing;
  }

  // Accepts from `listener` while a place is free.
  void acceptFrom(const Listener& listener, std::unique_lock<std::mutex>& lock);
  // Ends the connections whose head is overdue; returns the served
  // connection that has waited longest for a head among those that would
  // give way now, and brings `next` forward to when the next one is due.
  Place* sweep(Clock::time_point now, std::optional<Clock::time_point>& next);
  void run();
};

ConnectionGate::ConnectionGate(GateTiming timing, Allow allow, Serve serve) : state_(std::make_unique<State>()) {
  state_->timing = timing;
  state_->allow = std::move(allow);
  state_->serve = std::move(serve);
}

ConnectionGate::~ConnectionGate() {
  stop();
  for (const State::Listener& listener : state_->listeners) gate_system::closeSocket(listener.socket);
}

quint16 ConnectionGate::listen(const sockaddr* address) {
  State::Listener listener;
  listener.socket = gate_system::listenOn(address, &listener.address);
  if (listener.socket == gate_system::kNoSocket) return 0;
  state_->listeners.push_back(listener);
  return gate_system::portOf(listener.address.get());
}

void ConnectionGate::start() {
  if (state_->thread.joinable() || !state_->waiter.valid()) return;
  state_->thread = std::thread([state = state_.get()] { state->run(); });
}

void ConnectionGate::stop() {
  {
    const std::lock_guard lock(state_->mutex);
    state_->stopping = true;
  }
  state_->waiter.wake();
  if (state_->thread.joinable()) state_->thread.join();
}

ConnectionGate::Place* ConnectionGate::opened(qintptr socket) {
  const std::lock_guard lock(state_->mutex);
  const auto it = state_->places.find(socket);
  if (it == state_->places.end()) return nullptr;
  it->second->served = true;
  state_->waiter.wake();  // a place that may now give way
  return it->second.get();
}

void ConnectionGate::headComplete(Place* place) {
  if (!place) return;
  const std::lock_guard lock(state_->mutex);
  place->waitingForHead = false;
}

void ConnectionGate::answered(Place* place) {
  if (!place) return;
  const std::lock_guard lock(state_->mutex);
  place->waitingForHead = true;
  place->keptAlive = true;
  place->waitingSince = Clock::now();
  state_->waiter.wake();
}

void ConnectionGate::closed(Place* place) {
  if (!place) return;
  const std::lock_guard lock(state_->mutex);
  if (place->closing) --state_->closing;
  state_->outOfDescriptors.reset();
  if (const auto it = state_->places.find(place->socket); it != state_->places.end() && it->second.get() == place) {
    state_->places.erase(it);
  }
  state_->waiter.wake();
}

void ConnectionGate::State::acceptFrom(const Listener& listener, std::unique_lock<std::mutex>& lock) {
  while (!stopping && places.size() < static_cast<std::size_t>(timing.places)) {
    Socket fd = gate_system::kNoSocket;
    gate_system::Address client;
    const gate_system::Accepted accepted = gate_system::acceptClient(listener.socket, &fd, &client);
    if (accepted == gate_system::Accepted::Again) continue;
    // Without a descriptor for it the client stays queued.
    if (accepted == gate_system::Accepted::NoDescriptors) outOfDescriptors = Clock::now();
    if (accepted != gate_system::Accepted::Client) return;
    auto place = std::make_unique<Place>();
    place->socket = fd;
    place->waitingSince = Clock::now();
    // A socket number the library closed without telling is free again.
    if (const auto stale = places.find(fd); stale != places.end() && stale->second->closing) --closing;
    places[fd] = std::move(place);
    lock.unlock();
    const bool allowed = allow(client.get(), listener.address.get());
    if (!allowed) gate_system::closeSocket(fd);
    const bool admitted = allowed && serve(fd, client.get());
    lock.lock();
    if (!admitted) {
      const auto it = places.find(fd);
      if (it != places.end() && !it->second->served) places.erase(it);
    }
  }
}

ConnectionGate::Place* ConnectionGate::State::sweep(Clock::time_point now, std::optional<Clock::time_point>& next) {
  const auto soonest = [&](Clock::time_point when) {
    if (!next || when < *next) next = when;
  };
  Place* yielding = nullptr;
  for (const auto& [fd, place] : places) {
    if (!place->served || !place->waitingForHead || place->closing) continue;
    const Clock::time_point due = place->waitingSince + timing.headTime;
    if (now >= due) {
      endPlace(*place);
      continue;
    }
    soonest(due);
    const Clock::time_point yields = place->waitingSince + (place->keptAlive ? timing.keptAliveGrace : timing.newGrace);
    if (now < yields) {
      soonest(yields);
    } else if (!yielding || place->waitingSince < yielding->waitingSince) {
      yielding = place.get();
    }
  }
  return yielding;
}

void ConnectionGate::State::run() {
  constexpr auto kAcceptRest = std::chrono::milliseconds(250);
  std::unique_lock lock(mutex);
  while (!stopping) {
    const Clock::time_point now = Clock::now();
    std::optional<Clock::time_point> next;
    const bool canYield = sweep(now, next) != nullptr;
    const bool full = places.size() >= static_cast<std::size_t>(timing.places);
    if (outOfDescriptors && now >= *outOfDescriptors + kAcceptRest) outOfDescriptors.reset();
    if (outOfDescriptors && (!next || *outOfDescriptors + kAcceptRest < *next)) next = *outOfDescriptors + kAcceptRest;
    // While full, the listeners are watched only when a place could be
    // freed for a waiting client (and none is being freed already).
    const bool watchListeners = !outOfDescriptors && (!full || (closing == 0 && canYield));

    std::vector<Socket> watched;
    if (watchListeners) {
      for (const Listener& listener : listeners) watched.push_back(listener.socket);
    }
    int timeoutMs = -1;
    if (next) {
      const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - now).count();
      timeoutMs = static_cast<int>(std::clamp<long long>(wait, 0, 60'000));
    }
    lock.unlock();
    std::vector<bool> ready;
    waiter.wait(watched, timeoutMs, ready);
    lock.lock();
    if (stopping) continue;

    for (std::size_t i = 0; i < watched.size(); ++i) {
      if (!ready[i]) continue;
      if (places.size() < static_cast<std::size_t>(timing.places)) {
        acceptFrom(listeners[i], lock);
      } else if (closing == 0) {
        // A client waits and every place is taken: the connection waiting
        // longest for a head gives way; a later round accepts once the
        // library has closed it.
        std::optional<Clock::time_point> unused;
        if (Place* yielding = sweep(Clock::now(), unused); yielding && closing == 0) endPlace(*yielding);
      }
    }
  }
}

}  // namespace orvanta::service
