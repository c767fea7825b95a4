// Capture of 50 Wayland windows in process through the seam, from the model the KWin script's
// reports keep.
#include <benchmark/benchmark.h>

#include "KWinBenchDesktop.h"

namespace {

using namespace vantrel;
using namespace vantrel::bench;

void BM_CaptureInProcess(benchmark::State& state) {
    captureInProcess<Engine>(state, "KWin's script never reported the desktop");
}
BENCHMARK(BM_CaptureInProcess)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
