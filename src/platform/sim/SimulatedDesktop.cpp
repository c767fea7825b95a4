// The simulated desktop: applications, windows, screens and Spaces in memory, with faults.
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

std::string describe(const AttributeValue& value) {
    struct Visitor {
        std::string operator()(const OtherValue&) const { return "other"; }
        std::string operator()(bool b) const { return b ? "true" : "false"; }
        std::string operator()(const std::string& s) const { return "\"" + s + "\""; }
        std::string operator()(const Point& p) const { return number(p.x) + "," + number(p.y); }
        std::string operator()(const Size& s) const {
            return number(s.width) + "," + number(s.height);
        }
        std::string operator()(const Element&) const { return "element"; }
        std::string operator()(const std::vector<Element>&) const { return "elements"; }
    };
    return std::visit(Visitor{}, value);
}

std::string targetName(SimTarget target) {
    return (target.kind == SimTarget::Kind::application ? "a:" : "w:") + std::to_string(target.id);
}

}  // namespace

class SimulatedDesktop::SimElement final : public ElementData {
  public:
    SimElement(const SimulatedDesktop* desktop, SimTarget of) : owner(desktop), target(of) {}
    const SimulatedDesktop* owner;
    SimTarget target;
};

struct SimulatedDesktop::AppRecord {
    SimAppId id = 0;
    SimApp app;
    bool running = false;
    std::vector<SimWindowId> windows;
    std::optional<SimWindowId> focused;
    SimLaunch launch;
    bool terminateAccepted = true;
    int pendingEmptyChecks = 0;
};

struct SimulatedDesktop::WindowRecord {
    SimWindowId id = 0;
    SimAppId owner = 0;
    SimWindow data;
    std::optional<WindowBounds> serverBounds;
};

struct SimulatedDesktop::Fault {
    SimTarget target;
    std::string attribute;
    bool write = false;
    AttributeRead read;
    AXError error = AXError::failure;
    int remaining = -1;
};

SimulatedDesktop::SimulatedDesktop(Clock& clock, MainQueue& mainQueue, SimIdentity identity)
    : clock_(clock), mainQueue_(mainQueue), identity_(std::move(identity)) {
    screens_ = *parseScreenGeometry("1440x900+0+0P");
}

SimulatedDesktop::~SimulatedDesktop() = default;

// --- helpers ------------------------------------------------------------------------------

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

RunningApplication SimulatedDesktop::recordOf(const AppRecord& app) const {
    return RunningApplication{app.id,      app.app.bundleID, app.app.name,
                              app.app.pid, app.app.policy,   app.app.hidden};
}

void SimulatedDesktop::record(std::string call) {
    calls_.push_back(std::move(call));
}

std::optional<AttributeRead> SimulatedDesktop::takeReadFault(SimTarget target,
                                                             std::string_view name) {
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (it->write || it->target.kind != target.kind || it->target.id != target.id ||
            it->attribute != name)
            continue;
        AttributeRead result = it->read;
        if (it->remaining > 0 && --it->remaining == 0) faults_.erase(it);
        return result;
    }
    return std::nullopt;
}

std::optional<AXError> SimulatedDesktop::takeWriteFault(SimTarget target, std::string_view name) {
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (!it->write || it->target.kind != target.kind || it->target.id != target.id ||
            it->attribute != name)
            continue;
        const AXError error = it->error;
        if (it->remaining > 0 && --it->remaining == 0) faults_.erase(it);
        return error;
    }
    return std::nullopt;
}

Element SimulatedDesktop::windowElement(SimWindowId id) const {
    return std::make_shared<SimElement>(this, SimTarget::window(id));
}

void SimulatedDesktop::announceLaunch(const RunningApplication& launched) {
    launchObservers_.post(mainQueue_, launched);
}

void SimulatedDesktop::announceScreens() {
    screenObservers_.post(mainQueue_);
}

// --- WindowSystem: accessibility ----------------------------------------------------------

bool SimulatedDesktop::isProcessTrusted() {
    std::lock_guard lock(mutex_);
    record("trusted");
    return trusted_;
}

void SimulatedDesktop::requestTrust() {
    std::lock_guard lock(mutex_);
    record("requestTrust");
    ++trustRequests_;
}

Element SimulatedDesktop::applicationElement(const RunningApplication& application) {
    std::lock_guard lock(mutex_);
    return std::make_shared<SimElement>(this, SimTarget::app(application.handle));
}

