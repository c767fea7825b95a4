// The X11 desktop's placement: the requests of a batch are sent paced by their delays and
// verified together at the end, the earlier windows' quiet time passing during the last delay.
#include <algorithm>
#include <cmath>

#include "platform/x11/X11Desktop.h"

namespace vantrel {
namespace {

using Steady = std::chrono::steady_clock;

constexpr std::uint32_t kStaticGravity = 10;

// A manager offsets a move by its own notion of the decorations or the border, a few pixels;
// anything further is someone else's move (or the manager's refusal), never ours to undo.
constexpr double kMaxCorrection = 64;

// X coordinates are 16-bit; keep requests inside what the server can represent.
std::int32_t toCoordinate(double value) {
    return static_cast<std::int32_t>(std::clamp(std::lround(value), -32768L, 32767L));
}

std::int32_t toLength(double value) {
    return static_cast<std::int32_t>(std::clamp(std::lround(value), 1L, 32767L));
}

// The window (with its own X border) is where `outer` asks for.
bool landed(const x11::ClientInfo& client, const Rect& outer) {
    const Rect now = client.outer();
    // A size is honoured to the client's own steps (a terminal's character cells).
    const auto near = [](double value, double wanted, std::int32_t step) {
        return std::abs(value - wanted) < std::max(step, 1);
    };
    return now.x == outer.x && now.y == outer.y && near(now.width, outer.width, client.widthStep) &&
           near(now.height, outer.height, client.heightStep);
}

std::string rectText(const Rect& r) {
    return std::to_string(std::lround(r.x)) + "," + std::to_string(std::lround(r.y)) + " " +
           std::to_string(std::lround(r.width)) + "x" + std::to_string(std::lround(r.height));
}

}  // namespace

void X11Desktop::sendPlacementLocked(const x11::ClientInfo& client, const Rect& outer) {
    const double border = client.borderWidth;
    auto x = toCoordinate(outer.x);
    auto y = toCoordinate(outer.y);
    const auto width = static_cast<std::uint32_t>(toLength(outer.width - 2 * border));
    const auto height = static_cast<std::uint32_t>(toLength(outer.height - 2 * border));
    if (windowManagerLocked().movesOnMessage) {
        // StaticGravity places the window itself, whatever the decorations; all four values go
        // together, so that no manager moves the window by gravity on a size alone.
        const std::uint32_t flags = kStaticGravity | (0xFu << 8) | (kSourcePager << 12);
        sendRootMessageLocked(
            client.window, atoms_._NET_MOVERESIZE_WINDOW,
            {flags, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), width, height});
        return;
    }
    // The manager reads a ConfigureRequest's position through the client's own gravity: the
    // frame's corner for NorthWest, the window's own for StaticGravity.
    if (client.gravity != kStaticGravity) {
        x = toCoordinate(outer.x - client.frameExtents.left + client.shadowExtents.left);
        y = toCoordinate(outer.y - client.frameExtents.top + client.shadowExtents.top);
    }
    const std::uint32_t values[] = {static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y),
                                    width, height};
    xcb_configure_window(connection_, client.window,
                         XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                             XCB_CONFIG_WINDOW_HEIGHT,
                         values);
    xcb_flush(connection_);
}

std::optional<x11::PendingClients> X11Desktop::readAheadLocked(const native::Placement& placement) {
    const auto window = static_cast<xcb_window_t>(placement.window);
    // Without events for the window, a change during the pause would go unseen.
    if (placement.delay <= Duration::zero() || !usableLocked() || !watched_.contains(window))
        return std::nullopt;
    drainLocked();
    tracking_ = true;
    touched_.clear();
    return x11::requestClients(contextLocked(), {window}, x11::ReadScope::placement);
}

std::optional<x11::ClientInfo> X11Desktop::collectAheadLocked(
    std::optional<x11::PendingClients> ahead) {
    std::vector<x11::ClientInfo> clients;
    if (ahead) clients = x11::collectClients(contextLocked(), std::move(*ahead));
    // The events that came with the replies say whether what was read still holds.
    drainLocked();
    tracking_ = false;
    if (clients.empty() || !usableLocked() || touched_.contains(clients.front().window) ||
        !clients.front().alive)
        return std::nullopt;
    return std::move(clients.front());
}

