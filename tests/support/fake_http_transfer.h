// An HTTP transfer for headless tests: records every request in order and
// answers GETs from a table of scripted answers; an address without an
// answer fails like a service that is not running.
#pragma once

#include "platform/http_transfer.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>

namespace orvanta::testing {

class FakeHttpTransfer : public platform::HttpTransfer {
 public:
  struct Request {
    bool navigation;  // true for a navigation, false for a GET
    QString address;
    int session;      // the session a GET went through, -1 for a navigation
    bool operator==(const Request&) const = default;
  };

  // The answer every later GET of `address` gets.
  void answer(const QString& address, const QString& body) { answers_.insert(address, body); }
  void clearAnswers() { answers_.clear(); }
  // Runs inside each GET, as a real wait runs other events.
  void setDuringGet(std::function<void(const QString& address)> hook) { duringGet_ = std::move(hook); }

  const QList<Request>& requests() const { return requests_; }
  QStringList getAddresses() const;
  void clearRequests() { requests_.clear(); }
  int sessionsOpened() const { return sessions_; }

  std::unique_ptr<platform::HttpSession> openSession() override;
  void navigate(const QString& address) override { requests_.append({true, address, -1}); }

 private:
  friend class FakeHttpSession;
  std::optional<QString> get(const QString& address, int session);

  QHash<QString, QString> answers_;
  std::function<void(const QString&)> duringGet_;
  QList<Request> requests_;
  int sessions_ = 0;
};

}  // namespace orvanta::testing
