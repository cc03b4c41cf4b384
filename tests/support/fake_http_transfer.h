// An HTTP transfer for headless tests: records every request in order and
// answers GETs from a table of scripted answers and failures; an address
// without either fails like an answer that broke off.
#pragma once

#include "platform/http_transfer.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>

namespace orvanta::testing {

class FakeHttpTransfer : public platform::HttpTransfer {
 public:
  using Error = platform::HttpResult::Error;

  struct Request {
    bool navigation;  // true for a navigation, false for a GET
    QString address;
    int session;      // the session a GET went through, -1 for a navigation
    bool operator==(const Request&) const = default;
  };

  // The answer every later GET of `address` gets.
  void answer(const QString& address, const QString& body, int status = 200) {
    answers_.insert(address, {Error::None, status, body});
  }
  // Every later GET of `address` fails with `error`.
  void fail(const QString& address, Error error) { answers_.insert(address, {error, 0, {}}); }
  // How a GET of an address with nothing scripted fails.
  void failUnscripted(Error error) { unscripted_ = error; }
  void clearAnswers() { answers_.clear(); }
  // Runs inside each GET, as a real wait runs other events.
  void setDuringGet(std::function<void(const QString& address)> hook) { duringGet_ = std::move(hook); }

  const QList<Request>& requests() const { return requests_; }
  QStringList getAddresses() const;
  // The deadline each GET was given, in the order of the GETs.
  const QList<QDeadlineTimer>& deadlines() const { return deadlines_; }
  void clearRequests() {
    requests_.clear();
    deadlines_.clear();
  }
  int sessionsOpened() const { return sessions_; }
  // How many GETs were cancelled while they waited (inside the hook).
  int cancels() const { return cancels_; }

  std::unique_ptr<platform::HttpSession> openSession() override;
  void navigate(const QString& address) override { requests_.append({true, address, -1}); }

 private:
  friend class FakeHttpSession;
  struct Scripted {
    Error error;
    int status;
    QString body;
  };
  platform::HttpResult fetch(const QString& address, QDeadlineTimer deadline, int session);

  QHash<QString, Scripted> answers_;
  Error unscripted_ = Error::Broken;
  std::function<void(const QString&)> duringGet_;
  QList<Request> requests_;
  QList<QDeadlineTimer> deadlines_;
  int sessions_ = 0;
  int cancels_ = 0;
};

}  // namespace orvanta::testing
