// The pipelined snapshot: send every request for every window, then collect every reply.
#include "platform/x11/WindowSnapshot.h"

#include <xcb/res.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <utility>

#include "platform/x11/XcbReply.h"

namespace vantrel::x11 {
namespace {

xcb_get_property_cookie_t requestProperty(xcb_connection_t* c, xcb_window_t window,
                                          xcb_atom_t property) {
    return xcb_get_property(c, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096);
}

Reply<xcb_get_property_reply_t> propertyReply(xcb_connection_t* c,
                                              xcb_get_property_cookie_t cookie) {
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, &error));
    std::free(error);
    if (reply && reply->type == XCB_ATOM_NONE) return nullptr;
    return reply;
}

std::vector<std::uint32_t> cardinals(const xcb_get_property_reply_t* reply) {
    if (reply == nullptr || reply->format != 32) return {};
    const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
    const auto count = static_cast<std::size_t>(xcb_get_property_value_length(reply)) / 4;
    return std::vector<std::uint32_t>(data, data + count);
}

std::optional<std::string> text(const xcb_get_property_reply_t* reply) {
    if (reply == nullptr || reply->format != 8) return std::nullopt;
    const auto* data = static_cast<const char*>(xcb_get_property_value(reply));
    return std::string(data, static_cast<std::size_t>(xcb_get_property_value_length(reply)));
}

// WM_NAME as STRING is Latin-1; turn it into UTF-8.
std::string latin1ToUtf8(const std::string& latin1) {
    std::string out;
    for (char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out.push_back(ch);
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

Extents extentsOf(const std::vector<std::uint32_t>& values) {
    if (values.size() < 4) return {};
    return Extents{static_cast<double>(values[0]), static_cast<double>(values[1]),
                   static_cast<double>(values[2]), static_cast<double>(values[3])};
}

// Process ids by the client resource base the server reports them under.
void collectPids(const xcb_res_query_client_ids_reply_t* reply,
                 std::unordered_map<std::uint32_t, std::uint32_t>& pids) {
    auto it = xcb_res_query_client_ids_ids_iterator(reply);
    for (; it.rem > 0; xcb_res_client_id_value_next(&it)) {
        if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) == 0 ||
            xcb_res_client_id_value_value_length(it.data) < 1)
            continue;
        pids[it.data->spec.client] = *xcb_res_client_id_value_value(it.data);
    }
}

std::vector<xcb_window_t> windowsOf(const xcb_get_property_reply_t* reply) {
    return cardinals(reply);
}

// The properties read for each client, in this order.
enum Property : std::size_t {
    pWmClass,
    pNetName,
    pWmName,
    pPid,
    pType,
    pState,
    pTransient,
    pFrame,
    pShadow,
    pDesktop,
    pGtkId,
    pStrutPartial,
    pStrut,
    pProtocols,
    pAllowed,
    pNormalHints,
    pCount
};

}  // namespace

bool ClientInfo::hasState(xcb_atom_t state) const {
    return std::find(states.begin(), states.end(), state) != states.end();
}

const ClientInfo* Snapshot::client(xcb_window_t window) const {
    const auto it = byWindow.find(window);
    return it == byWindow.end() ? nullptr : &clients[it->second];
}

const AppGroup* Snapshot::app(std::string_view id) const {
    for (const auto& group : apps)
        if (group.id == id) return &group;
    return nullptr;
}

const AppGroup* Snapshot::appOf(xcb_window_t window) const {
    const auto it = appOfWindow.find(window);
    return it == appOfWindow.end() ? nullptr : &apps[it->second];
}

bool isNormalWindow(const ClientInfo& client, const Atoms& atoms) {
    for (xcb_atom_t type : client.types) {
        if (type == atoms._NET_WM_WINDOW_TYPE_NORMAL) return true;
        // The first type we know decides; the rest are fallbacks for older managers.
        if (type == atoms._NET_WM_WINDOW_TYPE_DIALOG || type == atoms._NET_WM_WINDOW_TYPE_DOCK ||
            type == atoms._NET_WM_WINDOW_TYPE_DESKTOP ||
            type == atoms._NET_WM_WINDOW_TYPE_TOOLBAR || type == atoms._NET_WM_WINDOW_TYPE_MENU ||
            type == atoms._NET_WM_WINDOW_TYPE_UTILITY || type == atoms._NET_WM_WINDOW_TYPE_SPLASH ||
            type == atoms._NET_WM_WINDOW_TYPE_NOTIFICATION)
            return false;
    }
    return !client.transientFor.has_value();
}

