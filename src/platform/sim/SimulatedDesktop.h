// A deterministic in-memory desktop behind the native backend interface, driven by tests through
// SimControl.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "base/MainQueue.h"
#include "base/ObserverList.h"
#include "platform/api/NativeDesktop.h"
#include "platform/sim/SimControl.h"

namespace vantrel {

// The fixed identifiers of the simulated platform.
struct SimIdentity {
    std::string fileManager = "org.example.Files";
    std::string dock = "org.example.Dock";
    std::string own = "org.vantrel.Vantrel";
    std::string settingsURL = "settings://privacy/accessibility";
};

class SimulatedDesktop final : public native::NativeDesktop, public SimControl {
  public:
    // Launches sleep through `clock`; events are delivered through `mainQueue`.
    SimulatedDesktop(Clock& clock, MainQueue& mainQueue, SimIdentity identity = {});
    ~SimulatedDesktop() override;

    // native::NativeDesktop
    std::shared_ptr<const native::Snapshot> snapshot() override;
    native::Capabilities capabilities() override;
    native::Identity identity() const override;
    std::vector<native::PlaceResult> placeWindows(const std::vector<native::Placement>& placements,
                                                  const native::StopCheck& stopped = {}) override;
    native::PlaceResult setMinimized(native::WindowId window, bool minimized) override;
    // Puts the window on the current workspace only; false when none is stated.
    bool moveToCurrentWorkspace(native::WindowId window) override;
    bool closeApplication(native::AppHandle app) override;
    bool isInstalled(std::string_view appId) override;
    Result<native::App> launch(const std::string& appId, bool activate) override;
    bool openUri(std::string_view uri) override;
    void requestAccess() override;
    Subscription observeWindows(std::function<void()> handler) override;
    Subscription observeMonitors(std::function<void()> handler) override;
    Subscription observeWorkspace(std::function<void()> handler) override;
    Subscription observeAppLaunches(std::function<void(const native::App&)> handler) override;

    // SimControl
    SimAppId addApplication(SimApp app, bool running = true) override;
    void setRunning(SimAppId app, bool running) override;
    bool isRunning(SimAppId app) const override;
    SimWindowId addWindow(SimAppId app, SimWindow window) override;
    void removeWindow(SimWindowId window) override;
    SimWindow window(SimWindowId window) const override;
    void setFrontmost(std::optional<SimAppId> app) override;
    void setFocusedWindow(SimAppId app, std::optional<SimWindowId> window) override;
    void setLaunch(SimAppId app, SimLaunch launch) override;
    void setTerminateAccepted(SimAppId app, bool accepted) override;
    void simulateLaunch(SimAppId app) override;
    void setTrusted(bool trusted) override;
    void setTiling(bool tiling) override;
    bool setScreens(std::string_view geometry) override;
    void setMonitors(std::vector<native::Monitor> monitors) override;
    void setWorkspaces(std::int64_t count) override;
    void setWorkspace(SimWindowId window, std::optional<std::int64_t> workspace,
                      bool sticky = false) override;
    void setCurrentWorkspace(std::optional<std::int64_t> index) override;
    void failWrite(SimWindowId window, SimWrite what, native::PlaceResult result,
                   int times = -1) override;
    std::vector<std::string> calls() const override;
    std::size_t callCount(std::string_view prefix) const override;
    void clearCalls() override;

    // Every address opened, in order.
    std::vector<std::string> openedURLs() const;
    int trustRequests() const;

  private:
    struct AppRecord {
        SimAppId id = 0;
        SimApp app;
        bool running = false;
        std::vector<SimWindowId> windows;
        std::optional<SimWindowId> focused;
        SimLaunch launch;
        bool terminateAccepted = true;
        int pendingEmptySnapshots = 0;
    };
    struct Fault {
        SimWindowId window = 0;
        SimWrite what = SimWrite::move;
        native::PlaceResult result = native::PlaceResult::refused;
        int remaining = -1;
    };

    AppRecord* findApp(SimAppId id);
    const AppRecord* findApp(SimAppId id) const;
    native::App recordOf(const AppRecord& app) const;
    native::Window windowOf(const AppRecord& app, SimWindowId id) const;
    void record(std::string call);
    std::optional<native::PlaceResult> takeFault(SimWindowId window, SimWrite what);
    native::PlaceResult placeLocked(const native::Placement& placement);

    Clock& clock_;
    MainQueue& mainQueue_;
    const SimIdentity identity_;
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<AppRecord>> apps_;
    std::map<SimWindowId, std::pair<SimAppId, SimWindow>> windows_;
    std::vector<SimWindowId> windowOrder_;
    std::vector<Fault> faults_;
    std::vector<std::string> calls_;
    std::vector<std::string> urls_;
    std::optional<SimAppId> frontmost_;
    bool trusted_ = true;
    bool tiling_ = false;
    int trustRequests_ = 0;
    std::vector<native::Monitor> monitors_;
    native::Workspaces workspaces_;
    SimAppId nextApp_ = 1;
    SimWindowId nextWindow_ = 1001;
    ObserverList<> screenObservers_;
    ObserverList<> spaceObservers_;
    ObserverList<> windowObservers_;
    ObserverList<native::App> launchObservers_;
};

}  // namespace vantrel
