// What a restore did: the outcome of each window and the counts of the whole restore.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

// The outcome of restoring one window.
enum class WindowRestoreResult { restored, appNotRunning, windowNotFound, placementFailed };

// The six counts of one restore. When it ran to its end, restored + appNotRunning + failed
// windows add up to totalWindows; when it stopped early, only totalWindows is set.
struct RestoreSummary {
    RestoreSummary() = default;
    RestoreSummary(std::int64_t total, std::int64_t restored, std::int64_t appNotRunning,
                   std::int64_t failed, std::int64_t launched, std::int64_t closed)
        : totalWindows(total),
          restoredWindows(restored),
          appNotRunningWindows(appNotRunning),
          failedWindows(failed),
          launchedApps(launched),
          closedApps(closed) {}

    std::int64_t totalWindows = 0;
    std::int64_t restoredWindows = 0;
    std::int64_t appNotRunningWindows = 0;
    std::int64_t failedWindows = 0;
    std::int64_t launchedApps = 0;
    std::int64_t closedApps = 0;
    // Stopped to ask the user about the layout's Space: not a failure.
    bool awaitingSpaceChoice = false;
    // Names of the applications whose windows were skipped because they were not running, each
    // once, in layout order.
    std::vector<std::string> missingApps;

    void count(WindowRestoreResult result) {
        switch (result) {
            case WindowRestoreResult::restored:
                ++restoredWindows;
                break;
            case WindowRestoreResult::appNotRunning:
                ++appNotRunningWindows;
                break;
            case WindowRestoreResult::windowNotFound:
            case WindowRestoreResult::placementFailed:
                ++failedWindows;
                break;
        }
    }

    friend bool operator==(const RestoreSummary&, const RestoreSummary&) = default;
};

}  // namespace vantrel
