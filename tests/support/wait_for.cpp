// Waiting on a condition: over Qt's test event pump, or by polling.
#include "wait_for.h"

#include <QDeadlineTimer>
#include <QTest>
#include <QThread>

namespace orvanta::testing {

bool waitFor(const std::function<bool()>& done, int timeoutMs) { return QTest::qWaitFor(done, timeoutMs); }

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QThread::msleep(50);
  }
  return true;
}

}  // namespace orvanta::testing
