// A deterministic in-memory desktop behind the platform seam, driven by tests through SimControl.
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
#include "engine/WindowSystem.h"
#include "platform/sim/SimControl.h"

namespace vantrel {

// The fixed identifiers of the simulated platform.
struct SimIdentity {
    std::string fileManager = "org.example.Files";
    std::string dock = "org.example.Dock";
    std::string own = "org.vantrel.Vantrel";
    std::string settingsURL = "settings://privacy/accessibility";
};

class SimulatedDesktop final : public WindowSystem, public SimControl {
  public:
    // Launches sleep through `clock`; events are delivered through `mainQueue`.
    SimulatedDesktop(Clock& clock, MainQueue& mainQueue, SimIdentity identity = {});
    ~SimulatedDesktop() override;

    // WindowSystem
    bool isProcessTrusted() override;
    void requestTrust() override;
    Element applicationElement(const RunningApplication& application) override;
    AttributeRead copyAttribute(const Element& element, std::string_view name) override;
    AXError setAttribute(const Element& element, std::string_view name,
                         const AttributeValue& value) override;
    std::optional<std::vector<WindowServerEntry>> windowList() override;
    std::vector<RunningApplication> runningApplications() override;
    std::optional<RunningApplication> frontmostApplication() override;
    std::optional<std::string> applicationLocation(std::string_view bundleID) override;
    Result<RunningApplication> openApplication(const std::string& location,
                                               bool activates) override;
    bool terminate(const RunningApplication& application) override;
    bool openURL(std::string_view url) override;
    ScreenList screens() override;
    std::optional<PreferenceValue> spacesDisplayConfiguration() override;
    std::optional<std::int64_t> currentSpaceIndex() override;
    // Lists the window on the stated current Space only; false when none is stated.
    bool moveWindowToCurrentSpace(const Element& window) override;
    Subscription observeSpaceChanges(std::function<void()> handler) override;
    Subscription observeScreenParameters(std::function<void()> handler) override;
    Subscription observeApplicationLaunches(
        std::function<void(const RunningApplication&)> handler) override;
    std::string fileManagerBundleID() const override { return identity_.fileManager; }
    std::string dockBundleID() const override { return identity_.dock; }
    std::string ownBundleID() const override { return identity_.own; }
    std::string accessibilitySettingsURL() const override { return identity_.settingsURL; }

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
    bool windowManagerTiles() override;
    bool setScreens(std::string_view geometry) override;
    void setScreens(ScreenList screens) override;
    void setWindowListAvailable(bool available) override;
    void setWindowServerEntries(std::optional<std::vector<WindowServerEntry>> entries) override;
    void setServerBounds(SimWindowId window, WindowBounds bounds) override;
    void setSpaces(const std::vector<SimSpace>& spaces) override;
    void setSpacesData(std::optional<PreferenceValue> displayConfiguration) override;
    void setCurrentSpace(std::optional<std::int64_t> index) override;
    void failRead(SimTarget target, std::string_view attribute, AttributeRead result,
                  int times = -1) override;
    void failWrite(SimTarget target, std::string_view attribute, AXError error,
                   int times = -1) override;
    void clearFaults() override;
    std::vector<std::string> calls() const override;
    std::size_t callCount(std::string_view prefix) const override;
    void clearCalls() override;

    // Every URL opened, in order.
    std::vector<std::string> openedURLs() const;
    int trustRequests() const;

  private:
    struct AppRecord;
    struct WindowRecord;
    struct Fault;
    class SimElement;

    AppRecord* findApp(SimAppId id);
    const AppRecord* findApp(SimAppId id) const;
    RunningApplication recordOf(const AppRecord& app) const;
    void record(std::string call);
    std::optional<AttributeRead> takeReadFault(SimTarget target, std::string_view name);
    std::optional<AXError> takeWriteFault(SimTarget target, std::string_view name);
    AttributeRead readApplication(AppRecord& app, std::string_view name);
    AttributeRead readWindow(const WindowRecord& window, std::string_view name);
    Element windowElement(SimWindowId id) const;
    void announceLaunch(const RunningApplication& record);
    void announceScreens();

    Clock& clock_;
    MainQueue& mainQueue_;
    const SimIdentity identity_;
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<AppRecord>> apps_;
    std::map<SimWindowId, std::unique_ptr<WindowRecord>> windows_;
    std::vector<SimWindowId> windowOrder_;
    std::vector<Fault> faults_;
    std::vector<std::string> calls_;
    std::vector<std::string> urls_;
    std::optional<SimAppId> frontmost_;
    bool trusted_ = true;
    bool tiling_ = false;
    int trustRequests_ = 0;
    ScreenList screens_;
    bool windowListAvailable_ = true;
    std::optional<std::vector<WindowServerEntry>> serverEntries_;
    std::optional<PreferenceValue> spaces_;
    std::optional<std::int64_t> currentSpace_;
    SimAppId nextApp_ = 1;
    SimWindowId nextWindow_ = 1001;
    ObserverList<> screenObservers_;
    ObserverList<> spaceObservers_;
    ObserverList<RunningApplication> launchObservers_;
};

}  // namespace vantrel
