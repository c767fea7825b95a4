// Runs Qt's event loop until a condition holds, within a generous limit so a failure ends.
#pragma once

#include <QCoreApplication>
#include <QTimer>
#include <functional>

namespace vantrel::testing {

// False if `done` did not hold within `limitMs`; the guard timer wakes the loop at the limit.
inline bool waitUntil(const std::function<bool()>& done, int limitMs = 20000) {
    QTimer guard;
    guard.setSingleShot(true);
    guard.start(limitMs);
    while (!done()) {
        if (!guard.isActive()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

}  // namespace vantrel::testing
