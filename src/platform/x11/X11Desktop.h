// The desktop of an X server with an EWMH window manager, behind the platform seam.
#pragma once

#include <xcb/xcb.h>

#include <array>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/Clock.h"
#include "base/FdWatch.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "base/ObserverList.h"
#include "platform/api/NativeDesktop.h"
#include "platform/freedesktop/AppLauncher.h"
#include "platform/freedesktop/DesktopEntries.h"
#include "platform/x11/Monitors.h"
#include "platform/x11/WindowManager.h"
#include "platform/x11/WindowSnapshot.h"
#include "platform/x11/XAtoms.h"

namespace vantrel {

struct X11Options {
    // The display to open; the DISPLAY environment variable when none.
    std::optional<std::string> display;
    // Where the user learns to run a supported window manager; opening it is all the
    // "permission" there is to grant on X11.
    std::string accessibilitySettingsURL;
    // How long openApplication waits for the new application's first window (to hand the focus
    // back); a launch still windowless then counts as started.
    Duration launchTimeout = std::chrono::seconds{10};
    // How long a write waits for the window manager to answer it; only a manager that ignores
    // a request makes it wait this long.
    Duration applyTimeout = std::chrono::milliseconds{1000};
    // How long a window must stay as it is for the manager's answer to count: shorter than the
    // steps of an animation would take intermediate frames for the answer, and a window that
    // moves itself back at once is seen doing so. A placed window that landed where it was asked
    // waits twice the manager's answer time instead, at least an eighth of this.
    Duration settleTime = std::chrono::milliseconds{25};
    // Reads within this time of a snapshot answer from it without asking the server whether
    // anything changed; later ones make one round trip first.
    Duration snapshotLifetime = std::chrono::milliseconds{150};
    // What launches installed entries and opens URIs; it must outlive the desktop. Without one
    // (tools that only read) launching fails and no URI opens.
    freedesktop::AppLauncher* launcher = nullptr;
};

// One private XCB connection guarded by a mutex: the backend is called from the main thread and
// from the restore worker. Events are read on whichever thread holds the connection and handed
// to observers through the main queue. A write returns once the window manager has answered it,
// so a frame written is the frame read back, and a write it did not honour fails. A batch of
// placements is sent whole (paced by their delays on the clock) before any is verified.
class X11Desktop final : public native::NativeDesktop {
  public:
    X11Desktop(Log& log, MainQueue& mainQueue, Clock& clock, X11Options options = {});
    ~X11Desktop() override;
    // The program's own application id.
    static constexpr const char* kOwnId = "vantrel";

    // Opens the connection and reads the initial state. Calls before it, or after the
    // connection was lost, fail cleanly.
    Status connect();
    // The connection's file descriptor for the main loop to watch; -1 when not connected.
    int fileDescriptor() const;
    // Reads what the server sent; the main loop calls it when the descriptor is readable.
    void processEvents();
    // Has the main loop call processEvents whenever the connection has input.
    [[nodiscard]] Subscription watchEvents(FdWatch& watch);
    // Calls `handler` on the main queue once the connection to the X server is lost (the server
    // ended or dropped us). It is logged once; every later call fails cleanly.
    [[nodiscard]] Subscription onConnectionLost(std::function<void()> handler);

    // native::NativeDesktop
    std::shared_ptr<const native::Snapshot> snapshot() override;
    // A window manager that names itself runs: then windows can be moved and minimised.
    native::Capabilities capabilities() override;
    // The file manager is the desktop entry that opens folders (the launcher's default), else
    // "org.gnome.Nautilus", asked for on first use; the dock is the application of the first
    // dock or panel window seen when connecting, else "panel".
    native::Identity identity() const override;
    std::vector<native::PlaceResult> placeWindows(const std::vector<native::Placement>& placements,
                                                  const native::StopCheck& stopped = {}) override;
    native::PlaceResult setMinimized(native::WindowId window, bool minimized) override;
    // Asks the window manager to move the window to the current desktop (_NET_WM_DESKTOP).
    bool moveToCurrentWorkspace(native::WindowId window) override;
    // Closes the windows that take WM_DELETE_WINDOW; the others are left (never killed).
    bool closeApplication(native::AppHandle app) override;
    bool isInstalled(std::string_view appId) override;
    Result<native::App> launch(const std::string& appId, bool activate) override;
    bool openUri(std::string_view uri) override;
    // Nothing to ask for: an X client may manage windows once a window manager runs.
    void requestAccess() override {}
    Subscription observeWindows(std::function<void()> handler) override;
    Subscription observeMonitors(std::function<void()> handler) override;
    Subscription observeWorkspace(std::function<void()> handler) override;
    Subscription observeAppLaunches(std::function<void(const native::App&)> handler) override;

