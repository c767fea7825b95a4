// The simulated desktop's control side: building the world, faults and the call record.
#include <algorithm>

#include "platform/sim/SimulatedDesktop.h"

namespace vantrel {

SimAppId SimulatedDesktop::addApplication(SimApp app, bool running) {
    std::lock_guard lock(mutex_);
    auto record = std::make_unique<AppRecord>();
    record->id = nextApp_++;
    record->app = std::move(app);
    record->running = running;
    apps_.push_back(std::move(record));
    return apps_.back()->id;
}

void SimulatedDesktop::setRunning(SimAppId id, bool running) {
    std::lock_guard lock(mutex_);
    if (AppRecord* app = findApp(id)) app->running = running;
}

bool SimulatedDesktop::isRunning(SimAppId id) const {
    std::lock_guard lock(mutex_);
    const AppRecord* app = findApp(id);
    return app != nullptr && app->running;
}

SimWindowId SimulatedDesktop::addWindow(SimAppId appId, SimWindow window) {
    std::lock_guard lock(mutex_);
    AppRecord* app = findApp(appId);
    if (app == nullptr) return 0;
    const SimWindowId id = window.number.value_or(nextWindow_);
    if (windows_.contains(id)) return 0;
    nextWindow_ = std::max(nextWindow_, id + 1);
    window.number = id;
    windows_.emplace(id, std::make_pair(appId, std::move(window)));
    windowOrder_.push_back(id);
    app->windows.push_back(id);
    return id;
}

void SimulatedDesktop::removeWindow(SimWindowId id) {
    std::lock_guard lock(mutex_);
    const auto it = windows_.find(id);
    if (it == windows_.end()) return;
    if (AppRecord* app = findApp(it->second.first)) std::erase(app->windows, id);
    std::erase(windowOrder_, id);
    windows_.erase(it);
}

SimWindow SimulatedDesktop::window(SimWindowId id) const {
    std::lock_guard lock(mutex_);
    const auto it = windows_.find(id);
    return it == windows_.end() ? SimWindow{} : it->second.second;
}

void SimulatedDesktop::setFrontmost(std::optional<SimAppId> app) {
    std::lock_guard lock(mutex_);
    frontmost_ = app;
}

void SimulatedDesktop::setFocusedWindow(SimAppId id, std::optional<SimWindowId> window) {
    std::lock_guard lock(mutex_);
    if (AppRecord* app = findApp(id)) app->focused = window;
}

void SimulatedDesktop::setLaunch(SimAppId id, SimLaunch launch) {
    std::lock_guard lock(mutex_);
    if (AppRecord* app = findApp(id)) app->launch = std::move(launch);
}

void SimulatedDesktop::setTerminateAccepted(SimAppId id, bool accepted) {
    std::lock_guard lock(mutex_);
    if (AppRecord* app = findApp(id)) app->terminateAccepted = accepted;
}

void SimulatedDesktop::simulateLaunch(SimAppId id) {
    native::App launched;
    {
        std::lock_guard lock(mutex_);
        AppRecord* app = findApp(id);
        if (app == nullptr) return;
        app->running = true;
        launched = recordOf(*app);
    }
    launchObservers_.post(mainQueue_, launched);
}

void SimulatedDesktop::setTrusted(bool trusted) {
    std::lock_guard lock(mutex_);
    trusted_ = trusted;
}

void SimulatedDesktop::setTiling(bool tiling) {
    std::lock_guard lock(mutex_);
    tiling_ = tiling;
}

bool SimulatedDesktop::setScreens(std::string_view geometry) {
    auto parsed = parseScreenGeometry(geometry);
    if (!parsed) return false;
    setMonitors(std::move(*parsed));
    return true;
}

void SimulatedDesktop::setMonitors(std::vector<native::Monitor> monitors) {
    {
        std::lock_guard lock(mutex_);
        monitors_ = std::move(monitors);
    }
    screenObservers_.post(mainQueue_);
}

void SimulatedDesktop::setWorkspaces(std::int64_t count) {
    std::lock_guard lock(mutex_);
    workspaces_.count = count;
}

void SimulatedDesktop::setWorkspace(SimWindowId window, std::optional<std::int64_t> workspace,
                                    bool sticky) {
    std::lock_guard lock(mutex_);
    const auto it = windows_.find(window);
    if (it == windows_.end()) return;
    it->second.second.workspace = workspace;
    it->second.second.sticky = sticky;
}

void SimulatedDesktop::setCurrentWorkspace(std::optional<std::int64_t> index) {
    {
        std::lock_guard lock(mutex_);
        workspaces_.current = index;
    }
    spaceObservers_.post(mainQueue_);
}

void SimulatedDesktop::failWrite(SimWindowId window, SimWrite what, native::PlaceResult result,
                                 int times) {
    std::lock_guard lock(mutex_);
    if (times == 0) return;
    faults_.push_back(Fault{window, what, result, times});
}

std::vector<std::string> SimulatedDesktop::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::size_t SimulatedDesktop::callCount(std::string_view prefix) const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(calls_.begin(), calls_.end(), [&](const auto& c) {
        return std::string_view(c).starts_with(prefix);
    }));
}

void SimulatedDesktop::clearCalls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

std::vector<std::string> SimulatedDesktop::openedURLs() const {
    std::lock_guard lock(mutex_);
    return urls_;
}

int SimulatedDesktop::trustRequests() const {
    std::lock_guard lock(mutex_);
    return trustRequests_;
}

}  // namespace vantrel
