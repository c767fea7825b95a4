// Capture of 100 windows under a private Xvfb + openbox: in process through the seam (unchanged,
// after one window changed, and from a new connection), and as whole processes
// (vantrel-x11-probe against wmctrl -lpG, interleaved, medians and their ratio).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "BenchDesktop.h"

namespace {

using namespace vantrel;
using namespace vantrel::bench;
using vantrel::testing::TestProcess;

void BM_CaptureInProcess(benchmark::State& state) {
    Engine engine;
    if (!desktop().session || !engine.start()) {
        state.SkipWithError("no X session");
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

// Another client renames one window between captures, as happens all the time on a real desktop.
void BM_CaptureAfterATitleChange(benchmark::State& state) {
    Engine engine;
    if (!desktop().session || desktop().windows.empty() || !engine.start()) {
        state.SkipWithError("no X session");
        return;
    }
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    auto* atom =
        xcb_intern_atom_reply(other, xcb_intern_atom(other, 0, 12, "_NET_WM_NAME"), nullptr);
    const xcb_atom_t netName = atom != nullptr ? atom->atom : xcb_atom_t{XCB_ATOM_WM_NAME};
    std::free(atom);
    const xcb_window_t renamed = desktop().windows.front().window;
    std::size_t captured = 0;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string title = "Renamed " + std::to_string(++round);
        xcb_change_property(other, XCB_PROP_MODE_REPLACE, renamed, netName, XCB_ATOM_STRING, 8,
                            static_cast<std::uint32_t>(title.size()), title.data());
        std::free(xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr));
        state.ResumeTiming();
        captured = engine.service->captureWindows().size();
    }
    xcb_disconnect(other);
    state.counters["windows"] = static_cast<double>(captured);
}
BENCHMARK(BM_CaptureAfterATitleChange)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// What a first capture costs: connect, list the installed entries, read every window.
void BM_ConnectAndCapture(benchmark::State& state) {
    if (!desktop().session) {
        state.SkipWithError("no X session");
        return;
    }
    std::size_t captured = 0;
    for (auto _ : state) {
        Engine engine;
        if (!engine.start()) {
            state.SkipWithError("cannot connect");
            return;
        }
        captured = engine.service->captureWindows().size();
    }
    state.counters["windows"] = static_cast<double>(captured);
}
BENCHMARK(BM_ConnectAndCapture)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Runs a program directly (no shell in between), reads all it prints, and waits for it to end.
double millisecondsToRun(const std::vector<std::string>& argv, std::size_t& lines) {
    const auto start = std::chrono::steady_clock::now();
    auto process = TestProcess::spawn(argv);
    lines = 0;
    if (!process) return 0;
    while (process->readLine(std::chrono::milliseconds{5000})) ++lines;
    process->waitForExit(std::chrono::milliseconds{5000});
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// The two tools run in turn, so a busy machine slows both alike; the ratio is of the medians.
void BM_ProbeAgainstWmctrl(benchmark::State& state) {
    if (!desktop().session) {
        state.SkipWithError("no X session");
        return;
    }
    std::vector<double> probe;
    std::vector<double> wmctrl;
    std::size_t probeLines = 0;
    std::size_t wmctrlLines = 0;
    for (auto _ : state) {
        probe.push_back(millisecondsToRun({VANTREL_X11_PROBE}, probeLines));
        wmctrl.push_back(millisecondsToRun({"/usr/bin/wmctrl", "-lpG"}, wmctrlLines));
    }
    const double probeMedian = median(probe);
    const double wmctrlMedian = median(wmctrl);
    state.counters["probe_ms"] = probeMedian;
    state.counters["wmctrl_ms"] = wmctrlMedian;
    state.counters["ratio"] = wmctrlMedian > 0 ? probeMedian / wmctrlMedian : 0;
    state.counters["probe_lines"] = static_cast<double>(probeLines);
    state.counters["wmctrl_lines"] = static_cast<double>(wmctrlLines);
}
BENCHMARK(BM_ProbeAgainstWmctrl)->Unit(benchmark::kMillisecond)->Iterations(31);

}  // namespace

BENCHMARK_MAIN();
