// The Wayland benchmarks' test-client windows.
#include "BenchClients.h"

#include <chrono>

namespace vantrel::bench {

native::WindowId windowTitled(native::NativeDesktop& desktop, int window) {
    const std::string title = "Bench window " + std::to_string(window);
    for (const auto& w : desktop.snapshot()->windows)
        if (w.title == title) return w.id;
    return 0;
}

std::string startClients(const std::string& client, std::vector<testing::TestProcess>& clients) {
    for (int i = 0; i < kWindows; ++i) {
        auto process = testing::TestProcess::spawn(
            {client, "--app-id", "org.vantrel.BenchApp" + std::to_string(i % 10), "--title",
             "Bench window " + std::to_string(i), "--size", "300x200"});
        if (!process) return "Cannot start the Wayland test client";
        clients.push_back(std::move(*process));
    }
    for (auto& process : clients)
        if (process.readLine(std::chrono::seconds{60}) != "mapped") return "A client never mapped";
    return {};
}

}  // namespace vantrel::bench
