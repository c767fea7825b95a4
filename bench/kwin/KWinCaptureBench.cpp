// Capture of 50 Wayland windows in process through the seam, from the model the KWin script's
// reports keep.
#include <benchmark/benchmark.h>

#include "KWinBenchDesktop.h"

namespace {

using namespace vantrel;
using namespace vantrel::bench;

void BM_CaptureInProcess(benchmark::State& state) {
    Engine engine;
    if (!engine.start()) {
        state.SkipWithError("KWin's script never reported the desktop");
        return;
    }
    std::size_t captured = 0;
    for (auto _ : state) captured = engine.service->captureWindows().size();
    state.counters["windows"] = static_cast<double>(captured);
}
BENCHMARK(BM_CaptureInProcess)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
