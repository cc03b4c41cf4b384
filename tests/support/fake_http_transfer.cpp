// The scripted HTTP transfer.
#include "fake_http_transfer.h"

namespace orvanta::testing {

class FakeHttpSession : public platform::HttpSession {
 public:
  FakeHttpSession(FakeHttpTransfer& transfer, int id) : transfer_(transfer), id_(id) {}
  std::optional<QString> get(const QString& address) override { return transfer_.get(address, id_); }

 private:
  FakeHttpTransfer& transfer_;
  int id_;
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

std::optional<QString> FakeHttpTransfer::get(const QString& address, int session) {
  requests_.append({false, address, session});
  // Look the answer up before the hook runs: the hook may destroy whoever
  // scripted it.
  const auto found = answers_.constFind(address);
  std::optional<QString> result;
  if (found != answers_.cend()) result = *found;
  if (duringGet_) duringGet_(address);
  return result;
}

}  // namespace orvanta::testing
