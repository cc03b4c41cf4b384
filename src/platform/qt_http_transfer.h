// The HTTP transfer over Qt's TCP sockets. Requests are written by hand so
// that an address goes on the wire as typed: Qt's URL class would re-encode
// a "%" that starts no escape, and with it every other "%" of the address.
#pragma once

#include "http_transfer.h"

#include <QObject>

namespace orvanta::platform {

struct HttpLimits {
  int timeoutMs = 60'000;                  // a request that has not ended by then fails
  qint64 maxBodyBytes = 64 * 1024 * 1024;  // a longer body fails the request
};

class QtHttpTransfer : public HttpTransfer {
 public:
  explicit QtHttpTransfer(HttpLimits limits = {});
  ~QtHttpTransfer() override;

  std::unique_ptr<HttpSession> openSession() override;
  void navigate(const QString& address) override;

 private:
  HttpLimits limits_;
  QObject navigations_;  // parent of the running navigations
};

}  // namespace orvanta::platform
