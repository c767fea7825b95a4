// The benchmarks' shared engine, statistics and restore-overhead measurement.
#include "BenchEngine.h"

#include <algorithm>
#include <chrono>
#include <numeric>

namespace vantrel::bench {

bool EngineServices::startServices() {
    spaces.emplace(seam, context_.loop);
    service.emplace(seam, *spaces, context_.loop, context_.clock, context_.log);
    service->checkAccessibilityPermission();
    context_.loop.runPending();
    return service->hasAccessibilityPermission.get();
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

void restoreOverheadPerWindow(benchmark::State& state, WindowService& service, CountingClock& clock,
                              Rect shift) {
    using Steady = std::chrono::steady_clock;
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
