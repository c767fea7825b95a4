// One pipelined read of the root's EWMH state and every managed client: the backend's snapshot.
#pragma once

#include <xcb/res.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/freedesktop/DesktopEntries.h"
#include "platform/x11/X11Geometry.h"
#include "platform/x11/XAtoms.h"

namespace vantrel::x11 {

// What one client window shows of itself, read in one batch with all the others.
struct ClientInfo {
    xcb_window_t window = XCB_WINDOW_NONE;
    bool alive = false;  // its geometry could be read
    freedesktop::WindowIdentityHints hints;
    std::optional<std::string> netName;
    std::optional<std::string> wmName;
    std::optional<std::uint32_t> netPid;
    std::optional<std::uint32_t> resPid;
    std::vector<xcb_atom_t> types;
    std::vector<xcb_atom_t> states;
    std::optional<xcb_window_t> transientFor;
    Extents frameExtents;
    Extents shadowExtents;
    std::optional<std::uint32_t> desktop;
    std::vector<double> strut;  // 12 values, 4 values or none
    bool takesDelete = false;   // WM_PROTOCOLS holds WM_DELETE_WINDOW
    // What the window manager lets others do with the window; none when it does not say.
    std::optional<std::vector<xcb_atom_t>> allowedActions;
    bool viewable = false;
    Rect client;  // root coordinates, inside the window's own X border
    // The client's own X border, outside its area. Most managers set it to 0; i3 keeps it and
    // draws it as the window's edge, outside _NET_FRAME_EXTENTS.
    double borderWidth = 0;
    // From WM_NORMAL_HINTS: the steps its size changes in (xterm's character cells), and the
    // gravity a ConfigureRequest's position is read with (NorthWest when unset).
    std::int32_t widthStep = 1;
    std::int32_t heightStep = 1;
    std::uint32_t gravity = 1;

    bool hasState(xcb_atom_t state) const;
    // The client with its own X border: what a configure request's position and the frame
    // extents are measured from.
    Rect outer() const {
        return Rect{client.x - borderWidth, client.y - borderWidth, client.width + 2 * borderWidth,
                    client.height + 2 * borderWidth};
    }
    // The outer frame in root coordinates.
    Rect frame() const { return frameFromClient(outer(), frameExtents, shadowExtents); }
};

// The root window's EWMH properties.
struct RootInfo {
    std::vector<xcb_window_t> clientList;
    std::vector<xcb_window_t> stacking;  // bottom to top
    xcb_window_t active = XCB_WINDOW_NONE;
    std::uint32_t currentDesktop = 0;
    bool statesCurrentDesktop = false;  // _NET_CURRENT_DESKTOP is set
    std::uint32_t numberOfDesktops = 1;
    std::vector<double> workarea;  // x, y, w, h per desktop
    double width = 0;
    double height = 0;
};

// Client windows grouped by application, in order of first appearance in the client list.
struct AppGroup {
    std::string id;
    std::string name;
    std::int32_t pid = 0;
    bool regular = false;
    std::vector<xcb_window_t> windows;  // client-list order
};

struct Snapshot {
    RootInfo root;
    std::vector<ClientInfo> clients;  // client-list order
    std::unordered_map<xcb_window_t, std::size_t> byWindow;
    std::vector<AppGroup> apps;
    std::unordered_map<xcb_window_t, std::size_t> appOfWindow;

    const ClientInfo* client(xcb_window_t window) const;
    const AppGroup* app(std::string_view id) const;
    const AppGroup* appOf(xcb_window_t window) const;
};

struct SnapshotContext {
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = XCB_WINDOW_NONE;
    const Atoms* atoms = nullptr;
    bool hasXRes = false;
    const freedesktop::EntryIndex* entries = nullptr;
    // This process: its windows are this program's (id `ownId`), never a regular application.
    std::int32_t ownPid = 0;
    std::string ownId;
};

// Reads the root, then every client in one batch of pipelined requests. Windows that vanish
// meanwhile come back with alive == false.
Snapshot takeSnapshot(const SnapshotContext& context);
// The root window's EWMH properties and size, in one round trip.
RootInfo readRoot(const SnapshotContext& context);
// Indexes the clients (in client-list order) and groups them into applications.
Snapshot assembleSnapshot(RootInfo root, std::vector<ClientInfo> clients,
                          const SnapshotContext& context);
enum class ReadScope {
    everything,
    placement,  // geometry, decorations and state only
};
// Reads the listed clients only, in one batch.
std::vector<ClientInfo> readClients(const SnapshotContext& context,
                                    const std::vector<xcb_window_t>& windows,
                                    ReadScope scope = ReadScope::everything);

// A read whose requests are sent and whose replies are taken later, so that waiting for the
// server overlaps other work. Every one sent must be collected, or its replies stay queued.
inline constexpr std::size_t kClientProperties = 16;
struct ClientRequests {
    xcb_get_property_cookie_t properties[kClientProperties];
    xcb_get_window_attributes_cookie_t attributes;
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t translate;
};
struct PendingClients {
    std::vector<xcb_window_t> windows;
    ReadScope scope = ReadScope::everything;
    std::vector<ClientRequests> requests;
    std::optional<xcb_res_query_client_ids_cookie_t> pids;
};
PendingClients requestClients(const SnapshotContext& context,
                              const std::vector<xcb_window_t>& windows, ReadScope scope);
std::vector<ClientInfo> collectClients(const SnapshotContext& context, PendingClients pending);

// NORMAL, or untyped and not transient; what the window belongs to as an application window.
bool isNormalWindow(const ClientInfo& client, const Atoms& atoms);
// Shown on every desktop.
bool isOnAllDesktops(const ClientInfo& client, const Atoms& atoms);

}  // namespace vantrel::x11
