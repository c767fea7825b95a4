// What the backend benchmarks share: the engine over a backend's desktop as the app composes it, a
// clock that counts the sleeps it is asked for, statistics, a press handed over between threads,
// and the restore-overhead measurement.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "base/Log.h"
#include "base/ManualLoop.h"
#include "engine/DesktopAdapter.h"
#include "engine/SpaceService.h"
#include "engine/WindowService.h"

namespace vantrel::bench {

// What a backend is built on, so it comes first in a benchmark's engine. `clock` is what the
// engine and the backend sleep on.
struct EngineContext {
    explicit EngineContext(Clock& engineClock) : clock(engineClock) {}
    EngineContext() : clock(systemClock) {}

    MemoryLog log;
    ManualLoop loop;
    SystemClock systemClock;
    Clock& clock;
};

// The engine's services over one desktop, made once the backend is connected.
struct EngineServices {
    EngineServices(native::NativeDesktop& desktop, EngineContext& context)
        : seam(desktop), context_(context) {}
    // Makes the services and runs the permission check the app runs first; whether it is granted.
    bool startServices();

    DesktopAdapter seam;
    std::optional<SpaceService> spaces;
    std::optional<WindowService> service;

  private:
    EngineContext& context_;
};

// Sleeps for real and adds up what it was asked to sleep.
class CountingClock final : public Clock {
  public:
    TimePoint now() const override { return real_.now(); }
    Date wallNow() const override { return real_.wallNow(); }
    void sleepFor(Duration duration) override {
        asked += duration;
        real_.sleepFor(duration);
    }
    Duration asked{};

  private:
    SystemClock real_;
};

using Steady = std::chrono::steady_clock;

// Within a compositor's rounding (the backends' own tolerance).
bool near(const Rect& a, const Rect& b);

double milliseconds(Steady::duration duration);
double median(std::vector<double> values);
double mean(const std::vector<double>& values);
// The values' mean and median as the counters `name`_mean and `name`_median.
void addFigures(benchmark::State& state, const std::string& name,
                const std::vector<double>& values);

// A hotkey press, told from the hotkey service's thread to the benchmark's, with when it came.
class PressSignal {
  public:
    void reset();
    void notify();
    // When the press came, waiting at most `timeout`; none at the deadline.
    std::optional<Steady::time_point> wait(std::chrono::milliseconds timeout);

  private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::optional<Steady::time_point> at_;
};

// Restores the first state.range(0) windows of a capture through the engine, alternately shifted
// by `shift` (x, y and width; height unchanged) and back, so that every window moves each time.
// Counts the time beyond the sleeps `clock` was asked for, per window (median of the rounds).
void restoreOverheadPerWindow(benchmark::State& state, WindowService& service, CountingClock& clock,
                              Rect shift);

// The capture and the restore overhead, which the compositor benchmarks run alike over their own
// Engine (made with a clock or without; start() false when the desktop never came).
template <class Engine>
void captureInProcess(benchmark::State& state, const char* notReady) {
    Engine engine;
    if (!engine.start()) {
        state.SkipWithError(notReady);
        return;
    }
    std::size_t captured = 0;
    for (auto _ : state) captured = engine.service->captureWindows().size();
    state.counters["windows"] = static_cast<double>(captured);
}

template <class Engine>
void restoreOverhead(benchmark::State& state, const char* notReady, Rect shift) {
    CountingClock clock;
    Engine engine(clock);
    if (!engine.start()) {
        state.SkipWithError(notReady);
        return;
    }
    restoreOverheadPerWindow(state, *engine.service, clock, shift);
}

}  // namespace vantrel::bench
