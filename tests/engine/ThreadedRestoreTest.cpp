// Restore on a real worker thread while the main thread runs the queue (run under TSan too).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "EngineFixture.h"

namespace vantrel::testing {
namespace {

class ThreadedRestoreTest : public EngineTest {};

TEST_F(ThreadedRestoreTest, RestoreOnAWorkerWhileTheMainLoopRuns) {
    grant();
    const auto mail = app("org.example.Mail", 20, false);
    desktop.setLaunch(mail, SimLaunch{1s, 2, std::nullopt});
    std::vector<WindowState> windows;
    for (int i = 0; i < 5; ++i) {
        window(mail, "w" + std::to_string(i), {0, 0, 300, 200});
        windows.push_back(windowState("org.example.Mail", i, {10.0 * i, 0, 300, 200}));
    }
    int launchesSeen = 0;
    auto launches = seam.observeApplicationLaunches([&](const RunningApplication& a) {
        EXPECT_TRUE(loop.isMainThread());
        launchesSeen += a.bundleID == "org.example.Mail" ? 1 : 0;
    });

    std::atomic<bool> done{false};
    RestoreSummary summary;
    std::thread worker([&] {
        summary = service.restoreWindows(windows, std::nullopt, false, true, true, false);
        done = true;
    });
    while (!done) {
        loop.runPending();
        (void)service.hasAccessibilityPermission.get();
        std::this_thread::yield();
    }
    worker.join();
    loop.runPending();
    EXPECT_EQ(summary, (RestoreSummary{5, 5, 0, 0, 1, 0}));
    EXPECT_EQ(launchesSeen, 1);
    EXPECT_EQ(loop.sleeps().back(), 50ms);
}

}  // namespace
}  // namespace vantrel::testing
