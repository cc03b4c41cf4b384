// Whether the machine runs on battery, as the system's power service tells
// it: the indexer pauses reading documents' contents while it does, so that
// a laptop in a bag is not kept busy; names stay live meanwhile.
#pragma once

#include <QObject>

#include <functional>
#include <memory>

namespace orvanta::service {

class PowerState : public QObject {
 public:
  ~PowerState() override = default;
};

// Follows the power source on the calling thread's event loop: `changed`
// is called once the source is first known (from its event loop, never
// before this returns), then with each change: true on battery, false on
// mains power. Where the system does not tell, the machine counts as on
// mains power.
std::unique_ptr<PowerState> createPowerState(std::function<void(bool onBattery)> changed);

}  // namespace orvanta::service
