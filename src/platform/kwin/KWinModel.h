// The desktop as the KWin script reports it, kept up to date report by report, and the native
// snapshot made from it.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/Geometry.h"
#include "platform/api/NativeTypes.h"
#include "platform/freedesktop/DesktopEntries.h"

namespace vantrel::kwin {

// One window as the script describes it, in KWin's coordinates.
struct ScriptWindow {
    std::string uuid;  // KWin's internalId
    std::int32_t pid = 0;
    std::string resourceClass;
    std::string resourceName;
    std::string desktopFile;
    std::string title;
    Rect frame;
    bool minimized = false;
    bool fullScreen = false;
    bool maximized = false;
    bool active = false;
    bool keepAbove = false;
    bool keepBelow = false;
    std::int64_t desktop = -1;  // from 0; -1 on every desktop
    std::int64_t stacking = 0;  // higher is nearer the front
};

struct ScriptMonitor {
    std::string name;  // the output's name; empty where KWin does not say (5.27)
    std::string manufacturer;
    std::string model;
    std::string serial;
    Rect frame;
    Rect workArea;
};

// Not thread-safe: its owner guards it.
class KWinModel {
  public:
    using Json = nlohmann::json;
    struct Changes {
        bool windows = false;
        bool monitors = false;
        bool workspaces = false;
    };

    // Applies one report ("state", "window", "removed", "monitors", "workspaces"); values of
    // the wrong type read as absent, so any text the bridge parsed is safe here.
    Changes apply(const Json& report);

    // Windows of this process are Vantrel's own: an accessory, never captured, placed or closed.
    void setOwnPid(std::int32_t pid) {
        ownPid_ = pid;
        snapshot_.reset();
    }

    const ScriptWindow* window(native::WindowId id) const;
    const ScriptWindow* window(const std::string& uuid) const;
    native::WindowId idOf(const std::string& uuid);
    // Where the desktop space's origin (the primary monitor's corner) is in KWin's coordinates.
    Point origin() const;
    // Names for monitors KWin did not name, by index (from its support information).
    void nameMonitors(const std::vector<std::string>& names);
    bool monitorsNamed() const;

    // The window's application id: its desktop file when that names an installed entry, else
    // what the X11 backend would find from the same class hints.
    std::optional<std::string> appIdOf(const ScriptWindow& window,
                                       const freedesktop::EntryIndex& entries) const;
    native::AppHandle handleFor(const std::string& appId);
    native::App appOf(const ScriptWindow& window, const freedesktop::EntryIndex& entries);

    // Made again only after a report changed something.
    std::shared_ptr<const native::Snapshot> snapshot(const freedesktop::EntryIndex& entries);
    // Drops everything the script reported (it was unloaded, or KWin went away).
    void clear();
    // Makes the next snapshot again: the installed entries that name applications changed.
    void entriesChanged() { snapshot_.reset(); }

  private:
    static ScriptWindow windowFrom(const Json& value);
    static std::vector<ScriptMonitor> monitorsFrom(const Json& value);
    void workspacesFrom(const Json& value);
    std::vector<native::Monitor> nativeMonitors() const;

    std::map<std::string, native::WindowId> ids_;
    native::WindowId nextId_ = 1;
    std::vector<std::string> order_;  // uuids, in order of first appearance
    std::unordered_map<std::string, ScriptWindow> windows_;
    std::vector<ScriptMonitor> monitors_;
    native::Workspaces workspaces_;
    std::map<std::string, native::AppHandle> handles_;
    native::AppHandle nextHandle_ = 1;
    std::int32_t ownPid_ = 0;
    std::shared_ptr<const native::Snapshot> snapshot_;
};

// A monitor's stable id: from its panel's manufacturer, model and serial where KWin gives them,
// else from the output name (as the X11 backend does without an EDID); never 0.
std::uint32_t monitorId(const ScriptMonitor& monitor);

}  // namespace vantrel::kwin
