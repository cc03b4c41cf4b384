// The queue of the search box's held keys.
#include "held_keys.h"

#include <QCoreApplication>

namespace orvanta::results_window {

bool HeldKeys::mustWait(const QKeyEvent& key) const { return &key != delivering_ && (yielding_ || !keys_.empty()); }

void HeldKeys::deliver(QObject* receiver, const std::function<bool()>& stop) {
  while (!keys_.empty() && !stop() && !yielding_) {
    const std::unique_ptr<QKeyEvent> key = std::move(keys_.front());
    keys_.pop_front();
    delivering_ = key.get();
    QCoreApplication::sendEvent(receiver, key.get());
    delivering_ = nullptr;
  }
}

}  // namespace orvanta::results_window