bool isOnAllDesktops(const ClientInfo& client, const Atoms& atoms) {
    return client.desktop == 0xFFFFFFFFu || client.hasState(atoms._NET_WM_STATE_STICKY);
}

namespace {

// The client's properties, as read for a snapshot or a placement.
void readProperties(const Reply<xcb_get_property_reply_t> (&props)[pCount], const Atoms& a,
                    ClientInfo& info) {
    // WM_NORMAL_HINTS: flags, 4 unused, min, max, then the resize steps; the gravity last.
    if (const auto hints = cardinals(props[pNormalHints].get()); hints.size() >= 18) {
        constexpr std::uint32_t kResizeSteps = 1u << 6;
        constexpr std::uint32_t kGravity = 1u << 9;
        if ((hints[0] & kResizeSteps) != 0) {
            info.widthStep = std::max<std::int32_t>(1, static_cast<std::int32_t>(hints[9]));
            info.heightStep = std::max<std::int32_t>(1, static_cast<std::int32_t>(hints[10]));
        }
        if ((hints[0] & kGravity) != 0) info.gravity = hints[17];
    }
    if (auto wmClass = text(props[pWmClass].get())) {
        const auto nul = wmClass->find('\0');
        info.hints.instance = wmClass->substr(0, nul);
        if (nul != std::string::npos) {
            std::string rest = wmClass->substr(nul + 1);
            info.hints.className = rest.substr(0, rest.find('\0'));
        }
    }
    info.netName = text(props[pNetName].get());
    if (auto name = text(props[pWmName].get()))
        info.wmName = props[pWmName]->type == a.UTF8_STRING ? *name : latin1ToUtf8(*name);
    if (auto pid = cardinals(props[pPid].get()); !pid.empty()) info.netPid = pid[0];
    info.types = cardinals(props[pType].get());
    info.states = cardinals(props[pState].get());
    if (auto parent = windowsOf(props[pTransient].get()); !parent.empty() && parent[0] != 0)
        info.transientFor = parent[0];
    info.frameExtents = extentsOf(cardinals(props[pFrame].get()));
    info.shadowExtents = extentsOf(cardinals(props[pShadow].get()));
    if (auto desktop = cardinals(props[pDesktop].get()); !desktop.empty())
        info.desktop = desktop[0];
    if (auto id = text(props[pGtkId].get())) info.hints.gtkApplicationId = id->c_str();
    auto strut = cardinals(props[pStrutPartial].get());
    if (strut.size() < 12) strut = cardinals(props[pStrut].get());
    if (strut.size() >= 12)
        strut.resize(12);
    else if (strut.size() >= 4)
        strut.resize(4);
    else
        strut.clear();
    for (auto v : strut) info.strut.push_back(static_cast<double>(v));
    if (props[pAllowed]) info.allowedActions = cardinals(props[pAllowed].get());
    for (auto protocol : cardinals(props[pProtocols].get()))
        if (protocol == a.WM_DELETE_WINDOW) info.takesDelete = true;
}

// Each client's process as XRes tells it.
void readPids(xcb_connection_t* c, xcb_res_query_client_ids_cookie_t cookie,
              std::vector<ClientInfo>& clients) {
    std::unordered_map<std::uint32_t, std::uint32_t> pidOfClient;
    const std::uint32_t clientBits = ~xcb_get_setup(c)->resource_id_mask;
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_res_query_client_ids_reply_t> res(xcb_res_query_client_ids_reply(c, cookie, &error));
    std::free(error);
    // Answers come per client (by its resource base), whatever became of the window.
    if (res) collectPids(res.get(), pidOfClient);
    for (ClientInfo& info : clients) {
        const auto it = pidOfClient.find(info.window & clientBits);
        if (it != pidOfClient.end()) info.resPid = it->second;
    }
}

// Placing a window needs only where it is, its decorations and its state.
bool wantedFor(ReadScope scope, std::size_t p) {
    return scope == ReadScope::everything || p == pState || p == pFrame || p == pShadow ||
           p == pAllowed || p == pNormalHints;
}

}  // namespace

std::vector<ClientInfo> readClients(const SnapshotContext& ctx,
                                    const std::vector<xcb_window_t>& windows, ReadScope scope) {
    return collectClients(ctx, requestClients(ctx, windows, scope));
}