AttributeRead SimulatedDesktop::copyAttribute(const Element& element, std::string_view name) {
    std::lock_guard lock(mutex_);
    const auto* sim = dynamic_cast<const SimElement*>(element.get());
    if (sim == nullptr || sim->owner != this) {
        record("copy ? " + std::string(name));
        return {AXError::illegalArgument, std::nullopt};
    }
    record("copy " + targetName(sim->target) + " " + std::string(name));
    if (auto fault = takeReadFault(sim->target, name)) return *fault;
    if (sim->target.kind == SimTarget::Kind::application) {
        AppRecord* app = findApp(sim->target.id);
        if (app == nullptr || !app->running) return {AXError::cannotComplete, std::nullopt};
        return readApplication(*app, name);
    }
    const auto it = windows_.find(static_cast<SimWindowId>(sim->target.id));
    if (it == windows_.end()) return {AXError::invalidUIElement, std::nullopt};
    return readWindow(*it->second, name);
}

AttributeRead SimulatedDesktop::readApplication(AppRecord& app, std::string_view name) {
    if (name == attribute::kWindows) {
        std::vector<Element> elements;
        if (app.pendingEmptyChecks > 0) {
            --app.pendingEmptyChecks;  // still starting up: no windows yet
        } else {
            for (auto id : app.windows) elements.push_back(windowElement(id));
        }
        return {AXError::success, AttributeValue{std::move(elements)}};
    }
    if (name == attribute::kFocusedWindow) {
        if (!app.focused || !windows_.contains(*app.focused))
            return {AXError::noValue, std::nullopt};
        return {AXError::success, AttributeValue{windowElement(*app.focused)}};
    }
    return {AXError::attributeUnsupported, std::nullopt};
}

AttributeRead SimulatedDesktop::readWindow(const WindowRecord& window, std::string_view name) {
    const SimWindow& w = window.data;
    if (name == attribute::kTitle) {
        if (!w.title) return {AXError::noValue, std::nullopt};
        return {AXError::success, AttributeValue{*w.title}};
    }
    if (name == attribute::kMain) return {AXError::success, AttributeValue{w.main}};
    if (name == attribute::kPosition) return {AXError::success, AttributeValue{w.position}};
    if (name == attribute::kSize) return {AXError::success, AttributeValue{w.size}};
    if (name == attribute::kMinimized) return {AXError::success, AttributeValue{w.minimized}};
    if (name == attribute::kFullScreen) return {AXError::success, AttributeValue{w.fullscreen}};
    return {AXError::attributeUnsupported, std::nullopt};
}

AXError SimulatedDesktop::setAttribute(const Element& element, std::string_view name,
                                       const AttributeValue& value) {
    std::lock_guard lock(mutex_);
    const auto* sim = dynamic_cast<const SimElement*>(element.get());
    if (sim == nullptr || sim->owner != this) {
        record("set ? " + std::string(name) + " " + describe(value));
        return AXError::illegalArgument;
    }
    record("set " + targetName(sim->target) + " " + std::string(name) + " " + describe(value));
    if (auto fault = takeWriteFault(sim->target, name)) return *fault;
    if (sim->target.kind != SimTarget::Kind::window) return AXError::attributeUnsupported;
    const auto it = windows_.find(static_cast<SimWindowId>(sim->target.id));
    if (it == windows_.end()) return AXError::invalidUIElement;
    SimWindow& w = it->second->data;
    if (name == attribute::kMinimized && std::holds_alternative<bool>(value)) {
        w.minimized = std::get<bool>(value);
        return AXError::success;
    }
    if (name == attribute::kPosition && std::holds_alternative<Point>(value)) {
        w.position = std::get<Point>(value);
        return AXError::success;
    }
    if (name == attribute::kSize && std::holds_alternative<Size>(value)) {
        w.size = std::get<Size>(value);
        return AXError::success;
    }
    return AXError::illegalArgument;
}

// --- WindowSystem: window server, workspace, screens, Spaces ------------------------------

std::optional<std::vector<WindowServerEntry>> SimulatedDesktop::windowList() {
    std::lock_guard lock(mutex_);
    record("windowList");
    if (!windowListAvailable_) return std::nullopt;
    if (serverEntries_) return serverEntries_;
    std::vector<WindowServerEntry> entries;
    for (auto id : windowOrder_) {
        const WindowRecord& window = *windows_.at(id);
        const AppRecord* app = findApp(window.owner);
        if (app == nullptr || !app->running) continue;
        if (!window.data.onScreen || window.data.minimized) continue;
        const SimWindow& w = window.data;
        entries.push_back(
            WindowServerEntry{window.id, app->app.pid, w.layer,
                              window.serverBounds.value_or(WindowBounds{
                                  w.position.x, w.position.y, w.size.width, w.size.height})});
    }
    return entries;
}

std::vector<RunningApplication> SimulatedDesktop::runningApplications() {
    std::lock_guard lock(mutex_);
    record("running");
    std::vector<RunningApplication> result;
    for (const auto& app : apps_)
        if (app->running) result.push_back(recordOf(*app));
    return result;
}

