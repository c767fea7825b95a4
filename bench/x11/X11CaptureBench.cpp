// Capture of 100 windows under a private Xvfb + openbox: in process through the seam, and as
// whole processes (vantrel-x11-probe against wmctrl -lpG).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "XSession.h"
#include "base/Log.h"
#include "base/ManualLoop.h"
#include "base/NotificationCenter.h"
#include "engine/SpaceService.h"
#include "engine/WindowService.h"
#include "platform/x11/X11Desktop.h"

namespace {

using namespace vantrel;
using namespace vantrel::testing;

constexpr int kWindows = 100;

// One session with 100 windows of 10 applications, shared by every benchmark.
struct Desktop {
    std::string dataDir;
    std::unique_ptr<XSession> session;
    std::vector<TestWindow> windows;

    Desktop() {
        char pattern[] = "/tmp/vantrel-x11-bench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) return;
        dataDir = pattern;
        std::string error;
        session = XSession::start(dataDir, error);
        if (!session) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return;
        }
        for (int i = 0; i < kWindows; ++i) {
            const std::string geometry =
                "300x200+" + std::to_string(20 * (i % 50)) + "+" + std::to_string(10 * (i / 2));
            auto window =
                session->openWindow({"--class", "App" + std::to_string(i % 10), "--title",
                                     "Window " + std::to_string(i), "--geometry", geometry});
            if (window) windows.push_back(std::move(*window));
        }
        // Wait until the window manager lists every one of them.
        eventually([&] {
            const std::string list = XSession::run("wmctrl -l");
            return std::count(list.begin(), list.end(), '\n') >= kWindows;
        });
    }
    ~Desktop() {
        windows.clear();
        session.reset();
        if (!dataDir.empty()) std::filesystem::remove_all(dataDir);
    }
};

Desktop& desktop() {
    static Desktop instance;
    return instance;
}

void BM_CaptureInProcess(benchmark::State& state) {
    if (!desktop().session) {
        state.SkipWithError("no X session");
        return;
    }
    MemoryLog log;
    ManualLoop loop;
    SystemClock clock;
    NotificationCenter notifications;
    X11Desktop x11(log, loop, clock);
    if (!x11.connect().ok()) {
        state.SkipWithError("cannot connect");
        return;
    }
    SpaceService spaces(x11, loop);
    WindowService service(x11, spaces, loop, clock, notifications, log);
    service.checkAccessibilityPermission();
    loop.runPending();
    std::size_t captured = 0;
    for (auto _ : state) captured = service.captureWindows().size();
    state.counters["windows"] = static_cast<double>(captured);
}
BENCHMARK(BM_CaptureInProcess)->Unit(benchmark::kMillisecond);

void runProcess(benchmark::State& state, const std::string& command) {
    if (!desktop().session) {
        state.SkipWithError("no X session");
        return;
    }
    std::size_t lines = 0;
    for (auto _ : state) {
        const std::string output = XSession::run(command);
        lines = static_cast<std::size_t>(std::count(output.begin(), output.end(), '\n'));
    }
    state.counters["lines"] = static_cast<double>(lines);
}

void BM_ProbeProcess(benchmark::State& state) {
    runProcess(state, VANTREL_X11_PROBE);
}
BENCHMARK(BM_ProbeProcess)->Unit(benchmark::kMillisecond);

void BM_WmctrlProcess(benchmark::State& state) {
    runProcess(state, "wmctrl -lpG");
}
BENCHMARK(BM_WmctrlProcess)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