PendingClients requestClients(const SnapshotContext& ctx, const std::vector<xcb_window_t>& windows,
                              ReadScope scope) {
    static_assert(pCount == kClientProperties);
    xcb_connection_t* c = ctx.connection;
    const Atoms& a = *ctx.atoms;
    const xcb_atom_t atomOf[pCount] = {a.WM_CLASS,
                                       a._NET_WM_NAME,
                                       a.WM_NAME,
                                       a._NET_WM_PID,
                                       a._NET_WM_WINDOW_TYPE,
                                       a._NET_WM_STATE,
                                       a.WM_TRANSIENT_FOR,
                                       a._NET_FRAME_EXTENTS,
                                       a._GTK_FRAME_EXTENTS,
                                       a._NET_WM_DESKTOP,
                                       a._GTK_APPLICATION_ID,
                                       a._NET_WM_STRUT_PARTIAL,
                                       a._NET_WM_STRUT,
                                       a.WM_PROTOCOLS,
                                       a._NET_WM_ALLOWED_ACTIONS,
                                       XCB_ATOM_WM_NORMAL_HINTS};
    PendingClients pending{windows, scope, std::vector<ClientRequests>(windows.size()), {}};
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const xcb_window_t w = windows[i];
        ClientRequests& r = pending.requests[i];
        for (std::size_t p = 0; p < pCount; ++p)
            if (wantedFor(scope, p)) r.properties[p] = requestProperty(c, w, atomOf[p]);
        r.attributes = xcb_get_window_attributes(c, w);
        r.geometry = xcb_get_geometry(c, w);
        r.translate = xcb_translate_coordinates(c, w, ctx.root, 0, 0);
    }
    // One question for every window's process.
    if (ctx.hasXRes && !windows.empty() && scope == ReadScope::everything) {
        std::vector<xcb_res_client_id_spec_t> specs;
        specs.reserve(windows.size());
        for (const xcb_window_t w : windows)
            specs.push_back({w, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID});
        pending.pids =
            xcb_res_query_client_ids(c, static_cast<std::uint32_t>(specs.size()), specs.data());
    }
    xcb_flush(c);
    return pending;
}

std::vector<ClientInfo> collectClients(const SnapshotContext& ctx, PendingClients pending) {
    xcb_connection_t* c = ctx.connection;
    const Atoms& a = *ctx.atoms;
    const std::vector<xcb_window_t>& windows = pending.windows;
    std::vector<ClientInfo> clients(windows.size());
    for (std::size_t i = 0; i < windows.size(); ++i) {
        ClientInfo& info = clients[i];
        info.window = windows[i];
        Reply<xcb_get_property_reply_t> props[pCount];
        for (std::size_t p = 0; p < pCount; ++p)
            if (wantedFor(pending.scope, p))
                props[p] = propertyReply(c, pending.requests[i].properties[p]);
        xcb_generic_error_t* error = nullptr;
        Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, pending.requests[i].attributes, &error));
        std::free(std::exchange(error, nullptr));
        Reply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(c, pending.requests[i].geometry, &error));
        std::free(std::exchange(error, nullptr));
        Reply<xcb_translate_coordinates_reply_t> translated(
            xcb_translate_coordinates_reply(c, pending.requests[i].translate, &error));
        std::free(std::exchange(error, nullptr));
        info.alive = geometry != nullptr && translated != nullptr;
        if (!info.alive) continue;
        info.client =
            Rect{static_cast<double>(translated->dst_x), static_cast<double>(translated->dst_y),
                 static_cast<double>(geometry->width), static_cast<double>(geometry->height)};
        info.viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        info.borderWidth = geometry->border_width;
        readProperties(props, a, info);
    }
    if (pending.pids) readPids(c, *pending.pids, clients);
    return clients;
}