std::optional<RunningApplication> SimulatedDesktop::frontmostApplication() {
    std::lock_guard lock(mutex_);
    record("frontmost");
    if (!frontmost_) return std::nullopt;
    const AppRecord* app = findApp(*frontmost_);
    if (app == nullptr || !app->running) return std::nullopt;
    return recordOf(*app);
}

std::optional<std::string> SimulatedDesktop::applicationLocation(std::string_view bundleID) {
    std::lock_guard lock(mutex_);
    record("location " + std::string(bundleID));
    for (const auto& app : apps_)
        if (app->app.bundleID == bundleID && app->app.location) return app->app.location;
    return std::nullopt;
}

Result<RunningApplication> SimulatedDesktop::openApplication(const std::string& location,
                                                             bool activates) {
    SimAppId id = 0;
    SimLaunch launch;
    {
        std::lock_guard lock(mutex_);
        record("open " + location + (activates ? " activate" : ""));
        for (const auto& app : apps_) {
            if (app->app.location == location) {
                id = app->id;
                launch = app->launch;
                break;
            }
        }
    }
    if (id == 0) return Error{"No application at " + location};
    // Launching takes time; the clock is virtual in tests.
    if (launch.delay > Duration::zero()) clock_.sleepFor(launch.delay);
    if (launch.error) return Error{*launch.error};
    RunningApplication launched;
    {
        std::lock_guard lock(mutex_);
        AppRecord* app = findApp(id);
        if (app == nullptr) return Error{"The application went away"};
        if (!app->running) {
            app->running = true;
            app->pendingEmptyChecks = launch.windowsAfterChecks;
        }
        launched = recordOf(*app);
    }
    announceLaunch(launched);
    return launched;
}

bool SimulatedDesktop::terminate(const RunningApplication& application) {
    std::lock_guard lock(mutex_);
    record("terminate " + application.bundleID.value_or("?"));
    AppRecord* app = findApp(application.handle);
    if (app == nullptr || !app->running || !app->terminateAccepted) return false;
    app->running = false;
    if (frontmost_ == app->id) frontmost_.reset();
    return true;
}

bool SimulatedDesktop::openURL(std::string_view url) {
    std::lock_guard lock(mutex_);
    record("openURL " + std::string(url));
    urls_.emplace_back(url);
    return true;
}

ScreenList SimulatedDesktop::screens() {
    std::lock_guard lock(mutex_);
    record("screens");
    return screens_;
}

std::optional<PreferenceValue> SimulatedDesktop::spacesDisplayConfiguration() {
    std::lock_guard lock(mutex_);
    record("spaces");
    return spaces_;
}

std::optional<std::int64_t> SimulatedDesktop::currentSpaceIndex() {
    std::lock_guard lock(mutex_);
    record("currentSpace");
    return currentSpace_;
}

bool SimulatedDesktop::moveWindowToCurrentSpace(const Element& element) {
    std::lock_guard lock(mutex_);
    const auto* sim = dynamic_cast<const SimElement*>(element.get());
    if (sim == nullptr || sim->owner != this || sim->target.kind != SimTarget::Kind::window)
        return false;
    record("toCurrentSpace " + targetName(sim->target));
    if (!currentSpace_ || !spaces_) return false;
    auto* displays = std::get_if<PreferenceValue::Dictionary>(&spaces_->data);
    if (displays == nullptr) return false;
    const auto number = static_cast<std::int64_t>(sim->target.id);
    std::int64_t n = 1;
    // Numbered as readers number them: over every display, skipping entries without a uuid.
    for (auto& display : *displays) {
        auto* dictionary = std::get_if<PreferenceValue::Dictionary>(&display.value.data);
        if (dictionary == nullptr) continue;
        for (auto& [key, list] : *dictionary) {
            auto* spaces = std::get_if<PreferenceValue::List>(&list.data);
            if (key != "Spaces" || spaces == nullptr) continue;
            for (auto& space : *spaces) {
                if (space.find("uuid") == nullptr) continue;
                auto* entries = std::get_if<PreferenceValue::Dictionary>(&space.data);
                for (auto& [field, value] : *entries) {
                    auto* windows = std::get_if<PreferenceValue::List>(&value.data);
                    if (field != "windows" || windows == nullptr) continue;
                    std::erase_if(*windows, [&](const PreferenceValue& v) {
                        return v.as<std::int64_t>() != nullptr && *v.as<std::int64_t>() == number;
                    });
                    if (n == *currentSpace_) windows->push_back(PreferenceValue{number});
                }
                ++n;
            }
        }
    }
    return true;
}

Subscription SimulatedDesktop::observeSpaceChanges(std::function<void()> handler) {
    return spaceObservers_.add(std::move(handler));
}

void SimulatedDesktop::setCurrentSpace(std::optional<std::int64_t> index) {
    {
        std::lock_guard lock(mutex_);
        currentSpace_ = index;
    }
    spaceObservers_.post(mainQueue_);
}

