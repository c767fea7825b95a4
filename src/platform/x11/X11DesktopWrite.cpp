// The X11 desktop's writes: placing, minimising, launching and closing, each verified.
#include <poll.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11Element.h"

namespace vantrel {
namespace {

using Steady = std::chrono::steady_clock;

constexpr std::uint32_t kStaticGravity = 10;
constexpr std::uint32_t kSourcePager = 2;  // we act for the user
constexpr std::uint32_t kIconicState = 3;
constexpr std::uint32_t kRemove = 0;

// X coordinates are 16-bit; keep requests inside what the server can represent.
std::int32_t toCoordinate(double value) {
    return static_cast<std::int32_t>(std::clamp(std::lround(value), -32768L, 32767L));
}

std::int32_t toLength(double value) {
    return static_cast<std::int32_t>(std::clamp(std::lround(value), 1L, 32767L));
}

bool isMinimized(const x11::ClientInfo& client, const x11::Atoms& atoms) {
    return client.hasState(atoms._NET_WM_STATE_HIDDEN) &&
           !client.hasState(atoms._NET_WM_STATE_SHADED);
}

}  // namespace

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
    const int timeout = static_cast<int>(std::min<long long>(remaining.count(), 20));
    ::poll(&fd, 1, timeout);
    drainLocked();
    return usableLocked();
}

template <typename Predicate>
std::optional<x11::ClientInfo> X11Desktop::waitForClientLocked(xcb_window_t window,
                                                               Predicate done) {
    // Called right after a request: the manager has not acted yet, so listen before looking.
    // A look answers for every event that came before it, so only new events call for another.
    const auto deadline = Steady::now() + options_.applyTimeout;
    while (true) {
        if (!waitForEventsLocked(deadline)) return readClientLocked(window);
        auto client = readClientLocked(window);
        if (!client || done(*client)) return client;
    }
}

AXError X11Desktop::setMinimizedLocked(xcb_window_t window, bool minimized) {
    // A restore asks every window to be what it already is: the events read so far tell.
    if (const x11::Snapshot* snapshot = snapshotLocked()) {
        const x11::ClientInfo* known = snapshot->client(window);
        if (known != nullptr && isMinimized(*known, atoms_) == minimized) return AXError::success;
    }
    auto client = readClientLocked(window);
    if (!client) return AXError::invalidUIElement;
    if (isMinimized(*client, atoms_) == minimized) return AXError::success;
    if (minimized) {
        sendRootMessageLocked(window, atoms_.WM_CHANGE_STATE, {kIconicState, 0, 0, 0, 0});
    } else {
        // Activation is what every window manager honours to bring a window back.
        sendRootMessageLocked(window, atoms_._NET_ACTIVE_WINDOW,
                              {kSourcePager, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0});
    }
    auto after = waitForClientLocked(
        window, [&](const x11::ClientInfo& c) { return isMinimized(c, atoms_) == minimized; });
    // Restoring activates the window: the root's active window changed too.
    markLocked(window);
    rootChanged_ = true;
    if (!after) return AXError::invalidUIElement;
    return isMinimized(*after, atoms_) == minimized ? AXError::success : AXError::cannotComplete;
}

bool X11Desktop::leaveMaximizedLocked(xcb_window_t window, x11::ClientInfo& client) {
    const auto& a = atoms_;
    const bool maximized = client.hasState(a._NET_WM_STATE_MAXIMIZED_VERT) ||
                           client.hasState(a._NET_WM_STATE_MAXIMIZED_HORZ);
    const bool fullscreen = client.hasState(a._NET_WM_STATE_FULLSCREEN);
    if (!maximized && !fullscreen) return true;
    // Otherwise the window manager puts the window back where its state says it belongs.
    const Rect stretched = client.client;
    if (maximized)
        sendRootMessageLocked(window, a._NET_WM_STATE,
                              {kRemove, a._NET_WM_STATE_MAXIMIZED_VERT,
                               a._NET_WM_STATE_MAXIMIZED_HORZ, kSourcePager, 0});
    if (fullscreen)
        sendRootMessageLocked(window, a._NET_WM_STATE,
                              {kRemove, a._NET_WM_STATE_FULLSCREEN, 0, kSourcePager, 0});
    // Done when the state is gone and the window has its own frame (and decorations) back.
    auto after = waitForClientLocked(window, [&](const x11::ClientInfo& c) {
        return !c.hasState(a._NET_WM_STATE_MAXIMIZED_VERT) &&
               !c.hasState(a._NET_WM_STATE_MAXIMIZED_HORZ) &&
               !c.hasState(a._NET_WM_STATE_FULLSCREEN) && c.client != stretched;
    });
    // The manager takes several steps (state, frame, decorations): read until two looks a
    // moment apart agree.
    const auto deadline = Steady::now() + options_.applyTimeout;
    while (after && Steady::now() < deadline) {
        pollfd fd{xcb_get_file_descriptor(connection_), POLLIN, 0};
        ::poll(&fd, 1, 20);
        drainLocked();
        auto again = readClientLocked(window);
        if (!again) return false;
        const bool same =
            again->client == after->client && again->frameExtents == after->frameExtents;
        after = std::move(again);
        if (same) break;
    }
    if (!after) return false;
    client = *after;
    return true;
}

