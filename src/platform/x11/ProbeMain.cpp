// vantrel-x11-probe: connects to the X server and prints what the backend sees.
#include <cstdio>
#include <string>

#include "base/Clock.h"
#include "base/Log.h"
#include "base/ManualLoop.h"
#include "platform/x11/X11Desktop.h"

namespace {

using namespace vantrel;

void printWindows(const native::Snapshot& snapshot) {
    for (const auto& app : snapshot.apps) {
        std::printf("app %s \"%s\" pid %d %s\n", app.id.value_or("-").c_str(),
                    app.name.value_or("").c_str(), app.pid,
                    app.role == native::AppRole::regular ? "regular" : "accessory");
        const auto windows = snapshot.windowsOf(app.handle);
        for (std::size_t i = 0; i < windows.size(); ++i) {
            const native::Window& w = *windows[i];
            std::printf("  [%zu] \"%s\" %gx%g%+g%+g%s%s\n", i, w.title.value_or("").c_str(),
                        w.frame.width, w.frame.height, w.frame.x, w.frame.y, w.main ? " main" : "",
                        w.minimized ? " minimized" : "");
        }
    }
}

void printMonitors(const native::Snapshot& snapshot) {
    for (const auto& m : snapshot.monitors) {
        std::printf("screen %u \"%s\" frame %gx%g%+g%+g visible %gx%g%+g%+g\n", m.id.value_or(0),
                    m.name.value_or("").c_str(), m.frame.width, m.frame.height, m.frame.x,
                    m.frame.y, m.workArea.width, m.workArea.height, m.workArea.x, m.workArea.y);
    }
}

void printDesktops(const native::Snapshot& snapshot) {
    for (std::int64_t i = 0; i < snapshot.workspaces.count; ++i) {
        std::printf("desktop %lld:", static_cast<long long>(i + 1));
        for (const auto& w : snapshot.windows)
            if (w.sticky || w.workspace == i)
                std::printf(" 0x%llx", static_cast<unsigned long long>(w.id));
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    ManualLoop queue;  // nothing is observed: events are not needed
    SystemClock clock;
    StdoutLog log;
    X11Options options;
    if (argc > 1) options.display = argv[1];
    X11Desktop desktop(log, queue, clock, options);
    if (Status status = desktop.connect(); !status) {
        std::fprintf(stderr, "%s\n", status.error().message.c_str());
        return 1;
    }
    std::printf("trusted %s\n", desktop.capabilities().canMove ? "yes" : "no");
    const auto snapshot = desktop.snapshot();
    if (const auto* front = snapshot->frontmost ? snapshot->app(*snapshot->frontmost) : nullptr)
        std::printf("frontmost %s\n", front->id.value_or("-").c_str());
    printWindows(*snapshot);
    printMonitors(*snapshot);
    printDesktops(*snapshot);
    return 0;
}
