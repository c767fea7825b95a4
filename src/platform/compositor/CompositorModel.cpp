// Reading a compositor's reports into the model, and the native snapshot of it.
#include "platform/compositor/CompositorModel.h"

#include <algorithm>

#include "platform/freedesktop/Edid.h"

namespace vantrel::compositor {
namespace {

using Json = nlohmann::json;

const Json& field(const Json& object, const char* key) {
    static const Json absent;
    if (!object.is_object()) return absent;
    const auto found = object.find(key);
    return found != object.end() ? *found : absent;
}

std::string text(const Json& object, const char* key) {
    const Json& value = field(object, key);
    return value.is_string() ? value.get<std::string>() : std::string();
}

double number(const Json& object, const char* key, double otherwise = 0) {
    const Json& value = field(object, key);
    return value.is_number() ? value.get<double>() : otherwise;
}

bool flag(const Json& object, const char* key) {
    const Json& value = field(object, key);
    return value.is_boolean() && value.get<bool>();
}

Rect rect(const Json& object, const char* key) {
    const Json& value = field(object, key);
    if (!value.is_array() || value.size() != 4) return {};
    for (const auto& part : value)
        if (!part.is_number()) return {};
    return Rect{value[0].get<double>(), value[1].get<double>(), value[2].get<double>(),
                value[3].get<double>()};
}

}  // namespace

std::uint32_t monitorId(const ReportedMonitor& monitor) {
    if (!monitor.edid.empty()) return freedesktop::displayId(monitor.edid, monitor.name);
    // Without an EDID the id hashes a name: the panel's maker, model and serial where given.
    return freedesktop::displayId({}, monitor.serial.empty()
                                          ? monitor.name
                                          : monitor.manufacturer + monitor.model + monitor.serial);
}

ReportedWindow CompositorModel::windowFrom(const Json& value) {
    ReportedWindow w;
    w.uuid = text(value, "id");
    w.pid = static_cast<std::int32_t>(number(value, "pid"));
    w.resourceClass = text(value, "resourceClass");
    w.resourceName = text(value, "resourceName");
    w.desktopFile = text(value, "desktopFile");
    w.title = text(value, "title");
    w.frame = rect(value, "frame");
    w.minimized = flag(value, "minimized");
    w.fullScreen = flag(value, "fullScreen");
    w.maximized = flag(value, "maximized");
    w.active = flag(value, "active");
    w.keepAbove = flag(value, "keepAbove");
    w.keepBelow = flag(value, "keepBelow");
    w.desktop = static_cast<std::int64_t>(number(value, "desktop", -1));
    w.stacking = static_cast<std::int64_t>(number(value, "stacking"));
    return w;
}

std::vector<ReportedMonitor> CompositorModel::monitorsFrom(const Json& value) {
    std::vector<ReportedMonitor> list;
    if (!value.is_array()) return list;
    for (const auto& m : value) {
        ReportedMonitor monitor{text(m, "name"),  flag(m, "primary"), text(m, "manufacturer"),
                                text(m, "model"), text(m, "serial"),  {},
                                rect(m, "frame"), rect(m, "workArea")};
        // A malformed EDID is ignored: the monitor keeps the id its other fields give.
        if (auto edid = freedesktop::edidFromHex(text(m, "edid")); edid && !edid->empty())
            monitor.edid = std::move(*edid);
        if (monitor.frame.width > 0 && monitor.frame.height > 0) list.push_back(monitor);
    }
    // The primary first, where one is named; KWin names none, and its first is where panels start.
    std::stable_partition(list.begin(), list.end(), [](const auto& m) { return m.primary; });
    return list;
}

void CompositorModel::workspacesFrom(const Json& value) {
    workspaces_.count = static_cast<std::int64_t>(number(value, "count"));
    const double current = number(value, "current", -1);
    workspaces_.current =
        current >= 0 ? std::optional(static_cast<std::int64_t>(current)) : std::nullopt;
}

void CompositorModel::windowsFrom(const Json& value) {
    std::vector<std::string> order;
    std::unordered_map<std::string, ReportedWindow> windows;
    for (const auto& one : value.is_array() ? value : Json::array()) {
        ReportedWindow w = windowFrom(one);
        if (w.uuid.empty() || windows.contains(w.uuid)) continue;
        order.push_back(w.uuid);
        windows[w.uuid] = std::move(w);
    }
    // Windows keep their place in the order of first appearance; new ones come last.
    std::erase_if(order_, [&](const std::string& uuid) { return !windows.contains(uuid); });
    for (const auto& uuid : order)
        if (!windows_.contains(uuid)) order_.push_back(uuid);
    for (const auto& [uuid, known] : windows_)
        if (!windows.contains(uuid)) ids_.erase(uuid);
    for (const auto& uuid : order) idOf(uuid);
    windows_ = std::move(windows);
}

CompositorModel::Changes CompositorModel::apply(const Json& report) {
    const std::string kind = text(report, "kind");
    Changes changes;
    if (kind == "state") {
        windowsFrom(field(report, "windows"));
        monitors_ = monitorsFrom(field(report, "monitors"));
        workspacesFrom(field(report, "workspaces"));
        changes = {true, true, true};
    } else if (kind == "windows") {
        windowsFrom(field(report, "windows"));
        workspacesFrom(field(report, "workspaces"));
        changes = {true, false, true};
    } else if (kind == "window") {
        ReportedWindow w = windowFrom(field(report, "window"));
        if (w.uuid.empty()) return changes;
        idOf(w.uuid);
        if (!windows_.contains(w.uuid)) order_.push_back(w.uuid);
        windows_[w.uuid] = std::move(w);
        changes.windows = true;
    } else if (kind == "removed") {
        const std::string uuid = text(report, "id");
        changes.windows = windows_.erase(uuid) > 0;
        std::erase(order_, uuid);
        ids_.erase(uuid);
    } else if (kind == "monitors") {
        monitors_ = monitorsFrom(field(report, "monitors"));
        changes.monitors = true;
    } else if (kind == "workspaces") {
        workspacesFrom(field(report, "workspaces"));
        changes.workspaces = true;
    }
    if (changes.windows || changes.monitors || changes.workspaces) snapshot_.reset();
    return changes;
}

const ReportedWindow* CompositorModel::window(const std::string& uuid) const {
    const auto found = windows_.find(uuid);
    return found != windows_.end() ? &found->second : nullptr;
}

const ReportedWindow* CompositorModel::window(native::WindowId id) const {
    for (const auto& [uuid, known] : ids_)
        if (known == id) return window(uuid);
    return nullptr;
}

native::WindowId CompositorModel::idOf(const std::string& uuid) {
    const auto [it, added] = ids_.try_emplace(uuid, nextId_);
    if (added) ++nextId_;
    return it->second;
}

Point CompositorModel::origin() const {
    if (monitors_.empty()) return {};
    return {monitors_.front().frame.x, monitors_.front().frame.y};
}

void CompositorModel::nameMonitors(const std::vector<std::string>& names) {
    for (std::size_t i = 0; i < monitors_.size() && i < names.size(); ++i)
        if (monitors_[i].name.empty()) monitors_[i].name = names[i];
    snapshot_.reset();
}

bool CompositorModel::monitorsNamed() const {
    return std::none_of(monitors_.begin(), monitors_.end(),
                        [](const ReportedMonitor& m) { return m.name.empty(); });
}

void CompositorModel::clear() {
    windows_.clear();
    order_.clear();
    monitors_.clear();
    workspaces_ = {};
    snapshot_.reset();
}

std::optional<std::string> CompositorModel::appIdOf(const ReportedWindow& window,
                                                    const freedesktop::EntryIndex& entries) const {
    if (!window.desktopFile.empty()) {
        if (const auto* entry = entries.byId(window.desktopFile)) return entry->id;
    }
    return freedesktop::resolveApplicationId({window.resourceName, window.resourceClass, {}},
                                             entries);
}

native::AppHandle CompositorModel::handleFor(const std::string& appId) {
    const auto [it, added] = handles_.try_emplace(appId, nextHandle_);
    if (added) ++nextHandle_;
    return it->second;
}

native::App CompositorModel::appOf(const ReportedWindow& window,
                                   const freedesktop::EntryIndex& entries) {
    native::App app;
    app.id = appIdOf(window, entries);
    const std::string key = app.id.value_or(window.resourceClass);
    app.handle = handleFor(key);
    const auto* entry = app.id ? entries.byId(*app.id) : nullptr;
    app.name = entry != nullptr && !entry->name.empty() ? entry->name : key;
    app.pid = window.pid;
    if (ownPid_ != 0 && window.pid == ownPid_) app.role = native::AppRole::accessory;
    return app;
}

std::vector<native::Monitor> CompositorModel::nativeMonitors() const {
    std::vector<native::Monitor> list;
    const Point o = origin();
    const auto moved = [&](Rect r) { return Rect{r.x - o.x, r.y - o.y, r.width, r.height}; };
    for (std::size_t i = 0; i < monitors_.size(); ++i) {
        const auto& m = monitors_[i];
        native::Monitor monitor;
        monitor.id = monitorId(m);
        if (!m.name.empty()) monitor.name = m.name;
        monitor.frame = moved(m.frame);
        monitor.workArea = moved(m.workArea);
        monitor.main = i == 0;
        list.push_back(monitor);
    }
    return list;
}

std::shared_ptr<const native::Snapshot> CompositorModel::snapshot(
    const freedesktop::EntryIndex& entries) {
    if (snapshot_) return snapshot_;
    auto made = std::make_shared<native::Snapshot>();
    const Point o = origin();
    // Applications in order of their first window; each one's windows in order of appearance.
    std::vector<std::pair<native::App, std::vector<const ReportedWindow*>>> apps;
    for (const auto& uuid : order_) {
        const ReportedWindow& w = windows_.at(uuid);
        native::App app = appOf(w, entries);
        const auto same = [&](const auto& entry) { return entry.first.handle == app.handle; };
        auto found = std::find_if(apps.begin(), apps.end(), same);
        if (found == apps.end()) found = apps.insert(apps.end(), {app, {}});
        found->second.push_back(&w);
    }
    std::vector<const ReportedWindow*> shown;
    for (const auto& [app, windows] : apps) {
        made->apps.push_back(app);
        // The focused window, else the frontmost shown one.
        const ReportedWindow* main = nullptr;
        for (const auto* w : windows)
            if (w->active) main = w;
        for (const auto* w : windows)
            if (main == nullptr || (!main->active && !w->minimized && w->stacking > main->stacking))
                main = w;
        for (const auto* w : windows) {
            native::Window window;
            window.id = idOf(w->uuid);
            window.app = app.handle;
            window.title = w->title;
            window.frame = {w->frame.x - o.x, w->frame.y - o.y, w->frame.width, w->frame.height};
            window.sticky = w->desktop < 0;
            if (!window.sticky) window.workspace = w->desktop;
            window.minimized = w->minimized;
            window.maximized = w->maximized;
            window.fullScreen = w->fullScreen;
            window.focused = w->active;
            window.main = w == main;
            window.layer = w->keepAbove ? 1 : (w->keepBelow ? -1 : 0);
            made->windows.push_back(window);
            if (w->active) made->frontmost = app.handle;
            if (!w->minimized && (window.sticky || window.workspace == workspaces_.current))
                shown.push_back(w);
        }
    }
    std::stable_sort(shown.begin(), shown.end(),
                     [](const auto* a, const auto* b) { return a->stacking > b->stacking; });
    for (const auto* w : shown) made->stacking.push_back(idOf(w->uuid));
    made->monitors = nativeMonitors();
    made->workspaces = workspaces_;
    made->index();
    snapshot_ = std::move(made);
    return snapshot_;
}

}  // namespace vantrel::compositor
