// The X11 desktop's native snapshot: applications, windows, monitors and desktops in one read.
#include <algorithm>
#include <cstdlib>

#include "platform/x11/X11Desktop.h"

namespace vantrel {
namespace {

std::string trimmed(std::string text) {
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

// Root coordinates relative to the primary monitor's top-left corner: the desktop space.
Rect toDesktop(const Rect& root, const Rect& primary) {
    const Point origin = x11::rootToDesktop({root.x, root.y}, primary);
    return Rect{origin.x, origin.y, root.width, root.height};
}

}  // namespace

std::shared_ptr<const native::Snapshot> X11Desktop::snapshot() {
    std::lock_guard lock(mutex_);
    return nativeLocked();
}

std::shared_ptr<const native::Snapshot> X11Desktop::nativeLocked() {
    const x11::Snapshot* snapshot = snapshotLocked(Freshness::current);
    if (snapshot == nullptr) return std::make_shared<const native::Snapshot>();
    if (native_) return native_;
    auto result = std::make_shared<native::Snapshot>();
    const Rect primary = primaryLocked();
    for (const auto& app : snapshot->apps) {
        result->apps.push_back(recordOfLocked(app));
        for (const xcb_window_t window : app.windows)
            if (const auto* client = snapshot->client(window))
                result->windows.push_back(
                    windowOfLocked(*snapshot, *client, result->apps.back().handle, primary));
    }
    const auto& stacking = snapshot->root.stacking;
    for (auto it = stacking.rbegin(); it != stacking.rend(); ++it) {
        const x11::ClientInfo* client = snapshot->client(*it);
        if (client == nullptr || !client->viewable) continue;
        if (client->hasState(atoms_._NET_WM_STATE_HIDDEN)) continue;
        if (client->desktop && !x11::isOnAllDesktops(*client, atoms_) &&
            *client->desktop != snapshot->root.currentDesktop)
            continue;
        const auto& types = client->types;
        if (!types.empty() && types.front() == atoms_._NET_WM_WINDOW_TYPE_DESKTOP) continue;
        result->stacking.push_back(*it);
    }
    result->monitors = monitorListLocked(*snapshot);
    const auto& root = snapshot->root;
    result->workspaces.count = root.numberOfDesktops;
    if (root.statesCurrentDesktop) result->workspaces.current = root.currentDesktop;
    if (const x11::AppGroup* front = snapshot->appOf(root.active))
        result->frontmost = handleForLocked(front->id);
    result->index();
    native_ = std::move(result);
    return native_;
}

native::Window X11Desktop::windowOfLocked(const x11::Snapshot& snapshot,
                                          const x11::ClientInfo& client, std::uint64_t app,
                                          const Rect& primary) const {
    native::Window window;
    window.id = client.window;
    window.app = app;
    if (client.netName)
        window.title = trimmed(*client.netName);
    else if (client.wmName)
        window.title = trimmed(*client.wmName);
    window.frame = toDesktop(client.frame(), primary);
    window.sticky = x11::isOnAllDesktops(client, atoms_);
    if (!window.sticky && client.desktop) window.workspace = *client.desktop;
    window.minimized = client.hasState(atoms_._NET_WM_STATE_HIDDEN) &&
                       !client.hasState(atoms_._NET_WM_STATE_SHADED);
    window.maximized = client.hasState(atoms_._NET_WM_STATE_MAXIMIZED_VERT) &&
                       client.hasState(atoms_._NET_WM_STATE_MAXIMIZED_HORZ);
    window.fullScreen = client.hasState(atoms_._NET_WM_STATE_FULLSCREEN);
    window.focused = snapshot.root.active == client.window;
    const x11::AppGroup* group = snapshot.appOf(client.window);
    window.main = group != nullptr && mainWindowLocked(snapshot, *group) == client.window;
    const auto& types = client.types;
    if (!types.empty() && types.front() == atoms_._NET_WM_WINDOW_TYPE_DOCK)
        window.layer = 20;
    else if (client.hasState(atoms_._NET_WM_STATE_ABOVE))
        window.layer = 3;
    else if (client.hasState(atoms_._NET_WM_STATE_BELOW))
        window.layer = -1;
    return window;
}

xcb_window_t X11Desktop::mainWindowLocked(const x11::Snapshot& snapshot,
                                          const x11::AppGroup& app) const {
    const auto owns = [&](xcb_window_t w) {
        return std::find(app.windows.begin(), app.windows.end(), w) != app.windows.end();
    };
    // A focused dialog makes the window it belongs to the main one.
    if (const auto* active = snapshot.client(snapshot.root.active);
        active != nullptr && owns(active->window)) {
        if (active->transientFor && owns(*active->transientFor)) return *active->transientFor;
        if (!active->transientFor) return active->window;
    }
    for (auto it = snapshot.root.stacking.rbegin(); it != snapshot.root.stacking.rend(); ++it) {
        const auto* client = snapshot.client(*it);
        if (client != nullptr && owns(*it) && !client->transientFor &&
            x11::isNormalWindow(*client, atoms_))
            return *it;
    }
    return XCB_WINDOW_NONE;
}

std::vector<native::Monitor> X11Desktop::monitorListLocked(const x11::Snapshot& snapshot) {
    const auto& root = snapshot.root;
    std::vector<x11::Strut> struts;
    const auto addStrut = [&](const std::vector<double>& values) {
        if (values.size() == 12) {
            x11::Strut strut{};
            std::copy(values.begin(), values.end(), strut.begin());
            struts.push_back(strut);
        } else if (values.size() == 4) {
            struts.push_back(x11::strutFromLegacy({values[0], values[1], values[2], values[3]},
                                                  root.width, root.height));
        }
    };
    for (const auto& client : snapshot.clients) {
        if (!client.alive || client.strut.empty()) continue;
        if (client.desktop && !x11::isOnAllDesktops(client, atoms_) &&
            *client.desktop != root.currentDesktop)
            continue;
        addStrut(client.strut);
    }
    if (windowManagerLocked().tiles)
        for (const auto& strut : x11::unlistedDockStruts(connection_, root_, atoms_))
            addStrut(strut);
    std::optional<Rect> workarea;
    const std::size_t offset = static_cast<std::size_t>(root.currentDesktop) * 4;
    if (root.workarea.size() >= offset + 4)
        workarea = Rect{root.workarea[offset], root.workarea[offset + 1], root.workarea[offset + 2],
                        root.workarea[offset + 3]};
    return x11::buildMonitors(monitorsLocked(), struts, workarea, root.width, root.height);
}

bool X11Desktop::managerRunsLocked() {
    // A window manager proves itself with a check window that names itself.
    auto read = [&](xcb_window_t window) -> xcb_window_t {
        auto cookie = xcb_get_property(connection_, 0, window, atoms_._NET_SUPPORTING_WM_CHECK,
                                       XCB_ATOM_WINDOW, 0, 1);
        auto* reply = xcb_get_property_reply(connection_, cookie, nullptr);
        xcb_window_t result = XCB_WINDOW_NONE;
        if (reply != nullptr && reply->format == 32 && xcb_get_property_value_length(reply) >= 4)
            result = *static_cast<xcb_window_t*>(xcb_get_property_value(reply));
        std::free(reply);
        return result;
    };
    const xcb_window_t check = read(root_);
    return check != XCB_WINDOW_NONE && read(check) == check;
}

native::Capabilities X11Desktop::capabilities() {
    std::lock_guard lock(mutex_);
    drainLocked();
    if (!usableLocked()) return {};
    const bool runs = managerRunsLocked();
    return native::Capabilities{runs, runs, true, windowManagerLocked().tiles};
}

native::Identity X11Desktop::identity() const {
    std::lock_guard lock(mutex_);
    if (!fileManagerId_)
        fileManagerId_ = (options_.launcher != nullptr ? options_.launcher->defaultFileManagerId()
                                                       : std::nullopt)
                             .value_or("org.gnome.Nautilus");
    return native::Identity{*fileManagerId_, dockId_, kOwnId, options_.accessibilitySettingsURL};
}

bool X11Desktop::moveToCurrentWorkspace(native::WindowId id) {
    const auto window = static_cast<xcb_window_t>(id);
    std::lock_guard lock(mutex_);
    const x11::Snapshot* snapshot = snapshotLocked(Freshness::current);
    const x11::ClientInfo* client = snapshot != nullptr ? snapshot->client(window) : nullptr;
    if (client == nullptr || !snapshot->root.statesCurrentDesktop) return false;
    const std::uint32_t current = snapshot->root.currentDesktop;
    if (x11::isOnAllDesktops(*client, atoms_) || client->desktop == current) return true;
    sendRootMessageLocked(window, atoms_._NET_WM_DESKTOP, {current, kSourcePager, 0, 0, 0});
    return true;
}

bool X11Desktop::isInstalled(std::string_view appId) {
    std::lock_guard lock(mutex_);
    const freedesktop::DesktopEntry* entry = entries_.byId(appId);
    return entry != nullptr && !entry->filename.empty();
}

bool X11Desktop::openUri(std::string_view uri) {
    return options_.launcher != nullptr && options_.launcher->openUri(uri);
}

}  // namespace vantrel
