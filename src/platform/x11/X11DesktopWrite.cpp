// The X11 desktop's writes: minimising, launching and closing, each verified.
#include <poll.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/x11/X11Desktop.h"

namespace vantrel {
namespace {

using Steady = std::chrono::steady_clock;

constexpr std::uint32_t kIconicState = 3;
constexpr std::uint32_t kRemove = 0;

bool isMinimized(const x11::ClientInfo& client, const x11::Atoms& atoms) {
    return client.hasState(atoms._NET_WM_STATE_HIDDEN) &&
           !client.hasState(atoms._NET_WM_STATE_SHADED);
}

}  // namespace

std::string X11Desktop::hexId(xcb_window_t window) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", window);
    return text;
}

std::string X11Desktop::managerName(const x11::WindowManager& wm) {
    return wm.name.empty() ? std::string("The window manager") : wm.name;
}

std::optional<x11::ClientInfo> X11Desktop::readClientLocked(xcb_window_t window) {
    auto clients = x11::readClients(contextLocked(), {window}, x11::ReadScope::placement);
    if (!usableLocked() || clients.empty() || !clients.front().alive) return std::nullopt;
    return clients.front();
}

void X11Desktop::sendRootMessageLocked(xcb_window_t window, xcb_atom_t type,
                                       std::array<std::uint32_t, 5> data) {
    xcb_client_message_event_t message;
    std::memset(&message, 0, sizeof message);
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = type;
    std::copy(data.begin(), data.end(), message.data.data32);
    xcb_send_event(connection_, 0, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection_);
}

bool X11Desktop::waitForEventsLocked(Steady::time_point deadline) {
    // The wait is on the X server in real time, whatever clock the services run on.
    const auto remaining =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now());
    if (remaining.count() <= 0) return false;
    pollfd fd{xcb_get_file_descriptor(connection_), POLLIN, 0};
    const int timeout = static_cast<int>(std::min<long long>(remaining.count(), 10));
    ::poll(&fd, 1, timeout);
    drainLocked();
    return usableLocked();
}

template <typename Predicate>
std::optional<x11::ClientInfo> X11Desktop::settledClientLocked(xcb_window_t window,
                                                               Predicate answered, Duration quiet) {
    // A manager takes several steps (state, frame, decorations, an animation): its answer is
    // what the window shows once it has stopped changing.
    const auto deadline = Steady::now() + options_.applyTimeout;
    auto current = readClientLocked(window);
    auto changedAt = Steady::now();
    while (current) {
        const auto now = Steady::now();
        if (answered(*current) && now - changedAt >= quiet) break;
        if (!waitForEventsLocked(deadline)) break;
        auto again = readClientLocked(window);
        if (!again) return std::nullopt;
        if (again->client != current->client || again->frameExtents != current->frameExtents ||
            again->viewable != current->viewable || again->states != current->states)
            changedAt = Steady::now();
        current = std::move(again);
    }
    markLocked(window);
    return current;
}

const x11::WindowManager& X11Desktop::windowManagerLocked() {
    if (!windowManager_) windowManager_ = x11::readWindowManager(connection_, root_, atoms_);
    return *windowManager_;
}

native::PlaceResult X11Desktop::setMinimizedLocked(xcb_window_t window, bool minimized) {
    // A restore asks every window to be what it already is: the events read so far tell.
    if (const x11::Snapshot* snapshot = snapshotLocked()) {
        const x11::ClientInfo* known = snapshot->client(window);
        if (known != nullptr && isMinimized(*known, atoms_) == minimized)
            return native::PlaceResult::placed;
    }
    auto client = readClientLocked(window);
    if (!client) return native::PlaceResult::gone;
    if (isMinimized(*client, atoms_) == minimized) return native::PlaceResult::placed;
    if (minimized) {
        sendRootMessageLocked(window, atoms_.WM_CHANGE_STATE, {kIconicState, 0, 0, 0, 0});
    } else {
        // Activation is what nearly every window manager honours to bring a window back.
        sendRootMessageLocked(window, atoms_._NET_ACTIVE_WINDOW,
                              {kSourcePager, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0});
    }
    // Back means shown and done moving: a manager may animate the way back, and a move sent
    // meanwhile would be read against one of its frames.
    const auto done = [&](const x11::ClientInfo& c) {
        return isMinimized(c, atoms_) == minimized && (minimized || c.viewable);
    };
    const Duration quiet = minimized ? options_.settleTime : 4 * options_.settleTime;
    auto after = settledClientLocked(window, done, quiet);
    if (after && !minimized && isMinimized(*after, atoms_)) {
        // A manager that ignores activation still honours the ICCCM's way back: mapping it.
        xcb_map_window(connection_, window);
        xcb_flush(connection_);
        after = settledClientLocked(window, done, quiet);
    }
    // Restoring activates the window: the root's active window changed too.
    rootChanged_ = true;
    if (!after) return native::PlaceResult::gone;
    if (isMinimized(*after, atoms_) == minimized) return native::PlaceResult::placed;
    log_.line("X11Desktop: " + managerName(windowManagerLocked()) + " did not " +
              (minimized ? "minimise" : "bring back") + " window " + hexId(window));
    return native::PlaceResult::refused;
}

