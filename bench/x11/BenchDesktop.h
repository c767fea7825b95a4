// The X session the X11 benchmarks share: a private Xvfb + openbox with 100 windows of 10
// applications, and the engine over a fresh backend.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "BenchEngine.h"
#include "XSession.h"
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

// The X11 backend, made before the engine over it.
struct WithX11Desktop : EngineContext {
    using EngineContext::EngineContext;
    X11Desktop x11{log, loop, clock};
};

// A backend on the shared session with the engine over it, permission granted. `clock` is what
// the engine sleeps on.
struct Engine : WithX11Desktop, EngineServices {
    explicit Engine(Clock& engineClock) : WithX11Desktop(engineClock), EngineServices(x11, *this) {}
    Engine() : EngineServices(x11, *this) {}
    bool start() { return x11.connect().ok() && startServices(); }
};

}  // namespace vantrel::bench