namespace {

void groupApplications(Snapshot& snapshot, const SnapshotContext& ctx) {
    const Atoms& a = *ctx.atoms;
    static const freedesktop::EntryIndex kEmpty;
    const freedesktop::EntryIndex& index = ctx.entries != nullptr ? *ctx.entries : kEmpty;
    std::unordered_map<xcb_window_t, std::optional<std::string>> idOf;
    for (const auto& client : snapshot.clients)
        if (client.alive)
            idOf[client.window] = freedesktop::resolveApplicationId(client.hints, index);
    // Our own windows (the tray's menu, Preferences) resolve to our id whether or not our desktop
    // entry is installed, and make no regular application: never captured, placed or closed.
    const auto isOwn = [&](const ClientInfo& client) {
        const auto pid = client.resPid ? client.resPid : client.netPid;
        return ctx.ownPid != 0 && pid && static_cast<std::int32_t>(*pid) == ctx.ownPid;
    };
    for (const auto& client : snapshot.clients) {
        if (!client.alive) continue;
        const bool own = isOwn(client);
        std::optional<std::string> id = own ? std::optional(ctx.ownId) : idOf[client.window];
        // A dialog belongs to the application of the window it is transient for.
        if (client.transientFor && !own) {
            const auto parent = idOf.find(*client.transientFor);
            if (parent != idOf.end() && parent->second) id = parent->second;
        }
        // A window naming nothing is an application of its own.
        if (!id) id = "window-" + std::to_string(client.window);
        auto it = std::find_if(snapshot.apps.begin(), snapshot.apps.end(),
                               [&](const AppGroup& g) { return g.id == *id; });
        if (it == snapshot.apps.end()) {
            AppGroup group;
            group.id = *id;
            if (const auto* entry = index.byId(*id); entry != nullptr && !entry->name.empty())
                group.name = entry->name;
            else
                group.name = client.hints.className.empty() ? *id : client.hints.className;
            snapshot.apps.push_back(std::move(group));
            it = std::prev(snapshot.apps.end());
        }
        if (it->pid == 0) {
            // XRes knows the real process; _NET_WM_PID is what the client claims.
            if (client.resPid)
                it->pid = static_cast<std::int32_t>(*client.resPid);
            else if (client.netPid)
                it->pid = static_cast<std::int32_t>(*client.netPid);
        }
        if (!own && isNormalWindow(client, a) && !client.hasState(a._NET_WM_STATE_SKIP_TASKBAR))
            it->regular = true;
        it->windows.push_back(client.window);
        snapshot.appOfWindow[client.window] = static_cast<std::size_t>(it - snapshot.apps.begin());
    }
}

}  // namespace

RootInfo readRoot(const SnapshotContext& ctx) {
    xcb_connection_t* c = ctx.connection;
    const Atoms& a = *ctx.atoms;
    auto list = requestProperty(c, ctx.root, a._NET_CLIENT_LIST);
    auto stacking = requestProperty(c, ctx.root, a._NET_CLIENT_LIST_STACKING);
    auto active = requestProperty(c, ctx.root, a._NET_ACTIVE_WINDOW);
    auto current = requestProperty(c, ctx.root, a._NET_CURRENT_DESKTOP);
    auto count = requestProperty(c, ctx.root, a._NET_NUMBER_OF_DESKTOPS);
    auto workarea = requestProperty(c, ctx.root, a._NET_WORKAREA);
    auto geometry = xcb_get_geometry(c, ctx.root);
    RootInfo root;
    root.clientList = windowsOf(propertyReply(c, list).get());
    root.stacking = windowsOf(propertyReply(c, stacking).get());
    if (auto v = cardinals(propertyReply(c, active).get()); !v.empty()) root.active = v[0];
    if (auto v = cardinals(propertyReply(c, current).get()); !v.empty()) {
        root.currentDesktop = v[0];
        root.statesCurrentDesktop = true;
    }
    if (auto v = cardinals(propertyReply(c, count).get()); !v.empty())
        root.numberOfDesktops = std::max<std::uint32_t>(v[0], 1);
    for (auto v : cardinals(propertyReply(c, workarea).get()))
        root.workarea.push_back(static_cast<double>(v));
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_geometry_reply_t> rootGeometry(xcb_get_geometry_reply(c, geometry, &error));
    std::free(error);
    if (rootGeometry) {
        root.width = rootGeometry->width;
        root.height = rootGeometry->height;
    }
    return root;
}

Snapshot assembleSnapshot(RootInfo root, std::vector<ClientInfo> clients,
                          const SnapshotContext& ctx) {
    Snapshot snapshot;
    snapshot.root = std::move(root);
    snapshot.clients = std::move(clients);
    for (std::size_t i = 0; i < snapshot.clients.size(); ++i)
        if (snapshot.clients[i].alive) snapshot.byWindow[snapshot.clients[i].window] = i;
    groupApplications(snapshot, ctx);
    return snapshot;
}

Snapshot takeSnapshot(const SnapshotContext& ctx) {
    RootInfo root = readRoot(ctx);
    std::vector<ClientInfo> clients = readClients(ctx, root.clientList);
    return assembleSnapshot(std::move(root), std::move(clients), ctx);
}

}  // namespace vantrel::x11
