// Systems whose power source the service does not follow: always on mains
// power.
#include "power_state.h"

#include <QTimer>

namespace orvanta::service {

std::unique_ptr<PowerState> createPowerState(std::function<void(bool)> changed) {
  auto state = std::make_unique<PowerState>();
  QTimer::singleShot(0, state.get(), [changed = std::move(changed)] { changed(false); });
  return state;
}

}  // namespace orvanta::service