std::optional<native::PlaceResult> X11Desktop::startPlacingLocked(
    const native::Placement& placement, std::optional<x11::ClientInfo> read, Placing& placing) {
    const auto window = static_cast<xcb_window_t>(placement.window);
    // What was read during the pause, else a read now.
    auto client = read ? std::move(read) : readClientLocked(window);
    if (!client) return native::PlaceResult::gone;
    if (!leaveMaximizedLocked(window, *client))
        return client->alive ? native::PlaceResult::refused : native::PlaceResult::gone;
    // The wanted outer frame, in root coordinates, with whatever is not written kept.
    Rect frame = client->frame();
    if (placement.position) {
        const Point root = x11::desktopToRoot(*placement.position, primaryLocked());
        frame.x = root.x;
        frame.y = root.y;
    }
    if (placement.size) {
        frame.width = placement.size->width;
        frame.height = placement.size->height;
    }
    Rect wanted = x11::clientFromFrame(frame, client->frameExtents, client->shadowExtents);
    wanted = Rect{
        static_cast<double>(toCoordinate(wanted.x)), static_cast<double>(toCoordinate(wanted.y)),
        static_cast<double>(toLength(wanted.width)), static_cast<double>(toLength(wanted.height))};
    // A window already in place is never a failure, whatever the manager would allow.
    if (landed(*client, wanted)) return native::PlaceResult::placed;
    placing.before = client->outer();
    placing.wanted = wanted;
    placing.sent = wanted;
    placing.client = std::move(*client);
    answered_.erase(window);
    sendPlacementLocked(placing.client, wanted);
    placing.sentAt = placing.changedAt = Steady::now();
    return std::nullopt;
}

void X11Desktop::refreshLocked(const std::vector<Placing*>& batch) {
    std::vector<xcb_window_t> windows;
    for (const Placing* placing : batch)
        if (!placing->gone) windows.push_back(placing->client.window);
    auto clients = x11::readClients(contextLocked(), windows, x11::ReadScope::placement);
    const bool usable = usableLocked() && clients.size() == windows.size();
    const auto now = Steady::now();
    std::size_t k = 0;
    for (Placing* placing : batch) {
        if (placing->gone) continue;
        x11::ClientInfo* again = usable ? &clients[k++] : nullptr;
        if (again == nullptr || !again->alive) {
            placing->gone = true;
            continue;
        }
        const x11::ClientInfo& current = placing->client;
        if (again->client != current.client || again->frameExtents != current.frameExtents ||
            again->viewable != current.viewable || again->states != current.states) {
            placing->changedAt = now;
            if (!placing->answeredAt) placing->answeredAt = now;
        }
        placing->client = std::move(*again);
    }
}

void X11Desktop::refreshUnsettledLocked(std::vector<Placing>& batch) {
    const auto now = Steady::now();
    std::vector<Placing*> waiting;
    for (Placing& placing : batch)
        if (!placing.gone && !settledLocked(placing, now)) waiting.push_back(&placing);
    if (!waiting.empty()) refreshLocked(waiting);
}

bool X11Desktop::answeredLocked(const Placing& p) const {
    return landed(p.client, p.wanted) || p.client.outer() != p.before ||
           answered_.contains(p.client.window);
}

Duration X11Desktop::quietTime(const Placing& p) const {
    const Duration full = options_.settleTime;
    // Anywhere else (refused, offset, a step of an animation) the whole settle time.
    if (!p.answeredAt || !landed(p.client, p.wanted)) return full;
    // Where it was asked, what is left to see is its client moving it back: the client hears of
    // the move when we do, and its request takes the manager about as long again to carry out.
    // Twice the answer time scales with how busy the machine is; a floor covers a fast manager.
    const Duration answer = *p.answeredAt - p.sentAt;
    return std::clamp<Duration>(2 * answer, full / 8, full);
}

bool X11Desktop::settledLocked(const Placing& p, Steady::time_point now) const {
    return answeredLocked(p) && now >= p.changedAt + quietTime(p);
}

bool X11Desktop::pauseBetween(Duration delay, std::vector<Placing>* earlier,
                              const native::StopCheck& stopped) {
    // Read a settle time before the last request and again after it, the windows sent earlier
    // have settled by then: only the last window of a batch is left to wait for at its end.
    // Once, in one read: a read in every delay would cost more than the wait it saves.
    const Duration first = delay - options_.settleTime;
    if (earlier == nullptr || earlier->empty() || first <= Duration::zero())
        return sleepUnlessStopped(clock_, delay, stopped);
    if (!sleepUnlessStopped(clock_, first, stopped)) return false;
    {
        std::lock_guard lock(mutex_);
        drainLocked();
        if (usableLocked()) refreshUnsettledLocked(*earlier);
    }
    return sleepUnlessStopped(clock_, options_.settleTime, stopped);
}

