// The HTTP transfer service: blocking GETs of complete addresses, returning
// the answer body as text, and the fire-and-forget navigation that the
// results window's browser makes once per search.
#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace orvanta::platform {

// The requests of one search. Requests to the same host and port reuse
// their connection while the session lives.
class HttpSession {
 public:
  virtual ~HttpSession() = default;

  // One GET of `address`, sent as typed. Returns the whole answer body,
  // decoded as UTF-8 with invalid sequences replaced, once the transfer has
  // ended; nothing when it failed (no connection, timeout, a broken answer,
  // a body over the size limit). Status and headers are not looked at.
  // Waiting keeps the program painting and its timers ticking, but user
  // input is held back until the call returns; any window may be closed
  // meanwhile, so callers check their window before going on.
  virtual std::optional<QString> get(const QString& address) = 0;
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
