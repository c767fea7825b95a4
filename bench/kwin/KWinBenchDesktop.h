// The headless KWin the KWin benchmarks share: 50 Qt Wayland test-client windows of 10
// applications in a known arrangement, the engine over a fresh backend, and a watch on KWin's own
// account of one window's frame. Run them inside a fresh KWin, from the source folder:
//   tests/kwin/with-kwin.sh build/bench/kwin/vantrel_bench_kwin
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "BenchClients.h"
#include "BenchEngine.h"
#include "platform/kwin/KWinBridge.h"
#include "platform/kwin/KWinDesktop.h"
#include "platform/kwin/KWinScript.h"

namespace vantrel::bench {

// Window i is titled "Bench window i" and starts at this frame (a grid in the 1280x800 output).
Rect startFrame(int window);

// The KWin backend, made before the engine over it.
struct WithKWinDesktop : EngineContext {
    using EngineContext::EngineContext;
    kwin::KWinBridge bridge{log};
    kwin::KWinDesktop desktop{log, loop, clock, bridge, {.outputNames = kwin::outputNames}};
};

// A fresh bridge with Vantrel's script loaded into KWin, and the engine over the desktop the
// script reports, permission granted. `before` runs once the bridge is up, before the script.
struct Engine : WithKWinDesktop, EngineServices {
    explicit Engine(Clock& engineClock)
        : WithKWinDesktop(engineClock), EngineServices(desktop, *this) {}
    Engine() : EngineServices(desktop, *this) {}
    ~Engine();
    bool start(const std::function<void()>& before = {});
    // Lets Qt deliver calls and runs the engine's queue until `condition` holds; false at the
    // deadline.
    bool settle(const std::function<bool()>& condition,
                std::chrono::milliseconds timeout = std::chrono::seconds{30});
    // The id of "Bench window i"; 0 when the backend does not list it.
    native::WindowId windowTitled(int window) { return bench::windowTitled(desktop, window); }

  private:
    bool loaded_ = false;
};

// Asks KWin's D-Bus (getWindowInfo) for one window's frame over and over, on a thread of its own,
// and notes when each new frame first showed.
class FrameWatch {
  public:
    explicit FrameWatch(std::string uuid);
    ~FrameWatch();
    // When KWin first showed `frame` after `since`.
    std::optional<Steady::time_point> arrival(const Rect& frame, Steady::time_point since);
    // The median time between two answers: the resolution of arrival().
    double pollMilliseconds();

  private:
    struct Seen {
        Steady::time_point at;
        Rect frame;
    };
    void run();

    const std::string uuid_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<Seen> seen_;
    std::vector<double> gaps_;
    std::thread thread_;
};

// KWin's own account of the window's frame; none when KWin does not know it.
std::optional<Rect> kwinFrame(const std::string& uuid);

}  // namespace vantrel::bench