void X11Desktop::settleLocked(const std::vector<Placing*>& batch) {
    // A manager takes several steps (state, frame, decorations, an animation): its answer is
    // what the window shows once it has stopped changing.
    // Quiet is counted from each window's own last change, also one seen during the pauses; this
    // read catches what changed since.
    const auto deadline = Steady::now() + options_.applyTimeout;
    tracking_ = true;
    touched_.clear();
    refreshLocked(batch);
    while (true) {
        const auto now = Steady::now();
        bool settled = true;
        // Woken when the next answered window has been quiet long enough, not a poll later.
        auto wake = deadline;
        for (const Placing* p : batch) {
            if (p->gone || settledLocked(*p, now)) continue;
            settled = false;
            if (answeredLocked(*p)) wake = std::min(wake, p->changedAt + quietTime(*p));
        }
        if (settled || now >= deadline) break;
        if (!waitForEventsLocked(std::max(wake, now + std::chrono::milliseconds{1})) &&
            (Steady::now() >= deadline || !usableLocked()))
            break;
        // Read again: the windows still waited for, and the settled ones events said changed.
        std::vector<Placing*> again;
        const auto woken = Steady::now();
        for (Placing* p : batch)
            if (!p->gone && (touched_.contains(p->client.window) || !settledLocked(*p, woken)))
                again.push_back(p);
        touched_.clear();
        refreshLocked(again);
    }
    tracking_ = false;
    touched_.clear();
    for (const Placing* placing : batch) markLocked(placing->client.window);
}

bool X11Desktop::correctLocked(const std::vector<Placing*>& batch) {
    std::vector<Placing*> again;
    for (Placing* placing : batch) {
        if (placing->gone || landed(placing->client, placing->wanted)) continue;
        const Rect now = placing->client.outer();
        const Rect& wanted = placing->wanted;
        const double dx = wanted.x - now.x;
        const double dy = wanted.y - now.y;
        // Corrected once only, and only for a small constant offset of a window that did move
        // and has the size asked for: never twice, never against someone else's move.
        const bool sized = landed(placing->client, Rect{now.x, now.y, wanted.width, wanted.height});
        if (now == placing->before || !sized || std::abs(dx) > kMaxCorrection ||
            std::abs(dy) > kMaxCorrection)
            continue;
        placing->sent.x += dx;
        placing->sent.y += dy;
        placing->before = now;
        answered_.erase(placing->client.window);
        sendPlacementLocked(placing->client, placing->sent);
        placing->sentAt = placing->changedAt = Steady::now();
        placing->answeredAt.reset();
        again.push_back(placing);
    }
    if (again.empty()) return false;
    settleLocked(again);
    return true;
}

native::PlaceResult X11Desktop::placedLocked(const Placing& placing) {
    if (placing.gone) return native::PlaceResult::gone;
    if (landed(placing.client, placing.wanted)) return native::PlaceResult::placed;
    const x11::WindowManager wm = windowManagerLocked();
    if (wm.tiles) {
        if (!std::exchange(tilingLogged_, true))
            log_.line("X11Desktop: " + managerName(wm) +
                      " is a tiling window manager: it places tiled windows itself; only "
                      "floating windows are moved");
    } else {
        const x11::ClientInfo& client = placing.client;
        log_.line("X11Desktop: " + managerName(wm) + " left window " + hexId(client.window) +
                  " at " + rectText(client.frame()) + " instead of " +
                  rectText(x11::frameFromClient(placing.wanted, client.frameExtents,
                                                client.shadowExtents)));
    }
    return native::PlaceResult::refused;
}

std::vector<native::PlaceResult> X11Desktop::placeWindows(
    const std::vector<native::Placement>& placements, const native::StopCheck& stopped) {
    std::vector<native::PlaceResult> results(placements.size(), native::PlaceResult::refused);
    std::vector<Placing> batch;
    batch.reserve(placements.size());
    for (std::size_t i = 0; i < placements.size(); ++i) {
        const native::Placement& placement = placements[i];
        // Paced on the clock the services run on, without holding the connection.
        const bool last = i + 1 == placements.size();
        std::optional<x11::PendingClients> ahead;
        {
            std::lock_guard lock(mutex_);
            ahead = readAheadLocked(placement);
        }
        const bool paused = pauseBetween(placement.delay, last ? &batch : nullptr, stopped);
        std::lock_guard lock(mutex_);
        auto read = collectAheadLocked(std::move(ahead));
        if (!paused) {
            std::fill(results.begin() + static_cast<std::ptrdiff_t>(i), results.end(),
                      native::PlaceResult::notSent);
            break;
        }
        const bool valid = (!placement.position || isFinite(*placement.position)) &&
                           (!placement.size || isFinite(*placement.size));
        if (!usableLocked() || !valid) continue;
        Placing placing;
        placing.index = i;
        if (const auto result = startPlacingLocked(placement, std::move(read), placing))
            results[i] = *result;
        else
            batch.push_back(std::move(placing));
    }
    if (batch.empty()) return results;
    std::lock_guard lock(mutex_);
    std::vector<Placing*> all;
    for (Placing& placing : batch) all.push_back(&placing);
    settleLocked(all);
    correctLocked(all);
    for (const Placing& placing : batch) results[placing.index] = placedLocked(placing);
    return results;
}

}  // namespace vantrel
