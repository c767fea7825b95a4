// The benchmarks' shared engine, statistics and restore-overhead measurement.
#include "BenchEngine.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numeric>

namespace vantrel::bench {

bool EngineServices::startServices() {
    spaces.emplace(seam, context_.loop);
    service.emplace(seam, *spaces, context_.loop, context_.clock, context_.log);
    service->checkAccessibilityPermission();
    context_.loop.runPending();
    return service->hasAccessibilityPermission.get();
}

bool near(const Rect& a, const Rect& b) {
    constexpr double kTolerance = 2.0;
    return std::abs(a.x - b.x) <= kTolerance && std::abs(a.y - b.y) <= kTolerance &&
           std::abs(a.width - b.width) <= kTolerance && std::abs(a.height - b.height) <= kTolerance;
}

double milliseconds(Steady::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double mean(const std::vector<double>& values) {
    if (values.empty()) return 0;
    return std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
}

void addFigures(benchmark::State& state, const std::string& name,
                const std::vector<double>& values) {
    state.counters[name + "_mean"] = mean(values);
    state.counters[name + "_median"] = median(values);
}

void PressSignal::reset() {
    std::lock_guard lock(mutex_);
    at_.reset();
}

void PressSignal::notify() {
    std::lock_guard lock(mutex_);
    at_ = Steady::now();
    posted_.notify_all();
}

std::optional<Steady::time_point> PressSignal::wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    posted_.wait_for(lock, timeout, [&] { return at_.has_value(); });
    return at_;
}

void restoreOverheadPerWindow(benchmark::State& state, WindowService& service, CountingClock& clock,
                              Rect shift) {
    const auto count = static_cast<std::size_t>(state.range(0));
    std::vector<WindowState> there = service.captureWindows();
    if (there.size() < count) {
        state.SkipWithError("too few windows");
        return;
    }
    there.resize(count);
    std::vector<WindowState> back = there;
    for (auto& window : there) {
        window.frameX += shift.x;
        window.frameY += shift.y;
        window.frameWidth += shift.width;
    }
    std::vector<double> overheads;
    std::int64_t restored = 0;
    int round = 0;
    for (auto _ : state) {
        const auto& layout = round++ % 2 == 0 ? there : back;
        clock.asked = Duration{};
        const auto start = Steady::now();
        const RestoreSummary summary =
            service.restoreWindows(layout, std::nullopt, false, false, false, false);
        const auto wall = Steady::now() - start;
        restored = summary.restoredWindows;
        overheads.push_back(std::chrono::duration<double, std::milli>(wall - clock.asked).count() /
                            static_cast<double>(count));
    }
    state.counters["overhead_ms_per_window"] = median(overheads);
    state.counters["restored"] = static_cast<double>(restored);
}

}  // namespace vantrel::bench
