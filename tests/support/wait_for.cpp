// Waiting on a condition over Qt's test event pump.
#include "wait_for.h"

#include <QTest>

namespace orvanta::testing {

bool waitFor(const std::function<bool()>& done, int timeoutMs) { return QTest::qWaitFor(done, timeoutMs); }

}  // namespace orvanta::testing
