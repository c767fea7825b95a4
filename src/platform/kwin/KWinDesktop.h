// The desktop of KWin (KDE Plasma on Wayland) behind the platform seam, through Vantrel's KWin
// script and the bridge it calls.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>

#include "base/Clock.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "base/ObserverList.h"
#include "platform/api/NativeDesktop.h"
#include "platform/freedesktop/AppLauncher.h"
#include "platform/freedesktop/DesktopEntries.h"
#include "platform/kwin/KWinBridge.h"
#include "platform/kwin/KWinModel.h"

namespace vantrel::kwin {

struct KWinOptions {
    // How long one request may wait for the script's answer.
    Duration requestTimeout = std::chrono::seconds{2};
    // How long a batch of placements may take to show: a Wayland client answers a new size in
    // its own time.
    Duration placeTimeout = std::chrono::seconds{3};
    // How long a launch waits for the application's first window.
    Duration launchTimeout = std::chrono::seconds{10};
    // What launches installed entries and opens URIs; it must outlive the desktop.
    freedesktop::AppLauncher* launcher = nullptr;
    // KWin's output names by index, for a KWin (5.27) that names its outputs to no script;
    // asked on the main queue whenever a monitor has no name.
    std::function<std::vector<std::string>()> outputNames;
};

// Every read answers from the model the script's reports keep (never a round trip); every write
// is a request to the script, verified against what KWin reports afterwards. Reports arrive on
// the bridge's thread; observers hear of them on the main queue.
class KWinDesktop final : public native::NativeDesktop {
  public:
    KWinDesktop(Log& log, MainQueue& mainQueue, Clock& clock, KWinBridge& bridge,
                KWinOptions options = {});
    ~KWinDesktop() override;

    // Follows the script's reports from now on and reads the installed desktop entries; this
    // process's windows are Vantrel's own.
    void connect();
    // The script has reported the whole desktop in the protocol this build speaks.
    bool ready() const;
    // Waits at most `timeout` until it is ready, then names the monitors, so that whoever reads
    // the desktop next sees them with the ids they keep; false when the script did not report.
    // Main thread.
    bool awaitReady(Duration timeout);
    // Names the monitors KWin 5.27 does not name to scripts, from KWin's support information
    // (a blocking call to KWin: never on the bridge's thread).
    void nameMonitors(const std::vector<std::string>& names);

    // KWin's own id of the window (its internalId), for KWin's D-Bus; empty when unknown.
    std::string uuidOf(native::WindowId window);

    std::shared_ptr<const native::Snapshot> snapshot() override;
    native::Capabilities capabilities() override;
    native::Identity identity() const override;
    std::vector<native::PlaceResult> placeWindows(const std::vector<native::Placement>& placements,
                                                  const native::StopCheck& stopped = {}) override;
    native::PlaceResult setMinimized(native::WindowId window, bool minimized) override;
    bool moveToCurrentWorkspace(native::WindowId window) override;
    bool closeApplication(native::AppHandle app) override;
    bool isInstalled(std::string_view appId) override;
    Result<native::App> launch(const std::string& appId, bool activate) override;
    bool openUri(std::string_view uri) override;
    // KWin runs the script the user allowed by running Vantrel: nothing to ask for.
    void requestAccess() override {}
    Subscription observeWindows(std::function<void()> handler) override;
    Subscription observeMonitors(std::function<void()> handler) override;
    Subscription observeWorkspace(std::function<void()> handler) override;
    Subscription observeAppLaunches(std::function<void(const native::App&)> handler) override;

  private:
    using Steady = std::chrono::steady_clock;
    // The bridge's thread.
    void onReport(const nlohmann::json& report);
    // Sends one request about a window; its error text, or none when the script did it.
    std::optional<std::string> ask(const std::string& op, const std::string& uuid,
                                   nlohmann::json arguments = nlohmann::json::object());
    // Waits until `done` holds for the model (with mutex_ held), or the deadline.
    bool waitFor(std::unique_lock<std::mutex>& lock, Duration timeout,
                 const std::function<bool()>& done);
    // Reads the installed entries again when their folders changed (mutex_ held).
    void refreshEntriesLocked();

    Log& log_;
    MainQueue& mainQueue_;
    Clock& clock_;
    KWinBridge& bridge_;
    const KWinOptions options_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    KWinModel model_;
    bool ready_ = false;
    freedesktop::EntryIndex entries_;
    std::vector<std::int64_t> entriesStamp_;
    std::set<std::string> knownApps_;
    Subscriptions reports_;
    // Tasks posted to the main queue run only while the desktop lives.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    ObserverList<> windowObservers_;
    ObserverList<> monitorObservers_;
    ObserverList<> workspaceObservers_;
    ObserverList<native::App> launchObservers_;
};

}  // namespace vantrel::kwin
