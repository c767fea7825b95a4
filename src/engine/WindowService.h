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
#include "base/ObserverList.h"
#include "base/Published.h"
#include "engine/DisplayGeometry.h"
#include "engine/RestoreSummary.h"
#include "engine/SpaceService.h"
#include "engine/WindowSystem.h"
#include "model/WindowLayout.h"

namespace vantrel {

// A restore stopped because its layout lives on another Space: what asking the user needs.
struct SpaceMismatch {
    std::int64_t capturedSpace = 0;
    std::int64_t currentSpace = 0;
    std::vector<WindowState> windows;
    std::optional<DisplayConfiguration> savedDisplayConfig;

    friend bool operator==(const SpaceMismatch&, const SpaceMismatch&) = default;
};

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
                  Clock& clock, Log& log);
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
    // Calls `handler` on the main thread whenever a restore stops at the Space check.
    [[nodiscard]] Subscription observeSpaceMismatch(
        std::function<void(const SpaceMismatch&)> handler) {
        return spaceMismatch_.add(std::move(handler));
    }
    // Waits, with growing pauses, until every running application of the set shows a window.
    void waitForAppWindows(const std::set<std::string>& bundleIDs, int attempts, Duration interval,
                           RestoreControl* control = nullptr);

    // Applications that closing other applications never quits.
    const std::set<std::string>& excludedBundleIDs() const { return excludedBundleIDs_; }

  private:
    // Sleeps on the clock; in short steps when the restore can be stopped, so Quit never waits.
    void pause(Duration duration, RestoreControl* control);
    // The pause between windows of a restore.
    static constexpr Duration kWindowGap = std::chrono::milliseconds{50};
    // One window of a restore made ready to place: its outcome when it was settled without a
    // write (with its log line), else the frame to write.
    struct PreparedWindow {
        std::optional<WindowRestoreResult> outcome;
        FrameWrite write;
        std::string line;
    };
    // Finds the window among `running`'s, unminimises it and brings it to the current Space, and
    // works out its frame; logs nothing.
    PreparedWindow prepareWindow(const std::vector<RunningApplication>& running,
                                 const WindowState& state, bool useRelative,
                                 const std::optional<DisplayConfiguration>& saved,
                                 bool toCurrentSpace, std::string_view layoutName);
    // Prepares every window, places them in one request and counts and logs each outcome in
    // window order; false when the restore was stopped.
    bool placeAll(const std::vector<WindowState>& toPlace, bool useRelative,
                  const std::optional<DisplayConfiguration>& displayConfiguration,
                  bool toCurrentSpace, RestoreControl* control, RestoreSummary& summary);
    // The window's outcome, logged: the written ones take the next of `errors`.
    WindowRestoreResult finish(const PreparedWindow& window, const WindowState& state,
                               const std::vector<AXError>& errors, std::size_t& written);
    struct WindowContext;
    std::optional<WindowState> makeWindowState(const Element& window,
                                               const RunningApplication& application,
                                               std::int64_t index, const WindowContext& context);
    bool spaceCheckStops(const std::vector<WindowState>& windows,
                         const std::optional<DisplayConfiguration>& displayConfiguration);
    std::int64_t launchMissingApplications(const std::vector<WindowState>& windows,
                                           RestoreControl* control);
    std::int64_t closeOtherApplications(const std::vector<WindowState>& windows);

    WindowSystem& windowSystem_;
    SpaceService& spaces_;
    MainQueue& mainQueue_;
    Clock& clock_;
    ObserverList<SpaceMismatch> spaceMismatch_;
    Log& log_;
    const std::set<std::string> excludedBundleIDs_;
    TimerHandle permissionCheckTimer_;
    // Lets queued work see that the service is gone.
    std::shared_ptr<WindowService*> self_;
};

}  // namespace vantrel
