// A desktop whose compositor has a half of Vantrel's own (the KWin script, the GNOME Shell
// extension) that reports windows as JSON and carries out requests about them: the model kept
// from the reports, and every write verified against what the compositor reports afterwards.
#pragma once

#include <nlohmann/json.hpp>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "base/Clock.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "base/ObserverList.h"
#include "platform/api/NativeDesktop.h"
#include "platform/compositor/CompositorModel.h"
#include "platform/freedesktop/AppLauncher.h"
#include "platform/freedesktop/DesktopEntries.h"

namespace vantrel::compositor {

struct CompositorOptions {
    // How long one request may wait for the compositor's answer.
    Duration requestTimeout = std::chrono::seconds{2};
    // How long a batch of placements may take to show: a Wayland client answers a new size in
    // its own time.
    Duration placeTimeout = std::chrono::seconds{3};
    // How long a launch waits for the application's first window.
    Duration launchTimeout = std::chrono::seconds{10};
    // What launches installed entries and opens URIs; it must outlive the desktop.
    freedesktop::AppLauncher* launcher = nullptr;
};

// Reports may arrive on any thread; observers hear of them on the main queue. Every read answers
// from the model (never a round trip).
class CompositorDesktop : public native::NativeDesktop {
  public:
    CompositorDesktop(Log& log, MainQueue& mainQueue, Clock& clock, std::string compositor,
                      CompositorOptions options);
    ~CompositorDesktop() override;

    // The compositor has reported the whole desktop in a protocol this build speaks.
    bool ready() const;
    // Waits at most `timeout` for ready; false when the compositor did not report.
    bool waitUntilReady(Duration timeout);
    // The compositor's own id of the window; empty when unknown.
    std::string uuidOf(native::WindowId window);

    std::shared_ptr<const native::Snapshot> snapshot() override;
    native::Capabilities capabilities() override;
    std::vector<native::PlaceResult> placeWindows(const std::vector<native::Placement>& placements,
                                                  const native::StopCheck& stopped = {}) override;
    native::PlaceResult setMinimized(native::WindowId window, bool minimized) override;
    bool moveToCurrentWorkspace(native::WindowId window) override;
    bool closeApplication(native::AppHandle app) override;
    bool isInstalled(std::string_view appId) override;
    Result<native::App> launch(const std::string& appId, bool activate) override;
    bool openUri(std::string_view uri) override;
    Subscription observeWindows(std::function<void()> handler) override;
    Subscription observeMonitors(std::function<void()> handler) override;
    Subscription observeWorkspace(std::function<void()> handler) override;
    Subscription observeAppLaunches(std::function<void(const native::App&)> handler) override;

  protected:
    enum class Op { place, minimize, unminimize, toCurrentWorkspace, close, activate };
    struct Request {
        Op op;
        std::string window;  // the compositor's id
        Rect frame;          // where `place` puts it, in the compositor's coordinates
    };
    // Sends one request and waits for its answer: the compositor's error text ("gone" for a
    // window it no longer has), or none when it did it. Never on the thread reports arrive on.
    virtual std::optional<std::string> send(const Request& request) = 0;

    // Reads the installed desktop entries, and takes this process's windows as Vantrel's own;
    // before the first report.
    void loadEntries();
    // Reads one report into the model and tells the observers. `announceStarts`: an application
    // id not seen before counts as started (for a compositor that does not say so itself).
    CompositorModel::Changes receive(const nlohmann::json& report, bool announceStarts);
    // Ready follows the compositor's half; not ready drops what it reported.
    void setReady(bool ready);
    // An application the compositor saw start (its desktop entry id, name and pid).
    void announceStart(const std::string& desktopFile, const std::string& name, std::int32_t pid);
    void nameMonitors(const std::vector<std::string>& names);

    Log& log_;
    MainQueue& mainQueue_;
    Clock& clock_;

  private:
    using Steady = std::chrono::steady_clock;
    // Waits until `done` holds for the model (with mutex_ held), or the deadline.
    bool waitFor(std::unique_lock<std::mutex>& lock, Duration timeout,
                 const std::function<bool()>& done);
    // Reads the installed entries again when their folders changed (mutex_ held).
    void refreshEntriesLocked();

    const std::string compositor_;
    const CompositorOptions options_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    CompositorModel model_;
    bool ready_ = false;
    freedesktop::EntryIndex entries_;
    std::vector<std::int64_t> entriesStamp_;
    std::set<std::string> knownApps_;
    ObserverList<> windowObservers_;
    ObserverList<> monitorObservers_;
    ObserverList<> workspaceObservers_;
    ObserverList<native::App> launchObservers_;
};

}  // namespace vantrel::compositor
