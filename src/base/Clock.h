// The clock every service reads time from and sleeps through, so tests can run on virtual time.
#pragma once

#include <functional>

#include "base/Time.h"

namespace vantrel {

class Clock {
  public:
    virtual ~Clock() = default;
    // Monotonic now, for timers and delays.
    virtual TimePoint now() const = 0;
    // Wall-clock now, for dates stored in layouts.
    virtual Date wallNow() const = 0;
    // Blocks the calling thread for the given time (virtual clocks return at once).
    virtual void sleepFor(Duration duration) = 0;
};

// Sleeps `duration` on the clock, in steps of at most 100 ms when `stopped` is given, so a stop
// is seen within one step; false when it was stopped.
bool sleepUnlessStopped(Clock& clock, Duration duration, const std::function<bool()>& stopped);

// The real clock: steady_clock, system_clock and std::this_thread::sleep_for.
class SystemClock final : public Clock {
  public:
    TimePoint now() const override;
    Date wallNow() const override;
    void sleepFor(Duration duration) override;
};

}  // namespace vantrel