AXError X11Desktop::placeLocked(xcb_window_t window, std::optional<Point> position,
                                std::optional<Size> size, bool deferCheck) {
    // A move still unchecked would make what is read below stale.
    confirmMoveLocked(window);
    // A size written right after a position finishes that move: one trip to the manager for both.
    std::optional<x11::ClientInfo> client;
    if (size && !position) {
        // The window as the position write just read it: nothing has been sent since.
        if (auto pending = pendingPositions_.extract(window)) {
            position = pending.mapped().position;
            client = std::move(pending.mapped().client);
        }
    }
    if (!client) client = readClientLocked(window);
    if (!client) return AXError::invalidUIElement;
    const auto& a = atoms_;
    const bool stretched = client->hasState(a._NET_WM_STATE_MAXIMIZED_VERT) ||
                           client->hasState(a._NET_WM_STATE_MAXIMIZED_HORZ) ||
                           client->hasState(a._NET_WM_STATE_FULLSCREEN);
    if (!leaveMaximizedLocked(window, *client)) return AXError::invalidUIElement;
    // A window the manager keeps where it is (or at its size) fails the write: nothing would move.
    const auto allows = [&](xcb_atom_t action) {
        const auto& allowed = client->allowedActions;
        return !allowed || std::find(allowed->begin(), allowed->end(), action) != allowed->end();
    };
    if (position && !allows(atoms_._NET_WM_ACTION_MOVE)) return AXError::cannotComplete;
    if (size && !allows(atoms_._NET_WM_ACTION_RESIZE)) {
        // The position written before still goes; only the size fails.
        if (position) (void)placeLocked(window, position, std::nullopt, false);
        return AXError::cannotComplete;
    }
    const Rect primary = primaryLocked();
    // The wanted outer frame, in root coordinates, with whatever is not written kept.
    Rect frame = client->frame();
    if (position) {
        const Point root = x11::accessibilityToRoot(*position, primary);
        frame.x = root.x;
        frame.y = root.y;
    }
    if (size) {
        frame.width = size->width;
        frame.height = size->height;
    }
    const Rect target = x11::clientFromFrame(frame, client->frameExtents, client->shadowExtents);
    SentMove move;
    move.before = client->client;
    move.targetX = toCoordinate(target.x);
    move.targetY = toCoordinate(target.y);
    move.x = move.targetX;
    move.y = move.targetY;
    move.width = toLength(target.width);
    move.height = toLength(target.height);
    move.position = position.has_value();
    move.size = size.has_value();
    // Writing back what was read moves nothing.
    if (move.landed(*client)) return AXError::success;
    if (deferCheck && position && !size) {
        // Sent with the size that nearly always follows, in one request the manager applies at
        // once; on its own before anything else reads or waits.
        pendingPositions_[window] = PendingPosition{*position, *client};
        return AXError::success;
    }
    sendMoveLocked(window, move);
    if (stretched) {
        // Just given its own frame back, the window is still settling: this move is waited out.
        checkSentMoveLocked(window, move);
        return AXError::success;
    }
    // The window was there a moment ago; where the manager puts it is checked while the caller
    // goes on (a restore pauses between windows), and before anything reads it.
    sentMoves_[window] = move;
    if (!confirmerStarted_) {
        confirmerStarted_ = true;
        confirmer_.run([this] { runConfirmer(); });
    }
    movesSent_.notify_one();
    return AXError::success;
}

bool X11Desktop::SentMove::landed(const x11::ClientInfo& client) const {
    return (!position ||
            (std::lround(client.client.x) == targetX && std::lround(client.client.y) == targetY)) &&
           (!size || (std::lround(client.client.width) == width &&
                      std::lround(client.client.height) == height));
}

void X11Desktop::sendMoveLocked(xcb_window_t window, const SentMove& move) {
    std::uint32_t flags = kStaticGravity | (kSourcePager << 12);
    if (move.position) flags |= (1u << 8) | (1u << 9);
    if (move.size) flags |= (1u << 10) | (1u << 11);
    // StaticGravity places the client area itself, whatever the decorations.
    sendRootMessageLocked(
        window, atoms_._NET_MOVERESIZE_WINDOW,
        {flags, static_cast<std::uint32_t>(move.x), static_cast<std::uint32_t>(move.y),
         static_cast<std::uint32_t>(move.width), static_cast<std::uint32_t>(move.height)});
}

