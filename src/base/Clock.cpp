// The real clock.
#include "base/Clock.h"

#include <algorithm>

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

bool sleepUnlessStopped(Clock& clock, Duration duration, const std::function<bool()>& stopped) {
    if (!stopped) {
        if (duration > Duration::zero()) clock.sleepFor(duration);
        return true;
    }
    constexpr Duration step = std::chrono::milliseconds{100};
    for (Duration left = duration; left > Duration::zero(); left -= step) {
        if (stopped()) return false;
        clock.sleepFor(std::min(step, left));
    }
    return !stopped();
}

}  // namespace vantrel
