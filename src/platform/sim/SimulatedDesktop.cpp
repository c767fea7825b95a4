// The simulated desktop's native side: the snapshot, placement, launching and closing.
#include "platform/sim/SimulatedDesktop.h"

#include <algorithm>
#include <sstream>

namespace vantrel {
namespace {

std::string number(double value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

}  // namespace

SimulatedDesktop::SimulatedDesktop(Clock& clock, MainQueue& mainQueue, SimIdentity identity)
    : clock_(clock), mainQueue_(mainQueue), identity_(std::move(identity)) {
    monitors_ = *parseScreenGeometry("1440x900+0+0P");
}

SimulatedDesktop::~SimulatedDesktop() = default;

SimulatedDesktop::AppRecord* SimulatedDesktop::findApp(SimAppId id) {
    for (auto& app : apps_)
        if (app->id == id) return app.get();
    return nullptr;
}

const SimulatedDesktop::AppRecord* SimulatedDesktop::findApp(SimAppId id) const {
    for (const auto& app : apps_)
        if (app->id == id) return app.get();
    return nullptr;
}

native::App SimulatedDesktop::recordOf(const AppRecord& app) const {
    return native::App{app.id, app.app.id, app.app.name, app.app.pid, app.app.role, app.app.hidden};
}

native::Window SimulatedDesktop::windowOf(const AppRecord& app, SimWindowId id) const {
    const SimWindow& w = windows_.at(id).second;
    native::Window window;
    window.id = id;
    window.app = app.id;
    window.title = w.title;
    window.frame = Rect{w.position.x, w.position.y, w.size.width, w.size.height};
    window.workspace = w.sticky ? std::nullopt : w.workspace;
    window.sticky = w.sticky;
    window.minimized = w.minimized;
    window.fullScreen = w.fullscreen;
    window.focused = app.focused == id;
    window.main = w.main;
    window.layer = w.layer;
    return window;
}

void SimulatedDesktop::record(std::string call) {
    calls_.push_back(std::move(call));
}

std::optional<native::PlaceResult> SimulatedDesktop::takeFault(SimWindowId window, SimWrite what) {
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (it->window != window || it->what != what) continue;
        const native::PlaceResult result = it->result;
        if (it->remaining > 0 && --it->remaining == 0) faults_.erase(it);
        return result;
    }
    return std::nullopt;
}

std::shared_ptr<const native::Snapshot> SimulatedDesktop::snapshot() {
    std::lock_guard lock(mutex_);
    record("snapshot");
    auto result = std::make_shared<native::Snapshot>();
    for (const auto& app : apps_) {
        if (!app->running) continue;
        result->apps.push_back(recordOf(*app));
        if (app->pendingEmptySnapshots > 0) {
            --app->pendingEmptySnapshots;  // still starting up: no windows yet
            continue;
        }
        for (const SimWindowId id : app->windows) result->windows.push_back(windowOf(*app, id));
    }
    for (const SimWindowId id : windowOrder_) {
        const auto& [owner, w] = windows_.at(id);
        const AppRecord* app = findApp(owner);
        if (app != nullptr && app->running && w.onScreen && !w.minimized)
            result->stacking.push_back(id);
    }
    result->monitors = monitors_;
    result->workspaces = workspaces_;
    if (frontmost_ && findApp(*frontmost_) != nullptr && findApp(*frontmost_)->running)
        result->frontmost = *frontmost_;
    result->index();
    return result;
}

native::Capabilities SimulatedDesktop::capabilities() {
    std::lock_guard lock(mutex_);
    record("capabilities");
    return native::Capabilities{trusted_, trusted_, workspaces_.count > 0, tiling_};
}

native::Identity SimulatedDesktop::identity() const {
    return native::Identity{identity_.fileManager, identity_.dock, identity_.own,
                            identity_.settingsURL};
}

native::PlaceResult SimulatedDesktop::placeLocked(const native::Placement& placement) {
    std::string call = "place w:" + std::to_string(placement.window);
    if (placement.position)
        call += " " + number(placement.position->x) + "," + number(placement.position->y);
    if (placement.size)
        call += " " + number(placement.size->width) + "x" + number(placement.size->height);
    record(std::move(call));
    const auto id = static_cast<SimWindowId>(placement.window);
    // A placement is one request: a fault of either part fails it whole.
    auto fault = placement.position ? takeFault(id, SimWrite::move) : std::nullopt;
    if (placement.size && !fault) fault = takeFault(id, SimWrite::resize);
    if (fault) return *fault;
    const auto it = windows_.find(id);
    if (it == windows_.end()) return native::PlaceResult::gone;
    if (placement.position) it->second.second.position = *placement.position;
    if (placement.size) it->second.second.size = *placement.size;
    return native::PlaceResult::placed;
}

std::vector<native::PlaceResult> SimulatedDesktop::placeWindows(
    const std::vector<native::Placement>& placements, const native::StopCheck& stopped) {
    std::vector<native::PlaceResult> results(placements.size(), native::PlaceResult::notSent);
    for (std::size_t i = 0; i < placements.size(); ++i) {
        const auto& placement = placements[i];
        // Paced on the clock, which is virtual in tests.
        if (!sleepUnlessStopped(clock_, placement.delay, stopped)) break;
        std::lock_guard lock(mutex_);
        results[i] = placeLocked(placement);
    }
    return results;
}

native::PlaceResult SimulatedDesktop::setMinimized(native::WindowId window, bool minimized) {
    std::lock_guard lock(mutex_);
    record("minimize w:" + std::to_string(window) + (minimized ? " true" : " false"));
    const auto id = static_cast<SimWindowId>(window);
    if (auto fault = takeFault(id, SimWrite::minimize)) return *fault;
    const auto it = windows_.find(id);
    if (it == windows_.end()) return native::PlaceResult::gone;
    it->second.second.minimized = minimized;
    return native::PlaceResult::placed;
}

bool SimulatedDesktop::moveToCurrentWorkspace(native::WindowId window) {
    std::lock_guard lock(mutex_);
    record("toCurrentWorkspace w:" + std::to_string(window));
    const auto it = windows_.find(static_cast<SimWindowId>(window));
    if (it == windows_.end() || !workspaces_.current) return false;
    it->second.second.sticky = false;
    it->second.second.workspace = workspaces_.current;
    return true;
}

bool SimulatedDesktop::closeApplication(native::AppHandle handle) {
    std::lock_guard lock(mutex_);
    AppRecord* app = findApp(handle);
    record("close " + (app != nullptr ? app->app.id.value_or("?") : std::string("?")));
    if (app == nullptr || !app->running || !app->terminateAccepted) return false;
    app->running = false;
    if (frontmost_ == app->id) frontmost_.reset();
    return true;
}

bool SimulatedDesktop::isInstalled(std::string_view appId) {
    std::lock_guard lock(mutex_);
    record("installed " + std::string(appId));
    return std::any_of(apps_.begin(), apps_.end(),
                       [&](const auto& app) { return app->app.id == appId && app->app.installed; });
}

Result<native::App> SimulatedDesktop::launch(const std::string& appId, bool activate) {
    SimAppId id = 0;
    SimLaunch launch;
    {
        std::lock_guard lock(mutex_);
        record("launch " + appId + (activate ? " activate" : ""));
        for (const auto& app : apps_) {
            if (app->app.id == appId && app->app.installed) {
                id = app->id;
                launch = app->launch;
                break;
            }
        }
    }
    if (id == 0) return Error{"No installed application " + appId};
    // Launching takes time; the clock is virtual in tests.
    if (launch.delay > Duration::zero()) clock_.sleepFor(launch.delay);
    if (launch.error) return Error{*launch.error};
    native::App launched;
    {
        std::lock_guard lock(mutex_);
        AppRecord* app = findApp(id);
        if (app == nullptr) return Error{"The application went away"};
        if (!app->running) {
            app->running = true;
            app->pendingEmptySnapshots = launch.windowsAfterSnapshots;
        }
        launched = recordOf(*app);
    }
    launchObservers_.post(mainQueue_, launched);
    return launched;
}

bool SimulatedDesktop::openUri(std::string_view uri) {
    std::lock_guard lock(mutex_);
    record("openUri " + std::string(uri));
    urls_.emplace_back(uri);
    return true;
}

void SimulatedDesktop::requestAccess() {
    std::lock_guard lock(mutex_);
    record("requestAccess");
    ++trustRequests_;
}

Subscription SimulatedDesktop::observeWindows(std::function<void()> handler) {
    return windowObservers_.add(std::move(handler));
}

Subscription SimulatedDesktop::observeMonitors(std::function<void()> handler) {
    return screenObservers_.add(std::move(handler));
}

Subscription SimulatedDesktop::observeWorkspace(std::function<void()> handler) {
    return spaceObservers_.add(std::move(handler));
}

Subscription SimulatedDesktop::observeAppLaunches(std::function<void(const native::App&)> handler) {
    return launchObservers_.add(std::move(handler));
}

}  // namespace vantrel
