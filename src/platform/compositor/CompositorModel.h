// The desktop as a compositor's own half reports it (the KWin script, the GNOME Shell extension),
// kept up to date report by report, and the native snapshot made from it.
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

namespace vantrel::compositor {

// One window as the compositor describes it, in the compositor's coordinates.
struct ReportedWindow {
    std::string uuid;  // the compositor's own id (KWin's internalId, Mutter's window id)
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

struct ReportedMonitor {
    std::string name;  // the output's name; empty where KWin does not say (5.27)
    bool primary = false;
    std::string manufacturer;
    std::string model;
    std::string serial;
    std::vector<std::uint8_t> edid;  // the panel's EDID where the compositor's half sent it
    Rect frame;
    Rect workArea;
};

// Not thread-safe: its owner guards it.
class CompositorModel {
  public:
    using Json = nlohmann::json;
    struct Changes {
        bool windows = false;
        bool monitors = false;
        bool workspaces = false;
    };

    // Applies one report ("state", "window", "removed", "monitors", "workspaces", or "windows":
    // every window and the workspaces, ids kept); values of the wrong type read as absent, so
    // any text that parsed as JSON is safe here.
    Changes apply(const Json& report);

    // Windows of this process are Vantrel's own: an accessory, never captured, placed or closed.
    void setOwnPid(std::int32_t pid) {
        ownPid_ = pid;
        snapshot_.reset();
    }

    const ReportedWindow* window(native::WindowId id) const;
    const ReportedWindow* window(const std::string& uuid) const;
    native::WindowId idOf(const std::string& uuid);
    // Where the desktop space's origin (the primary monitor's corner) is in the compositor's.
    Point origin() const;
    // Names for monitors KWin did not name, by index (from its support information).
    void nameMonitors(const std::vector<std::string>& names);
    bool monitorsNamed() const;

    // The window's application id: its desktop file when that names an installed entry, else
    // what the X11 backend would find from the same class hints.
    std::optional<std::string> appIdOf(const ReportedWindow& window,
                                       const freedesktop::EntryIndex& entries) const;
    native::AppHandle handleFor(const std::string& appId);
    native::App appOf(const ReportedWindow& window, const freedesktop::EntryIndex& entries);

    // Made again only after a report changed something.
    std::shared_ptr<const native::Snapshot> snapshot(const freedesktop::EntryIndex& entries);
    // Drops everything reported (the compositor's half was unloaded or went away).
    void clear();
    // Makes the next snapshot again: the installed entries that name applications changed.
    void entriesChanged() { snapshot_.reset(); }

  private:
    static ReportedWindow windowFrom(const Json& value);
    static std::vector<ReportedMonitor> monitorsFrom(const Json& value);
    void workspacesFrom(const Json& value);
    void windowsFrom(const Json& value);
    std::vector<native::Monitor> nativeMonitors() const;

    std::map<std::string, native::WindowId> ids_;
    native::WindowId nextId_ = 1;
    std::vector<std::string> order_;  // uuids, in order of first appearance
    std::unordered_map<std::string, ReportedWindow> windows_;
    std::vector<ReportedMonitor> monitors_;
    native::Workspaces workspaces_;
    std::map<std::string, native::AppHandle> handles_;
    native::AppHandle nextHandle_ = 1;
    std::int32_t ownPid_ = 0;
    std::shared_ptr<const native::Snapshot> snapshot_;
};

// A monitor's stable id: the X11 backend's id of the same EDID where one was reported (so a layout
// matches its displays in both sessions); else from its panel's manufacturer, model and serial
// where they are given, else from the output name (as the X11 backend does without an EDID);
// never 0.
std::uint32_t monitorId(const ReportedMonitor& monitor);

}  // namespace vantrel::compositor