  private:
    // The source indication of our requests to the window manager: a pager, acting for the user.
    static constexpr std::uint32_t kSourcePager = 2;
    // Everything below runs with mutex_ held.
    bool usableLocked();
    // Handles the events that arrived; `readSocket` false takes only those already read.
    void drainLocked(bool readSocket = true);
    void drainEventsLocked(bool readSocket);
    void handleEventLocked(const xcb_generic_event_t* event, bool& clientsChanged,
                           bool& screensChanged);
    // How up to date a snapshot must be.
    enum class Freshness {
        // What events already read reported, within the snapshot's lifetime.
        cached,
        // Whatever the server has sent by now, read without waiting for it.
        arrived,
        // Every event sent so far, however late (one round trip), as a capture or launch
        // check needs.
        current,
    };
    // The snapshot, brought up to date with what events reported.
    const x11::Snapshot* snapshotLocked(Freshness freshness = Freshness::cached);
    // Reads everything again, or only the root and the windows events marked.
    void readSnapshotLocked(bool everything);
    void syncLocked();
    void markLocked(xcb_window_t window);
    x11::SnapshotContext contextLocked() const;
    void watchClientsLocked(const std::vector<xcb_window_t>& clients);
    void refreshEntriesLocked();
    void detectLaunchesLocked();
    const std::vector<x11::MonitorInfo>& monitorsLocked();
    Rect primaryLocked();
    std::uint64_t handleForLocked(const std::string& id);
    native::App recordOfLocked(const x11::AppGroup& app);
    // The native snapshot of the current one, made again only after it changed.
    std::shared_ptr<const native::Snapshot> nativeLocked();
    std::vector<native::Monitor> monitorListLocked(const x11::Snapshot& snapshot);
    native::Window windowOfLocked(const x11::Snapshot& snapshot, const x11::ClientInfo& client,
                                  std::uint64_t app, const Rect& primary) const;
    bool managerRunsLocked();
    xcb_window_t mainWindowLocked(const x11::Snapshot& snapshot, const x11::AppGroup& app) const;
    // What placing needs of one window, read now: geometry, decorations, state.
    std::optional<x11::ClientInfo> readClientLocked(xcb_window_t window);
    void sendRootMessageLocked(xcb_window_t window, xcb_atom_t type,
                               std::array<std::uint32_t, 5> data);
    bool waitForEventsLocked(std::chrono::steady_clock::time_point deadline);
    native::PlaceResult setMinimizedLocked(xcb_window_t window, bool minimized);
    // The running window manager, read again after it changed.
    const x11::WindowManager& windowManagerLocked();
    // One window of a batch between its request and the manager's answer.
    struct Placing {
        std::size_t index = 0;   // of its placement
        x11::ClientInfo client;  // as last read
        Rect before;             // its outer rectangle when the latest request went out
        Rect wanted;             // the outer rectangle asked for
        Rect sent;               // what the latest request said
        bool gone = false;
        std::chrono::steady_clock::time_point sentAt;     // of the latest request
        std::chrono::steady_clock::time_point changedAt;  // when last seen to change
        // When first seen changed after the latest request: how long the manager took to answer.
        std::optional<std::chrono::steady_clock::time_point> answeredAt;
    };
    // Reads the window, takes it out of the maximised states and sends its request; a result
    // when there is nothing to wait for (gone, kept maximised, already in place).
    std::optional<native::PlaceResult> startPlacingLocked(const native::Placement& placement,
                                                          std::optional<x11::ClientInfo> read,
                                                          Placing& placing);
    // Asks for the window's state before the pause ahead of its placement, so that the answer
    // has arrived when the pause ends; none when there is no pause or the window is not watched.
    std::optional<x11::PendingClients> readAheadLocked(const native::Placement& placement);
    // Reads the events that arrived; the state asked for ahead, unless one of them said the
    // window changed since.
    std::optional<x11::ClientInfo> collectAheadLocked(std::optional<x11::PendingClients> ahead);
    // Waits until the manager has answered every request of the batch and none of its windows
    // changed for its quiet time, or the apply timeout ends: one shared deadline.
    void settleLocked(const std::vector<Placing*>& batch);
    void refreshLocked(const std::vector<Placing*>& batch);
    // Reads again the windows of the batch not yet settled; before its last request.
    void refreshUnsettledLocked(std::vector<Placing>& batch);
    // The manager answered the latest request and the window has been quiet since long enough.
    bool answeredLocked(const Placing& placing) const;
    bool settledLocked(const Placing& placing, std::chrono::steady_clock::time_point now) const;
    // How long the window must stay as it is for the manager's answer to count.
    Duration quietTime(const Placing& placing) const;
    // The placement's delay on the clock, without the connection; the `earlier` windows are
    // read a settle time before its end. False when stopped.
    bool pauseBetween(Duration delay, std::vector<Placing>* earlier,
                      const native::StopCheck& stopped);
    // Resends the ones the manager offset by a few pixels, once; true when any was resent.
    bool correctLocked(const std::vector<Placing*>& batch);
    // Success when the window is where it was asked to be, else a logged failure.
    native::PlaceResult placedLocked(const Placing& placing);
    static std::string hexId(xcb_window_t window);
    static std::string managerName(const x11::WindowManager& wm);
    // Sends the client's outer rectangle (its area with its own X border) as the request the
    // manager honours.
    void sendPlacementLocked(const x11::ClientInfo& client, const Rect& outer);
    // Reads the window until the manager has answered a request (`answered`) and nothing has
    // changed for the settle time, or the apply timeout ends; none when the window is gone.
    template <typename Predicate>
    std::optional<x11::ClientInfo> settledClientLocked(xcb_window_t window, Predicate answered,
                                                       Duration quiet);
    // Takes the window out of the maximised and full-screen states; false when it is gone
    // (`client.alive` false then) or the manager keeps it stretched (logged).
    bool leaveMaximizedLocked(xcb_window_t window, x11::ClientInfo& client);
    void announceScreens();
    void announceLaunch(const native::App& launched);

