// The connection gate on POSIX sockets: one thread polls the listeners and
// a wake-up pipe, accepts while a place is free, and closes the connections
// whose head is overdue or whose place a waiting client needs. A connection
// is ended by shutting its socket down: the HTTP library then reads the end
// and closes it as it closes any connection the client ended.
#include "connection_gate.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

namespace orvanta::service {

using Clock = std::chrono::steady_clock;

struct ConnectionGate::Place {
  int socket = -1;
  bool served = false;         // the HTTP library has taken it up
  bool waitingForHead = true;  // no request of it is being answered
  bool keptAlive = false;      // it has had an answer already
  bool closing = false;        // shut down by the gate, not yet closed
  Clock::time_point waitingSince;
};

struct ConnectionGate::State {
  struct Listener {
    int socket = -1;
    sockaddr_storage address{};  // with the bound port
  };

  GateTiming timing;
  Allow allow;
  Serve serve;
  std::vector<Listener> listeners;
  int wake[2] = {-1, -1};
  std::thread thread;

  std::mutex mutex;  // guards everything below
  bool stopping = false;
  // When the system last had no descriptor for a socket: accepting rests
  // a moment, or until a place ends, instead of spinning on the listener.
  std::optional<Clock::time_point> outOfDescriptors;
  std::unordered_map<int, std::unique_ptr<Place>> places;  // by socket
  // How many places are shut down and not yet closed.
  std::size_t closing = 0;

  void wakeUp() const {
    const char byte = 0;
    (void)!::write(wake[1], &byte, 1);
  }

  void endPlace(Place& place) {
    ::shutdown(place.socket, SHUT_RDWR);
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

namespace {

socklen_t addressSize(const sockaddr* address) {
  return address->sa_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
}

}  // namespace

ConnectionGate::ConnectionGate(GateTiming timing, Allow allow, Serve serve) : state_(std::make_unique<State>()) {
  state_->timing = timing;
  state_->allow = std::move(allow);
  state_->serve = std::move(serve);
  if (::pipe2(state_->wake, O_CLOEXEC | O_NONBLOCK) != 0) state_->wake[0] = state_->wake[1] = -1;
}

ConnectionGate::~ConnectionGate() {
  stop();
  for (const State::Listener& listener : state_->listeners) ::close(listener.socket);
  for (const int end : state_->wake) {
    if (end >= 0) ::close(end);
  }
}

quint16 ConnectionGate::listen(const sockaddr* address) {
  const int fd = ::socket(address->sa_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return 0;
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (address->sa_family == AF_INET6) ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
  State::Listener listener;
  socklen_t size = sizeof listener.address;
  if (::bind(fd, address, addressSize(address)) != 0 || ::listen(fd, SOMAXCONN) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&listener.address), &size) != 0) {
    ::close(fd);
    return 0;
  }
  listener.socket = fd;
  state_->listeners.push_back(listener);
  const auto* bound = reinterpret_cast<const sockaddr*>(&listener.address);
  return ntohs(bound->sa_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6*>(bound)->sin6_port
                                            : reinterpret_cast<const sockaddr_in*>(bound)->sin_port);
}

void ConnectionGate::start() {
  if (state_->thread.joinable() || state_->wake[0] < 0) return;
  state_->thread = std::thread([state = state_.get()] { state->run(); });
}

void ConnectionGate::stop() {
  {
    const std::lock_guard lock(state_->mutex);
    state_->stopping = true;
  }
  state_->wakeUp();
  if (state_->thread.joinable()) state_->thread.join();
}

ConnectionGate::Place* ConnectionGate::opened(qintptr socket) {
  const std::lock_guard lock(state_->mutex);
  const auto it = state_->places.find(static_cast<int>(socket));
  if (it == state_->places.end()) return nullptr;
  it->second->served = true;
  state_->wakeUp();  // a place that may now give way
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
  state_->wakeUp();
}

void ConnectionGate::closed(Place* place) {
  if (!place) return;
  const std::lock_guard lock(state_->mutex);
  if (place->closing) --state_->closing;
  state_->outOfDescriptors.reset();
  if (const auto it = state_->places.find(place->socket); it != state_->places.end() && it->second.get() == place) {
    state_->places.erase(it);
  }
  state_->wakeUp();
}

void ConnectionGate::State::acceptFrom(const Listener& listener, std::unique_lock<std::mutex>& lock) {
  while (!stopping && places.size() < static_cast<std::size_t>(timing.places)) {
    sockaddr_storage client{};
    socklen_t size = sizeof client;
    const int fd =
        ::accept4(listener.socket, reinterpret_cast<sockaddr*>(&client), &size, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      // Without a descriptor for it the client stays queued.
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) outOfDescriptors = Clock::now();
      return;
    }
    auto place = std::make_unique<Place>();
    place->socket = fd;
    place->waitingSince = Clock::now();
    // A socket number the library closed without telling is free again.
    if (const auto stale = places.find(fd); stale != places.end() && stale->second->closing) --closing;
    places[fd] = std::move(place);
    lock.unlock();
    const auto* clientAddress = reinterpret_cast<const sockaddr*>(&client);
    const bool allowed = allow(clientAddress, reinterpret_cast<const sockaddr*>(&listener.address));
    if (!allowed) ::close(fd);
    const bool admitted = allowed && serve(fd, clientAddress);
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

    std::vector<pollfd> polled{{wake[0], POLLIN, 0}};
    if (watchListeners) {
      for (const Listener& listener : listeners) polled.push_back({listener.socket, POLLIN, 0});
    }
    int timeoutMs = -1;
    if (next) {
      const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - now).count();
      timeoutMs = static_cast<int>(std::clamp<long long>(wait, 0, 60'000));
    }
    lock.unlock();
    const int ready = ::poll(polled.data(), polled.size(), timeoutMs);
    char drained[64];
    while (::read(wake[0], drained, sizeof drained) > 0) {
    }
    lock.lock();
    if (ready <= 0 || stopping) continue;

    for (std::size_t i = 1; i < polled.size(); ++i) {
      if (!(polled[i].revents & POLLIN)) continue;
      if (places.size() < static_cast<std::size_t>(timing.places)) {
        acceptFrom(listeners[i - 1], lock);
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
