// The HTTP transfer service: blocking GETs of complete addresses, returning
// the answer body as text, and the fire-and-forget navigation that the
// results window's browser makes once per search.
#pragma once

#include <QDeadlineTimer>
#include <QString>

#include <memory>
#include <optional>

namespace orvanta::platform {

// What became of one GET.
struct HttpResult {
  enum class Error {
    None,         // an answer came, whatever its status
    NotSent,      // the address is not one the program sends (another scheme, not this machine)
    Unreachable,  // no connection could be made: nothing listens there
    TimedOut,     // the answer had not ended when the time ran out
    Interrupted,  // the wait was ended from outside (the program is quitting)
    Broken,       // the answer broke off, was not HTTP or was too long
  };
  Error error = Error::NotSent;
  int status = 0;  // the answer's status code, 0 without an answer
  QString body;    // the body decoded as UTF-8, invalid sequences replaced
  QString server;  // "host:port" of the address, empty when it was not sent

  bool answered() const { return error == Error::None; }
};

// The requests of one search. Requests to the same host and port reuse
// their connection while the session lives.
class HttpSession {
 public:
  virtual ~HttpSession() = default;

  // One GET of `address`, sent as typed, that ends by `deadline` at the
  // latest and in any case within the transfer's own time limit; a request
  // that timed out is never sent again. Waiting keeps the program running:
  // it paints, its timers tick and user input is handled, so any window may
  // be closed meanwhile and callers check their window before going on.
  virtual HttpResult fetch(const QString& address, QDeadlineTimer deadline) = 0;

  // Ends the GET this session is waiting for, from an event handled during
  // the wait: its connection is closed at once and the fetch returns
  // Interrupted as soon as control goes back to it. Does nothing when no
  // GET waits.
  virtual void cancel() = 0;

  // The body of a GET that got an answer (whatever its status), nothing
  // otherwise.
  std::optional<QString> get(const QString& address) {
    HttpResult result = fetch(address, QDeadlineTimer(QDeadlineTimer::Forever));
    if (!result.answered()) return std::nullopt;
    return std::move(result.body);
  }
};

class HttpTransfer {
 public:
  virtual ~HttpTransfer() = default;

  virtual std::unique_ptr<HttpSession> openSession() = 0;

  // Starts a GET of `address` and returns at once; the answer is read and
  // dropped in the background.
  virtual void navigate(const QString& address) = 0;
};

}  // namespace orvanta::platform
