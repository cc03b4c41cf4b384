// The scripted HTTP transfer.
#include "fake_http_transfer.h"

#include "platform/http_address.h"

namespace orvanta::testing {

class FakeHttpSession : public platform::HttpSession {
 public:
  FakeHttpSession(FakeHttpTransfer& transfer, int id) : transfer_(transfer), id_(id) {}
  platform::HttpResult fetch(const QString& address, QDeadlineTimer deadline) override {
    waiting_ = true;
    cancelled_ = false;
    platform::HttpResult result = transfer_.fetch(address, deadline, id_);
    waiting_ = false;
    if (cancelled_) {
      result.error = FakeHttpTransfer::Error::Interrupted;
      result.status = 0;
      result.body.clear();
    }
    return result;
  }
  void cancel() override {
    if (!waiting_) return;
    cancelled_ = true;
    ++transfer_.cancels_;
  }

 private:
  FakeHttpTransfer& transfer_;
  int id_;
  bool waiting_ = false;
  bool cancelled_ = false;
};

QStringList FakeHttpTransfer::getAddresses() const {
  QStringList addresses;
  for (const Request& request : requests_) {
    if (!request.navigation) addresses.append(request.address);
  }
  return addresses;
}

std::unique_ptr<platform::HttpSession> FakeHttpTransfer::openSession() {
  return std::make_unique<FakeHttpSession>(*this, sessions_++);
}

platform::HttpResult FakeHttpTransfer::fetch(const QString& address, QDeadlineTimer deadline, int session) {
  requests_.append({false, address, session});
  deadlines_.append(deadline);
  // Look the answer up before the hook runs: the hook may destroy whoever
  // scripted it.
  platform::HttpResult result;
  if (const auto parsed = platform::parseHttpAddress(address)) result.server = platform::serverName(*parsed);
  const auto found = answers_.constFind(address);
  if (found != answers_.cend()) {
    result.error = found->error;
    result.status = found->status;
    result.body = found->body;
  } else {
    result.error = unscripted_;
  }
  if (duringGet_) duringGet_(address);
  return result;
}

}  // namespace orvanta::testing