bool X11Desktop::leaveMaximizedLocked(xcb_window_t window, x11::ClientInfo& client) {
    const auto& a = atoms_;
    const auto stretched = [&](const x11::ClientInfo& c) {
        return c.hasState(a._NET_WM_STATE_MAXIMIZED_VERT) ||
               c.hasState(a._NET_WM_STATE_MAXIMIZED_HORZ) || c.hasState(a._NET_WM_STATE_FULLSCREEN);
    };
    if (!stretched(client)) return true;
    // Otherwise the window manager puts the window back where its state says it belongs.
    const Rect before = client.client;
    if (client.hasState(a._NET_WM_STATE_MAXIMIZED_VERT) ||
        client.hasState(a._NET_WM_STATE_MAXIMIZED_HORZ))
        sendRootMessageLocked(window, a._NET_WM_STATE,
                              {kRemove, a._NET_WM_STATE_MAXIMIZED_VERT,
                               a._NET_WM_STATE_MAXIMIZED_HORZ, kSourcePager, 0});
    if (client.hasState(a._NET_WM_STATE_FULLSCREEN))
        sendRootMessageLocked(window, a._NET_WM_STATE,
                              {kRemove, a._NET_WM_STATE_FULLSCREEN, 0, kSourcePager, 0});
    // Done when the state is gone and the window has its own frame (and decorations) back.
    auto after = settledClientLocked(
        window, [&](const x11::ClientInfo& c) { return !stretched(c) && c.client != before; },
        options_.settleTime);
    if (!after) {
        client.alive = false;
        return false;
    }
    client = *after;
    if (!stretched(client)) return true;
    // awesome 4.3 ignores every request to leave the maximised state (it honours the one to
    // leave full screen); nothing else gives the window its own frame back.
    log_.line("X11Desktop: " + managerName(windowManagerLocked()) + " kept window " +
              hexId(window) + " maximised or full screen; it cannot be placed");
    return false;
}

native::PlaceResult X11Desktop::setMinimized(native::WindowId window, bool minimized) {
    std::lock_guard lock(mutex_);
    drainLocked();
    if (!usableLocked()) return native::PlaceResult::refused;
    return setMinimizedLocked(static_cast<xcb_window_t>(window), minimized);
}

// --- workspace ---------------------------------------------------------------------------

Result<native::App> X11Desktop::launch(const std::string& appId, bool activates) {
    std::string id;
    xcb_window_t previousActive = XCB_WINDOW_NONE;
    {
        std::lock_guard lock(mutex_);
        // Only an installed entry is launched: an id is never read as a command line.
        const freedesktop::DesktopEntry* entry = entries_.byId(appId);
        if (entry == nullptr || entry->filename.empty())
            return Error{"No installed application " + appId};
        id = entry->id;
        const x11::Snapshot* snapshot = snapshotLocked(Freshness::current);
        if (snapshot == nullptr) return Error{"Not connected to the X server"};
        previousActive = snapshot->root.active;
        if (const auto* app = snapshot->app(id); app != nullptr && !app->windows.empty())
            return recordOfLocked(*app);
    }
    if (options_.launcher == nullptr) return Error{"Launching applications is not available"};
    if (Status launched = options_.launcher->launchInstalledEntry(id); !launched)
        return launched.error();
    const TimePoint deadline = clock_.now() + options_.launchTimeout;
    while (true) {
        {
            std::lock_guard lock(mutex_);
            const x11::Snapshot* snapshot = snapshotLocked(Freshness::current);
            if (snapshot == nullptr) return Error{"Not connected to the X server"};
            if (const auto* app = snapshot->app(id); app != nullptr && !app->windows.empty()) {
                const auto& windows = app->windows;
                const bool tookFocus = std::find(windows.begin(), windows.end(),
                                                 snapshot->root.active) != windows.end();
                // X has no "open in the background": give the focus back when it was taken.
                if (!activates && tookFocus && previousActive != XCB_WINDOW_NONE &&
                    snapshot->client(previousActive) != nullptr)
                    sendRootMessageLocked(previousActive, atoms_._NET_ACTIVE_WINDOW,
                                          {kSourcePager, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0});
                return recordOfLocked(*app);
            }
        }
        if (clock_.now() >= deadline) break;
        clock_.sleepFor(std::chrono::milliseconds{50});
    }
    // Started, only slow to show a window: the caller's wait for windows takes it from here.
    std::lock_guard lock(mutex_);
    native::App started;
    started.handle = handleForLocked(id);
    started.id = id;
    return started;
}

bool X11Desktop::closeApplication(native::AppHandle application) {
    std::lock_guard lock(mutex_);
    std::string id;
    for (const auto& [appId, handle] : handles_)
        if (handle == application) id = appId;
    const x11::Snapshot* snapshot = snapshotLocked(Freshness::current);
    if (snapshot == nullptr) return false;
    const x11::AppGroup* app = snapshot->app(id);
    if (app == nullptr) return false;
    bool asked = false;
    for (auto window : app->windows) {
        const auto* client = snapshot->client(window);
        // Without WM_DELETE_WINDOW the window manager would kill the client: never do that.
        if (client == nullptr || !client->takesDelete) continue;
        sendRootMessageLocked(window, atoms_._NET_CLOSE_WINDOW,
                              {XCB_CURRENT_TIME, kSourcePager, 0, 0, 0});
        asked = true;
    }
    return asked;
}

}  // namespace vantrel
