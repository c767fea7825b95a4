// The real clock.
#include "base/Clock.h"

#include <thread>

namespace vantrel {

TimePoint SystemClock::now() const {
    return std::chrono::time_point_cast<Duration>(std::chrono::steady_clock::now());
}

Date SystemClock::wallNow() const {
    return std::chrono::time_point_cast<Duration>(std::chrono::system_clock::now());
}

void SystemClock::sleepFor(Duration duration) {
    if (duration > Duration::zero()) std::this_thread::sleep_for(duration);
}

}  // namespace vantrel