Subscription SimulatedDesktop::observeScreenParameters(std::function<void()> handler) {
    return screenObservers_.add(std::move(handler));
}

Subscription SimulatedDesktop::observeApplicationLaunches(
    std::function<void(const RunningApplication&)> handler) {
    return launchObservers_.add(std::move(handler));
}

// --- SimControl ---------------------------------------------------------------------------

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
    auto record = std::make_unique<WindowRecord>();
    record->id = id;
    record->owner = appId;
    record->data = std::move(window);
    record->data.number = id;
    windows_.emplace(id, std::move(record));
    windowOrder_.push_back(id);
    app->windows.push_back(id);
    return id;
}

void SimulatedDesktop::removeWindow(SimWindowId id) {
    std::lock_guard lock(mutex_);
    const auto it = windows_.find(id);
    if (it == windows_.end()) return;
    if (AppRecord* app = findApp(it->second->owner)) std::erase(app->windows, id);
    std::erase(windowOrder_, id);
    windows_.erase(it);
}

SimWindow SimulatedDesktop::window(SimWindowId id) const {
    std::lock_guard lock(mutex_);
    const auto it = windows_.find(id);
    return it == windows_.end() ? SimWindow{} : it->second->data;
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
    RunningApplication launched;
    {
        std::lock_guard lock(mutex_);
        AppRecord* app = findApp(id);
        if (app == nullptr) return;
        app->running = true;
        launched = recordOf(*app);
    }
    announceLaunch(launched);
}

void SimulatedDesktop::setTrusted(bool trusted) {
    std::lock_guard lock(mutex_);
    trusted_ = trusted;
}

void SimulatedDesktop::setTiling(bool tiling) {
    std::lock_guard lock(mutex_);
    tiling_ = tiling;
}

bool SimulatedDesktop::windowManagerTiles() {
    std::lock_guard lock(mutex_);
    return tiling_;
}

bool SimulatedDesktop::setScreens(std::string_view geometry) {
    auto parsed = parseScreenGeometry(geometry);
    if (!parsed) return false;
    setScreens(std::move(*parsed));
    return true;
}

void SimulatedDesktop::setScreens(ScreenList screens) {
    {
        std::lock_guard lock(mutex_);
        screens_ = std::move(screens);
    }
    announceScreens();
}

void SimulatedDesktop::setWindowListAvailable(bool available) {
    std::lock_guard lock(mutex_);
    windowListAvailable_ = available;
}

void SimulatedDesktop::setWindowServerEntries(
    std::optional<std::vector<WindowServerEntry>> entries) {
    std::lock_guard lock(mutex_);
    serverEntries_ = std::move(entries);
}

void SimulatedDesktop::setServerBounds(SimWindowId id, WindowBounds bounds) {
    std::lock_guard lock(mutex_);
    const auto it = windows_.find(id);
    if (it != windows_.end()) it->second->serverBounds = bounds;
}

void SimulatedDesktop::setSpaces(const std::vector<SimSpace>& spaces) {
    PreferenceValue::List list;
    for (const auto& space : spaces) {
        PreferenceValue::Dictionary entry;
        if (space.uuid) entry.push_back({"uuid", PreferenceValue{*space.uuid}});
        PreferenceValue::List windows;
        for (auto number : space.windows) windows.push_back(PreferenceValue{number});
        entry.push_back({"windows", PreferenceValue{std::move(windows)}});
        if (space.type) entry.push_back({"type", PreferenceValue{*space.type}});
        list.push_back(PreferenceValue{std::move(entry)});
    }
    PreferenceValue::Dictionary display{{"Spaces", PreferenceValue{std::move(list)}}};
    PreferenceValue::Dictionary root{{"Main", PreferenceValue{std::move(display)}}};
    setSpacesData(PreferenceValue{std::move(root)});
}

void SimulatedDesktop::setSpacesData(std::optional<PreferenceValue> displayConfiguration) {
    std::lock_guard lock(mutex_);
    spaces_ = std::move(displayConfiguration);
}

void SimulatedDesktop::failRead(SimTarget target, std::string_view attribute, AttributeRead result,
                                int times) {
    std::lock_guard lock(mutex_);
    if (times == 0) return;
    faults_.push_back(
        Fault{target, std::string(attribute), false, std::move(result), AXError::success, times});
}

void SimulatedDesktop::failWrite(SimTarget target, std::string_view attribute, AXError error,
                                 int times) {
    std::lock_guard lock(mutex_);
    if (times == 0) return;
    faults_.push_back(Fault{target, std::string(attribute), true, {}, error, times});
}

void SimulatedDesktop::clearFaults() {
    std::lock_guard lock(mutex_);
    faults_.clear();
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
