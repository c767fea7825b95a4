// The native backend interface: what a desktop backend (X11, a compositor, the simulation)
// offers, in its own typed terms.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"
#include "base/Subscription.h"
#include "platform/api/NativeTypes.h"

namespace vantrel::native {

// Thread-safe: called from the main thread and from the restore's worker. Calls block until the
// desktop answered; none throws. Events are delivered on the main thread.
class NativeDesktop {
  public:
    NativeDesktop() = default;
    NativeDesktop(const NativeDesktop&) = delete;
    NativeDesktop& operator=(const NativeDesktop&) = delete;
    virtual ~NativeDesktop() = default;

    // Every change the desktop has reported by now; shared and never changed after it is made,
    // so a caller may keep it for many lookups. Never null (empty when disconnected).
    virtual std::shared_ptr<const Snapshot> snapshot() = 0;
    virtual Capabilities capabilities() = 0;
    virtual Identity identity() const = 0;

    // Places each window at its frame; one result per placement, in order. Windows leave the
    // maximised and full-screen states first. Every placement is sent (each after its delay)
    // before any is verified, so the desktop answers them all at once. `stopped` is asked before
    // each send (and while its delay lasts); once it says so, the rest are not sent (notSent), and
    // those sent are still verified.
    virtual std::vector<PlaceResult> placeWindows(const std::vector<Placement>& placements,
                                                  const StopCheck& stopped = {}) = 0;
    virtual PlaceResult setMinimized(WindowId window, bool minimized) = 0;
    // Moves the window to the current workspace; false when the desktop cannot.
    virtual bool moveToCurrentWorkspace(WindowId window) = 0;
    // Asks the application to close its windows politely; true when it was asked.
    virtual bool closeApplication(AppHandle app) = 0;

    // Whether an application with this id is installed, so that it can be launched.
    virtual bool isInstalled(std::string_view appId) = 0;
    // Launches it and blocks until it runs or fails; `activate` false hands the focus back.
    virtual Result<App> launch(const std::string& appId, bool activate) = 0;
    // Opens a web or settings address; false when nothing was opened.
    virtual bool openUri(std::string_view uri) = 0;
    // Asks the user for window access where the desktop has such a permission.
    virtual void requestAccess() = 0;

    // --- Change events (main thread) -----------------------------------------------------
    [[nodiscard]] virtual Subscription observeWindows(std::function<void()> handler) = 0;
    [[nodiscard]] virtual Subscription observeMonitors(std::function<void()> handler) = 0;
    [[nodiscard]] virtual Subscription observeWorkspace(std::function<void()> handler) = 0;
    [[nodiscard]] virtual Subscription observeAppLaunches(
        std::function<void(const App&)> handler) = 0;
};

}  // namespace vantrel::native
