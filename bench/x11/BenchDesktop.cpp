// The shared benchmark session: 100 windows, listed by the window manager before any timing.
#include "BenchDesktop.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace vantrel::bench {

using testing::eventually;
using testing::XSession;

Desktop::Desktop() {
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
        auto window = session->openWindow({"--class", "App" + std::to_string(i % 10), "--title",
                                           "Window " + std::to_string(i), "--geometry", geometry});
        if (window) windows.push_back(std::move(*window));
    }
    // Wait until the window manager lists every one of them.
    eventually([&] {
        const std::string list = XSession::run("wmctrl -l");
        return std::count(list.begin(), list.end(), '\n') >= kWindows;
    });
}

Desktop::~Desktop() {
    windows.clear();
    session.reset();
    if (!dataDir.empty()) std::filesystem::remove_all(dataDir);
}

Desktop& desktop() {
    static Desktop instance;
    return instance;
}

}  // namespace vantrel::bench
