// Durations and time points shared by the clock, the queues and the services.
#pragma once

#include <chrono>

namespace vantrel {

using Duration = std::chrono::nanoseconds;
// Monotonic time: timers, delays and debounces.
using TimePoint = std::chrono::time_point<std::chrono::steady_clock, Duration>;
// Wall-clock time: the creation and modification dates of layouts.
using Date = std::chrono::sys_time<Duration>;

using namespace std::chrono_literals;

}  // namespace vantrel
