// Notices on Windows: a message box.
#include "user_notice.h"

namespace orvanta::platform {
namespace {

class MessageBoxNotice : public UserNotice {
 public:
  void tell(const QString& summary, const QString& body) override { showNoticeBox(summary, body); }
};

}  // namespace

std::unique_ptr<UserNotice> createSystemUserNotice() { return std::make_unique<MessageBoxNotice>(); }

}  // namespace orvanta::platform