    Log& log_;
    MainQueue& mainQueue_;
    Clock& clock_;
    const X11Options options_;
    mutable std::mutex mutex_;
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = XCB_WINDOW_NONE;
    x11::Atoms atoms_;
    bool hasXRes_ = false;
    bool hasMonitors_ = false;
    std::uint8_t randrEventBase_ = 0;
    bool lost_ = false;
    bool draining_ = false;
    freedesktop::EntryIndex entries_;
    std::vector<std::int64_t> entriesStamp_;
    // What events said changed since the snapshot was read; no snapshot means read it all.
    std::optional<x11::Snapshot> snapshot_;
    // Its native form, dropped whenever the snapshot or the monitors change.
    std::shared_ptr<const native::Snapshot> native_;
    bool rootChanged_ = false;
    bool desktopChanged_ = false;
    std::int32_t ownPid_ = 0;
    std::unordered_set<xcb_window_t> changed_;
    std::chrono::steady_clock::time_point snapshotTime_;
    std::optional<std::vector<x11::MonitorInfo>> monitors_;
    std::unordered_set<xcb_window_t> watched_;
    std::optional<x11::WindowManager> windowManager_;
    // Windows the manager told where they are (a synthetic ConfigureNotify): its answer to a
    // request, even one it did not honour.
    std::unordered_set<xcb_window_t> answered_;
    // While a batch is placed, the windows events reported changed since they were last read.
    bool tracking_ = false;
    std::unordered_set<xcb_window_t> touched_;
    bool tilingLogged_ = false;
    std::map<std::string, std::uint64_t> handles_;
    std::uint64_t nextHandle_ = 1;
    std::set<std::string> knownApps_;
    mutable std::optional<std::string> fileManagerId_;
    std::string dockId_ = "panel";
    ObserverList<> screenObservers_;
    ObserverList<> spaceObservers_;
    ObserverList<> windowObservers_;
    ObserverList<native::App> launchObservers_;
    ObserverList<> lostObservers_;
};

}  // namespace vantrel