void X11Desktop::checkSentMoveLocked(xcb_window_t window, SentMove move) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        // A configure notification may still be one of an earlier change (leaving the maximised
        // state sends several): wait until the window has landed or at least moved.
        const auto done = [&](const x11::ClientInfo& c) {
            return move.landed(c) || c.client != move.before;
        };
        // Checked late, the manager has long acted: look before listening for it.
        auto client = readClientLocked(window);
        if (client && !done(*client)) client = waitForClientLocked(window, done);
        markLocked(window);
        // A window gone meanwhile: its reads fail from now on.
        if (!client || move.landed(*client) || !move.position || attempt == 1) return;
        // Some managers offset a static move by the border width: correct once for the delta.
        move.x += move.targetX - static_cast<std::int32_t>(std::lround(client->client.x));
        move.y += move.targetY - static_cast<std::int32_t>(std::lround(client->client.y));
        move.before = client->client;
        sendMoveLocked(window, move);
    }
}

void X11Desktop::confirmMoveLocked(xcb_window_t window) {
    if (auto sent = sentMoves_.extract(window)) {
        if (usableLocked()) checkSentMoveLocked(window, sent.mapped());
    }
}

void X11Desktop::confirmMovesLocked() {
    // Checking reads events, which may take a snapshot, which confirms: one level is enough.
    if (confirming_) return;
    confirming_ = true;
    while (!sentMoves_.empty() && usableLocked()) {
        auto sent = sentMoves_.extract(sentMoves_.begin());
        checkSentMoveLocked(sent.key(), sent.mapped());
    }
    if (!usableLocked()) sentMoves_.clear();
    confirming_ = false;
}

void X11Desktop::runConfirmer() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        movesSent_.wait(lock, [this] { return stopping_ || !sentMoves_.empty(); });
        if (stopping_) break;
        confirmMovesLocked();
        // Bring the snapshot up to date with everything the moves changed, so that the next
        // read (after the pause between windows) finds nothing left to ask.
        if (!usableLocked() || !snapshot_) continue;
        syncLocked();
        drainLocked();
        snapshotTime_ = Steady::now();
        if (usableLocked() && snapshot_ && (rootChanged_ || !changed_.empty()))
            readSnapshotLocked(false);
    }
}

void X11Desktop::settlePositionsLocked() {
    if (pendingPositions_.empty() || settling_) return;
    settling_ = true;
    for (const auto& [window, pending] : std::exchange(pendingPositions_, {}))
        (void)placeLocked(window, pending.position, std::nullopt, false);
    settling_ = false;
}

AXError X11Desktop::setAttribute(const Element& element, std::string_view name,
                                 const AttributeValue& value) {
    const auto* x = dynamic_cast<const X11Element*>(element.get());
    if (x == nullptr || x->owner != this) return AXError::illegalArgument;
    std::lock_guard lock(mutex_);
    drainLocked();
    if (!usableLocked()) return AXError::cannotComplete;
    if (x->window == XCB_WINDOW_NONE) return AXError::attributeUnsupported;
    if (name == attribute::kMinimized) {
        if (const auto* minimized = std::get_if<bool>(&value))
            return setMinimizedLocked(x->window, *minimized);
        return AXError::illegalArgument;
    }
    if (name == attribute::kPosition) {
        const auto* point = std::get_if<Point>(&value);
        if (point == nullptr || !isFinite(*point)) return AXError::illegalArgument;
        return placeLocked(x->window, *point, std::nullopt);
    }
    if (name == attribute::kSize) {
        const auto* size = std::get_if<Size>(&value);
        if (size == nullptr || !isFinite(*size)) return AXError::illegalArgument;
        return placeLocked(x->window, std::nullopt, *size);
    }
    return AXError::attributeUnsupported;
}

// --- workspace ---------------------------------------------------------------------------

std::optional<std::string> X11Desktop::applicationLocation(std::string_view bundleID) {
    std::lock_guard lock(mutex_);
    const x11::DesktopEntry* entry = entries_.byId(bundleID);
    if (entry == nullptr || entry->filename.empty()) return std::nullopt;
    return entry->filename;
}

Result<RunningApplication> X11Desktop::openApplication(const std::string& location,
                                                       bool activates) {
    std::string id;
    xcb_window_t previousActive = XCB_WINDOW_NONE;
    {
        std::lock_guard lock(mutex_);
        // Only an installed entry is launched: a location is never read as a command line.
        const x11::DesktopEntry* entry = entries_.byFilename(location);
        if (entry == nullptr) return Error{"No installed application at " + location};
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
    RunningApplication started;
    started.handle = handleForLocked(id);
    started.bundleID = id;
    return started;
}

bool X11Desktop::terminate(const RunningApplication& application) {
    std::lock_guard lock(mutex_);
    std::string id = application.bundleID.value_or("");
    for (const auto& [appId, handle] : handles_)
        if (handle == application.handle) id = appId;
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

bool X11Desktop::openURL(std::string_view url) {
    return options_.launcher != nullptr && options_.launcher->openUri(url);
}

}  // namespace vantrel
