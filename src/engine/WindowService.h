// The window engine: accessibility permission, capture of the open windows, restore of a layout.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/Clock.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "base/NotificationCenter.h"
#include "base/Published.h"
#include "engine/DisplayGeometry.h"
#include "engine/RestoreSummary.h"
#include "engine/SpaceService.h"
#include "engine/WindowSystem.h"
#include "model/WindowLayout.h"

namespace vantrel {

// Posted on the main thread when a restore stops because the layout lives on another Space.
inline constexpr const char* kLayoutSpaceMismatch = "layoutSpaceMismatch";
namespace spaceMismatchKey {
inline constexpr const char* kCapturedSpace = "capturedSpace";  // std::int64_t
inline constexpr const char* kCurrentSpace = "currentSpace";    // std::int64_t
inline constexpr const char* kWindows = "windows";              // std::vector<WindowState>
inline constexpr const char* kSavedDisplayConfig = "savedDisplayConfig";  // optional config
}  // namespace spaceMismatchKey

// What the caller of one restore shares with it while it runs: the layout's name for log lines,
// and a flag that stops it before its next window (a newer restore, Cancel, Quit).
struct RestoreControl {
    std::string layoutName;
    std::atomic<bool> cancelled{false};

    bool isCancelled() const { return cancelled.load(std::memory_order_relaxed); }
    // The applications this restore launched, noted as it launches them (any thread).
    void noteLaunch(const std::string& bundleID);
    // Whether this restore launched the application; answers true once per launch.
    bool takeLaunch(const std::string& bundleID);

  private:
    std::mutex mutex_;
    std::multiset<std::string> launched_;
};

class WindowService {
  public:
    WindowService(WindowSystem& windowSystem, SpaceService& spaces, MainQueue& mainQueue,
                  Clock& clock, NotificationCenter& notifications, Log& log);
    WindowService(const WindowService&) = delete;
    WindowService& operator=(const WindowService&) = delete;
    ~WindowService();

    // --- Permission (main thread) --------------------------------------------------------
    // Checks the permission once and polls while it is missing.
    void start();
    // Asks the platform and, when the answer differs, updates the flag: at once on the main
    // thread, else on the next main-queue turn.
    void checkAccessibilityPermission();
    // Starts the 2-second poll unless it runs or the permission is known.
    void startPermissionPolling();
    bool isPolling() const { return permissionCheckTimer_.active(); }
    // Lets the system prompt the user, then polls for the answer.
    void requestAccessibilityPermission();
    // Opens the system's permission settings; false when nothing was opened.
    bool openAccessibilitySettings();

    // Last known permission state; false until the first check has been applied. Readable from
    // any thread.
    Published<bool> hasAccessibilityPermission{false};
    // A tiling window manager keeps tiled windows where its layout puts them.
    bool windowManagerTiles() { return windowSystem_.windowManagerTiles(); }

    // --- Capture -------------------------------------------------------------------------
    std::vector<WindowState> captureWindows();
    std::vector<DisplayInfo> currentDisplayConfiguration();
    std::uint32_t displayForFrame(double x, double y, double width, double height);
    std::optional<RelativeFrame> relativeFrame(double x, double y, double width, double height,
                                               std::uint32_t displayID);
    // The window-server number of an accessibility window, matched by owner and frame.
    std::optional<std::uint32_t> matchWindowNumber(const Element& window, std::int32_t pid);

    // --- Restore (blocking; may run on a worker thread) ----------------------------------
    // `skipSpaceCheck` is the user's answer to the Space prompt, which promises the windows on
    // the current Space: the check is skipped and each window is brought there. A cancelled
    // `control` ends the restore before its next window (and before launching or closing
    // applications); the summary then counts only what was done.
    RestoreSummary restoreWindows(const std::vector<WindowState>& windows,
                                  const std::optional<DisplayConfiguration>& displayConfiguration,
                                  bool displaysChanged, bool skipSpaceCheck, bool launchMissingApps,
                                  bool closeOtherApps, RestoreControl* control = nullptr);
    // `saved` is the layout's display configuration, which relative placement needs to put the
    // window where it was on its display. A frame that X cannot carry or no monitor can show is
    // refused, not written.
    WindowRestoreResult restoreWindow(
        const WindowState& state, bool useRelative,
        const std::optional<DisplayConfiguration>& saved = std::nullopt,
        bool toCurrentSpace = false, std::string_view layoutName = {});
    // Waits, with growing pauses, until every running application of the set shows a window.
    void waitForAppWindows(const std::set<std::string>& bundleIDs, int attempts, Duration interval,
                           RestoreControl* control = nullptr);

    // Applications that closing other applications never quits.
    const std::set<std::string>& excludedBundleIDs() const { return excludedBundleIDs_; }

  private:
    struct WindowContext;
    std::optional<WindowState> makeWindowState(const Element& window,
                                               const RunningApplication& application,
                                               std::int64_t index, const WindowContext& context);
    bool spaceCheckStops(const std::vector<WindowState>& windows,
                         const std::optional<DisplayConfiguration>& displayConfiguration);
    std::int64_t launchMissingApplications(const std::vector<WindowState>& windows,
                                           RestoreControl* control);
    std::int64_t closeOtherApplications(const std::vector<WindowState>& windows);
    // The app of `state` when it runs; any activation policy.
    std::optional<RunningApplication> runningApplication(const std::string& bundleID);

    WindowSystem& windowSystem_;
    SpaceService& spaces_;
    MainQueue& mainQueue_;
    Clock& clock_;
    NotificationCenter& notifications_;
    Log& log_;
    const std::set<std::string> excludedBundleIDs_;
    TimerHandle permissionCheckTimer_;
    // Lets queued work see that the service is gone.
    std::shared_ptr<WindowService*> self_;
};

}  // namespace vantrel
