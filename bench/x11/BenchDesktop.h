// The X session the X11 benchmarks share: a private Xvfb + openbox with 100 windows of 10
// applications, and the engine over a fresh backend.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "XSession.h"
#include "base/Clock.h"
#include "base/Log.h"
#include "base/ManualLoop.h"
#include "engine/DesktopAdapter.h"
#include "engine/SpaceService.h"
#include "engine/WindowService.h"
#include "platform/x11/X11Desktop.h"

namespace vantrel::bench {

constexpr int kWindows = 100;

struct Desktop {
    std::string dataDir;
    std::unique_ptr<testing::XSession> session;
    std::vector<testing::TestWindow> windows;

    Desktop();
    ~Desktop();
};

// Started on first use, ended when the program exits.
Desktop& desktop();

// A backend on the shared session with the engine over it, permission granted. `clock` is what
// the engine sleeps on.
struct Engine {
    explicit Engine(Clock& engineClock) : clock(engineClock) {}
    Engine() : clock(systemClock) {}
    bool start();

    MemoryLog log;
    ManualLoop loop;
    SystemClock systemClock;
    Clock& clock;
    X11Desktop x11{log, loop, clock};
    DesktopAdapter seam{x11};
    std::optional<SpaceService> spaces;
    std::optional<WindowService> service;
};

double median(std::vector<double> values);

}  // namespace vantrel::bench
