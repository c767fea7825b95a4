// The compositor desktop's writes: placing, minimising, moving to the current workspace, closing
// and launching, each verified against what the compositor reports afterwards.
#include <algorithm>
#include <cmath>

#include "platform/compositor/CompositorDesktop.h"

namespace vantrel::compositor {
namespace {

constexpr double kTolerance = 2.0;

bool near(const Rect& a, const Rect& b) {
    return std::abs(a.x - b.x) <= kTolerance && std::abs(a.y - b.y) <= kTolerance &&
           std::abs(a.width - b.width) <= kTolerance && std::abs(a.height - b.height) <= kTolerance;
}

std::string describe(const Rect& r) {
    const auto n = [](double v) { return std::to_string(std::lround(v)); };
    return n(r.x) + "," + n(r.y) + " " + n(r.width) + "x" + n(r.height);
}

}  // namespace

std::vector<native::PlaceResult> CompositorDesktop::placeWindows(
    const std::vector<native::Placement>& placements, const native::StopCheck& stopped) {
    using native::PlaceResult;
    std::vector<PlaceResult> results(placements.size(), PlaceResult::notSent);
    if (!ready()) {
        std::fill(results.begin(), results.end(), PlaceResult::unsupported);
        return results;
    }
    struct Sent {
        std::size_t index;
        std::string uuid;
        Rect target;  // in the compositor's coordinates
    };
    std::vector<Sent> sent;
    for (std::size_t i = 0; i < placements.size(); ++i) {
        const auto& placement = placements[i];
        if (stopped && stopped()) break;
        if (placement.delay > Duration::zero() &&
            !sleepUnlessStopped(clock_, placement.delay, stopped))
            break;
        Sent one{i, {}, {}};
        {
            std::lock_guard lock(mutex_);
            const ReportedWindow* w = model_.window(placement.window);
            if (w == nullptr) {
                results[i] = PlaceResult::gone;
                continue;
            }
            const Point o = model_.origin();
            one.uuid = w->uuid;
            one.target = w->frame;
            if (placement.position)
                one.target = {placement.position->x + o.x, placement.position->y + o.y,
                              one.target.width, one.target.height};
            if (placement.size) {
                one.target.width = placement.size->width;
                one.target.height = placement.size->height;
            }
        }
        const auto error = send({Op::place, one.uuid, one.target});
        if (!error) {
            sent.push_back(one);
            continue;
        }
        results[i] = *error == "gone" ? PlaceResult::gone : PlaceResult::refused;
        if (results[i] == PlaceResult::refused)
            log_.line(compositor_ + ": did not place window " + one.uuid + ": " + *error);
    }
    // A Wayland client takes its new size when it next draws: placed means the compositor reports
    // it.
    std::unique_lock lock(mutex_);
    waitFor(lock, options_.placeTimeout, [&] {
        return std::all_of(sent.begin(), sent.end(), [&](const Sent& s) {
            const ReportedWindow* w = model_.window(s.uuid);
            return w == nullptr || near(w->frame, s.target);
        });
    });
    for (const Sent& s : sent) {
        const ReportedWindow* w = model_.window(s.uuid);
        if (w == nullptr) {
            results[s.index] = PlaceResult::gone;
        } else if (near(w->frame, s.target)) {
            results[s.index] = PlaceResult::placed;
        } else {
            results[s.index] = PlaceResult::refused;
            log_.line(compositor_ + ": kept window " + s.uuid + " at " + describe(w->frame) +
                      " instead of " + describe(s.target));
        }
    }
    return results;
}

native::PlaceResult CompositorDesktop::setMinimized(native::WindowId window, bool minimized) {
    const std::string uuid = uuidOf(window);
    if (uuid.empty()) return native::PlaceResult::gone;
    {
        std::lock_guard lock(mutex_);
        if (model_.window(uuid)->minimized == minimized) return native::PlaceResult::placed;
    }
    if (const auto error = send({minimized ? Op::minimize : Op::unminimize, uuid, {}}))
        return *error == "gone" ? native::PlaceResult::gone : native::PlaceResult::refused;
    std::unique_lock lock(mutex_);
    const auto done = [&] {
        const ReportedWindow* w = model_.window(uuid);
        return w == nullptr || w->minimized == minimized;
    };
    waitFor(lock, options_.requestTimeout, done);
    if (model_.window(uuid) == nullptr) return native::PlaceResult::gone;
    if (done()) return native::PlaceResult::placed;
    log_.line(compositor_ + ": did not " + std::string(minimized ? "minimise" : "bring back") +
              " window " + uuid);
    return native::PlaceResult::refused;
}

bool CompositorDesktop::moveToCurrentWorkspace(native::WindowId window) {
    const std::string uuid = uuidOf(window);
    return !uuid.empty() && !send({Op::toCurrentWorkspace, uuid, {}});
}

bool CompositorDesktop::closeApplication(native::AppHandle app) {
    std::vector<std::string> uuids;
    {
        std::lock_guard lock(mutex_);
        const auto snapshot = model_.snapshot(entries_);
        for (const auto* window : snapshot->windowsOf(app))
            if (const ReportedWindow* w = model_.window(window->id)) uuids.push_back(w->uuid);
    }
    // Asks the client, as its close button would; the compositor never kills it for us.
    bool asked = false;
    for (const auto& uuid : uuids) asked = !send({Op::close, uuid, {}}) || asked;
    return asked;
}

bool CompositorDesktop::isInstalled(std::string_view appId) {
    std::lock_guard lock(mutex_);
    refreshEntriesLocked();
    const auto* entry = entries_.byId(appId);
    return entry != nullptr && !entry->filename.empty();
}

Result<native::App> CompositorDesktop::launch(const std::string& appId, bool activate) {
    const auto running = [&]() -> std::optional<native::App> {
        const auto snapshot = model_.snapshot(entries_);
        for (const auto& app : snapshot->apps)
            if (app.id == appId && !snapshot->windowsOf(app.handle).empty()) return app;
        return std::nullopt;
    };
    std::string previous;
    {
        std::lock_guard lock(mutex_);
        refreshEntriesLocked();
        const auto* entry = entries_.byId(appId);
        // Only an installed entry is launched: an id is never read as a command line.
        if (entry == nullptr || entry->filename.empty())
            return Error{"No installed application " + appId};
        if (auto app = running()) return *app;
        for (const auto& window : model_.snapshot(entries_)->windows)
            if (window.focused) previous = model_.window(window.id)->uuid;
    }
    if (options_.launcher == nullptr) return Error{"Launching applications is not available"};
    if (Status launched = options_.launcher->launchInstalledEntry(appId); !launched)
        return launched.error();
    std::unique_lock lock(mutex_);
    if (!waitFor(lock, options_.launchTimeout, [&] { return running().has_value(); })) {
        // Started, only slow to show a window: the caller's wait for windows takes it from here.
        native::App started;
        started.handle = model_.handleFor(appId);
        started.id = appId;
        return started;
    }
    native::App app = *running();
    lock.unlock();
    // Neither compositor has "open in the background": give the focus back when it was taken.
    if (!activate && !previous.empty()) send({Op::activate, previous, {}});
    return app;
}

bool CompositorDesktop::openUri(std::string_view uri) {
    return options_.launcher != nullptr && options_.launcher->openUri(uri);
}

}  // namespace vantrel::compositor
