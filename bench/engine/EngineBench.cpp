// Capture of 500 windows in 50 applications, and the bookkeeping of a 100-window restore, on the
// simulated desktop with virtual time (the restore's pauses cost nothing here).
#include <benchmark/benchmark.h>

#include <string>

#include "base/Log.h"
#include "base/ManualLoop.h"
#include "base/NotificationCenter.h"
#include "engine/DesktopAdapter.h"
#include "engine/SpaceService.h"
#include "engine/WindowService.h"
#include "platform/sim/SimulatedDesktop.h"

namespace vantrel {
namespace {

// A desktop of `apps` applications with `perApp` windows each, on two screens and four Spaces.
struct World {
    ManualLoop loop;
    MemoryLog log;
    SimulatedDesktop desktop{loop, loop};
    DesktopAdapter seam{desktop};
    SpaceService spaces{seam, loop};
    WindowService service{seam, spaces, loop, loop, log};

    World(int apps, int perApp) {
        desktop.setScreens("1920x1080+0+0P,2560x1440+1920+0");
        desktop.setWorkspaces(4);
        for (int a = 0; a < apps; ++a) {
            const auto id = desktop.addApplication(SimApp{"org.example.App" + std::to_string(a),
                                                          "App " + std::to_string(a), 1000 + a,
                                                          native::AppRole::regular, false, false});
            for (int w = 0; w < perApp; ++w) {
                SimWindow window;
                window.title = "Window " + std::to_string(w);
                window.position = {10.0 * w + a, 20.0 * w};
                window.size = {800, 600};
                const auto number = desktop.addWindow(id, window);
                desktop.setWorkspace(number, (a + w) % 4);
            }
        }
        desktop.setTrusted(true);
        service.start();
        loop.runPending();
        service.captureWindows();  // starts the Space refresh outside the measurement
    }
};

void BM_Capture500Windows(benchmark::State& state) {
    World world(50, 10);
    for (auto _ : state) {
        auto windows = world.service.captureWindows();
        benchmark::DoNotOptimize(windows);
        if (windows.size() != 500) state.SkipWithError("capture lost windows");
    }
}
BENCHMARK(BM_Capture500Windows)->Unit(benchmark::kMillisecond);

void BM_Restore100Windows(benchmark::State& state) {
    World world(10, 10);
    const auto saved = world.service.captureWindows();
    const std::optional<DisplayConfiguration> config{
        DisplayConfiguration{world.service.currentDisplayConfiguration()}};
    for (auto _ : state) {
        const auto summary = world.service.restoreWindows(saved, config, false, true, false, false);
        if (summary.restoredWindows != 100) state.SkipWithError("restore missed windows");
        state.PauseTiming();
        world.desktop.clearCalls();  // keeps the call record from growing across iterations
        world.loop.clearSleeps();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Restore100Windows)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vantrel

BENCHMARK_MAIN();
