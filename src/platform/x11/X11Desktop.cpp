// The X11 desktop: connection, events, snapshots and the reads of the platform seam.
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11Element.h"
#include "platform/x11/XcbReply.h"

#include <poll.h>
#include <unistd.h>
#include <xcb/randr.h>
#include <xcb/res.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace vantrel {

using Steady = std::chrono::steady_clock;

X11Desktop::X11Desktop(Log& log, MainQueue& mainQueue, Clock& clock, X11Options options)
    : log_(log), mainQueue_(mainQueue), clock_(clock), options_(std::move(options)) {}

X11Desktop::~X11Desktop() {
    std::lock_guard lock(mutex_);
    if (connection_ != nullptr) xcb_disconnect(connection_);
}

// --- connection --------------------------------------------------------------------------

Status X11Desktop::connect() {
    std::lock_guard lock(mutex_);
    if (connection_ != nullptr && !lost_) return Ok{};
    int screenNumber = 0;
    xcb_connection_t* c =
        xcb_connect(options_.display ? options_.display->c_str() : nullptr, &screenNumber);
    if (xcb_connection_has_error(c) != 0) {
        xcb_disconnect(c);
        return Error{"Cannot open the X display " + options_.display.value_or("")};
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
    if (screens.rem == 0) {
        xcb_disconnect(c);
        return Error{"The X display has no such screen"};
    }
    if (connection_ != nullptr) xcb_disconnect(connection_);
    connection_ = c;
    lost_ = false;
    ownPid_ = static_cast<std::int32_t>(::getpid());
    root_ = screens.data->root;
    if (!x11::internAtoms(c, atoms_)) {
        lost_ = true;
        return Error{"The X server did not answer"};
    }
    // Process ids come from XRes (1.2 or later), since clients may claim any _NET_WM_PID.
    if (const auto* res = xcb_get_extension_data(c, &xcb_res_id); res && res->present) {
        auto* version = xcb_res_query_version_reply(c, xcb_res_query_version(c, 1, 2), nullptr);
        hasXRes_ =
            version != nullptr && (version->server_major > 1 ||
                                   (version->server_major == 1 && version->server_minor >= 2));
        std::free(version);
    }
    if (const auto* randr = xcb_get_extension_data(c, &xcb_randr_id); randr && randr->present) {
        auto* version = xcb_randr_query_version_reply(c, xcb_randr_query_version(c, 1, 5), nullptr);
        hasMonitors_ =
            version != nullptr && (version->major_version > 1 || version->minor_version >= 5);
        std::free(version);
        randrEventBase_ = randr->first_event;
        xcb_randr_select_input(c, root_,
                               XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE |
                                   XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
                                   XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE);
    }
    // Monitors set with --setmonitor announce themselves only as a root ConfigureNotify.
    const std::uint32_t rootMask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root_, XCB_CW_EVENT_MASK, &rootMask);
    snapshot_.reset();
    watched_.clear();
    const x11::Snapshot* snapshot = snapshotLocked(Freshness::current);
    if (snapshot == nullptr) return Error{"The X server did not answer"};
    for (const auto& app : snapshot->apps) {
        if (app.regular) knownApps_.insert(app.id);
        for (auto window : app.windows) {
            const auto* client = snapshot->client(window);
            if (client != nullptr && !client->types.empty() &&
                client->types.front() == atoms_._NET_WM_WINDOW_TYPE_DOCK) {
                dockId_ = app.id;
                break;
            }
        }
    }
    return Ok{};
}

int X11Desktop::fileDescriptor() const {
    std::lock_guard lock(mutex_);
    return connection_ != nullptr && !lost_ ? xcb_get_file_descriptor(connection_) : -1;
}

bool X11Desktop::usableLocked() {
    if (connection_ == nullptr) return false;
    if (!lost_ && xcb_connection_has_error(connection_) != 0) {
        lost_ = true;
        snapshot_.reset();
        log_.line("X11Desktop: Lost the connection to the X server");
        lostObservers_.post(mainQueue_);
    }
    return !lost_;
}

Subscription X11Desktop::watchEvents(FdWatch& watch) {
    const int fd = fileDescriptor();
    if (fd < 0) return {};
    return watch.watchReadable(fd, [this] { processEvents(); });
}

void X11Desktop::processEvents() {
    std::lock_guard lock(mutex_);
    drainLocked();
}

void X11Desktop::drainLocked(bool readSocket) {
    // Launch detection takes a snapshot, which drains again: one level is enough.
    if (draining_ || !usableLocked()) return;
    draining_ = true;
    drainEventsLocked(readSocket);
    draining_ = false;
}

void X11Desktop::drainEventsLocked(bool readSocket) {
    bool clientsChanged = false;
    bool screensChanged = false;
    while (xcb_generic_event_t* event = readSocket ? xcb_poll_for_event(connection_)
                                                   : xcb_poll_for_queued_event(connection_)) {
        handleEventLocked(event, clientsChanged, screensChanged);
        std::free(event);
    }
    if (!usableLocked()) return;
    if (screensChanged) {
        monitors_.reset();
        announceScreens();
    }
    if (clientsChanged) detectLaunchesLocked();
    if (std::exchange(desktopChanged_, false)) spaceObservers_.post(mainQueue_);
}

void X11Desktop::handleEventLocked(const xcb_generic_event_t* event, bool& clientsChanged,
                                   bool& screensChanged) {
    const std::uint8_t type = event->response_type & 0x7F;
    switch (type) {
        case 0:
            // Errors of unchecked requests: a window we watch vanished. Its reads will fail.
            return;
        case XCB_PROPERTY_NOTIFY: {
            const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
            if (notify->window != root_) {
                markLocked(notify->window);
                return;
            }
            if (notify->atom == atoms_._NET_CLIENT_LIST) clientsChanged = true;
            // Windows of the desktop left or entered become unviewable or viewable with no
            // event of their own.
            if (notify->atom == atoms_._NET_CURRENT_DESKTOP) {
                snapshot_.reset();
                desktopChanged_ = true;
            }
            // Another window manager took over.
            if (notify->atom == atoms_._NET_SUPPORTING_WM_CHECK ||
                notify->atom == atoms_._NET_SUPPORTED)
                windowManager_.reset();
            rootChanged_ = true;
            return;
        }
        case XCB_CONFIGURE_NOTIFY: {
            // Clients hear of moves of their frame too: the manager sends them a synthetic one.
            const auto* notify = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
            if (notify->window == root_) {
                screensChanged = true;
                snapshot_.reset();
            } else {
                // A synthetic one is the manager's answer to a request, even a refused one.
                if ((event->response_type & 0x80) != 0) answered_.insert(notify->window);
                markLocked(notify->window);
            }
            return;
        }
        case XCB_DESTROY_NOTIFY: {
            const auto* notify = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
            watched_.erase(notify->window);
            answered_.erase(notify->window);
            markLocked(notify->window);
            return;
        }
        case XCB_MAP_NOTIFY:
            markLocked(reinterpret_cast<const xcb_map_notify_event_t*>(event)->window);
            return;
        case XCB_UNMAP_NOTIFY:
            markLocked(reinterpret_cast<const xcb_unmap_notify_event_t*>(event)->window);
            return;
        default:
            break;
    }
    if (randrEventBase_ != 0 && (type == randrEventBase_ + XCB_RANDR_SCREEN_CHANGE_NOTIFY ||
                                 type == randrEventBase_ + XCB_RANDR_NOTIFY)) {
        screensChanged = true;
        snapshot_.reset();
    }
}

x11::SnapshotContext X11Desktop::contextLocked() const {
    return x11::SnapshotContext{connection_, root_,   &atoms_,      hasXRes_,
                                &entries_,   ownPid_, ownBundleID()};
}

void X11Desktop::markLocked(xcb_window_t window) {
    if (snapshot_ && snapshot_->client(window) != nullptr) changed_.insert(window);
    // A window not in the snapshot matters only once the client list names it.
}

void X11Desktop::syncLocked() {
    // The reply comes after every event the server sent before it.
    x11::roundTrip(connection_);
}

const x11::Snapshot* X11Desktop::snapshotLocked(Freshness freshness) {
    const bool ask = freshness == Freshness::current ||
                     (freshness == Freshness::cached &&
                      Steady::now() - snapshotTime_ > options_.snapshotLifetime);
    // Within the lifetime only what already arrived counts: no system call for every read.
    drainLocked(ask || freshness == Freshness::arrived || !snapshot_);
    if (!usableLocked()) return nullptr;
    if (snapshot_ && ask) {
        syncLocked();
        drainLocked();
        if (!usableLocked()) return nullptr;
        snapshotTime_ = Steady::now();
    }
    if (!snapshot_) {
        readSnapshotLocked(true);
        snapshotTime_ = Steady::now();
    } else if (rootChanged_ || !changed_.empty()) {
        readSnapshotLocked(false);
    }
    if (!usableLocked()) return nullptr;
    return &*snapshot_;
}

void X11Desktop::readSnapshotLocked(bool everything) {
    const x11::SnapshotContext context = contextLocked();
    if (everything) refreshEntriesLocked();
    x11::RootInfo root =
        everything || rootChanged_ || !snapshot_ ? x11::readRoot(context) : snapshot_->root;
    // Watching starts before the first read, so no change after it goes unnoticed.
    watchClientsLocked(root.clientList);
    std::vector<xcb_window_t> toRead;
    for (const xcb_window_t window : root.clientList) {
        const x11::ClientInfo* known = everything ? nullptr : snapshot_->client(window);
        if (known == nullptr || changed_.contains(window)) toRead.push_back(window);
    }
    std::vector<x11::ClientInfo> read = x11::readClients(context, toRead);
    std::vector<x11::ClientInfo> clients;
    clients.reserve(root.clientList.size());
    std::size_t next = 0;
    for (const xcb_window_t window : root.clientList) {
        if (next < toRead.size() && toRead[next] == window) {
            clients.push_back(std::move(read[next++]));
        } else {
            clients.push_back(*snapshot_->client(window));
        }
    }
    snapshot_ = x11::assembleSnapshot(std::move(root), std::move(clients), context);
    rootChanged_ = false;
    changed_.clear();
}

void X11Desktop::refreshEntriesLocked() {
    // Listing the installed entries is slow: only when their folders changed.
    auto stamp = freedesktop::entryFoldersStamp();
    if (stamp == entriesStamp_ && !entries_.entries().empty()) return;
    entries_ = freedesktop::EntryIndex(freedesktop::loadInstalledEntries());
    entriesStamp_ = std::move(stamp);
}

void X11Desktop::watchClientsLocked(const std::vector<xcb_window_t>& clients) {
    // StructureNotify tells us when the window manager has applied a move, PropertyChange when
    // anything we read of a window changes.
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    std::unordered_set<xcb_window_t> listed(clients.begin(), clients.end());
    for (const xcb_window_t window : clients) {
        if (watched_.contains(window)) continue;
        xcb_change_window_attributes(connection_, window, XCB_CW_EVENT_MASK, &mask);
        watched_.insert(window);
    }
    std::erase_if(watched_, [&](xcb_window_t w) { return !listed.contains(w); });
}

void X11Desktop::detectLaunchesLocked() {
    const x11::Snapshot* snapshot = snapshotLocked(Freshness::current);
    if (snapshot == nullptr) return;
    std::set<std::string> now;
    for (const auto& app : snapshot->apps) {
        if (!app.regular) continue;
        now.insert(app.id);
        if (!knownApps_.contains(app.id)) announceLaunch(recordOfLocked(app));
    }
    knownApps_ = std::move(now);
}

const std::vector<x11::MonitorInfo>& X11Desktop::monitorsLocked() {
    if (!monitors_) {
        monitors_ = hasMonitors_ ? x11::readMonitors(connection_, root_, atoms_.EDID)
                                 : std::vector<x11::MonitorInfo>{};
    }
    return *monitors_;
}

Rect X11Desktop::primaryLocked() {
    const double width = snapshot_ ? snapshot_->root.width : 0;
    const double height = snapshot_ ? snapshot_->root.height : 0;
    return x11::primaryRootFrame(monitorsLocked(), width, height);
}

std::uint64_t X11Desktop::handleForLocked(const std::string& id) {
    auto [it, inserted] = handles_.try_emplace(id, nextHandle_);
    if (inserted) ++nextHandle_;
    return it->second;
}

RunningApplication X11Desktop::recordOfLocked(const x11::AppGroup& app) {
    RunningApplication record;
    record.handle = handleForLocked(app.id);
    record.bundleID = app.id;
    record.localizedName = app.name;
    record.processIdentifier = app.pid;
    record.activationPolicy = app.regular ? ActivationPolicy::regular : ActivationPolicy::accessory;
    return record;
}

// --- accessibility reads -----------------------------------------------------------------

bool X11Desktop::isProcessTrusted() {
    std::lock_guard lock(mutex_);
    drainLocked();
    if (!usableLocked()) return false;
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

void X11Desktop::requestTrust() {
    // Nothing to ask for: an X client may manage windows once a window manager runs.
}

Element X11Desktop::applicationElement(const RunningApplication& application) {
    std::lock_guard lock(mutex_);
    for (const auto& [id, handle] : handles_)
        if (handle == application.handle)
            return std::make_shared<X11Element>(this, id, XCB_WINDOW_NONE);
    return std::make_shared<X11Element>(this, application.bundleID.value_or(""), XCB_WINDOW_NONE);
}

Element X11Desktop::elementForWindow(xcb_window_t window) {
    std::lock_guard lock(mutex_);
    const x11::Snapshot* snapshot = snapshotLocked(Freshness::current);
    const x11::AppGroup* app = snapshot != nullptr ? snapshot->appOf(window) : nullptr;
    if (app == nullptr) return nullptr;
    return std::make_shared<X11Element>(this, app->id, window);
}

std::optional<RunningApplication> X11Desktop::applicationOfWindow(xcb_window_t window) {
    std::lock_guard lock(mutex_);
    const x11::Snapshot* snapshot = snapshotLocked(Freshness::current);
    const x11::AppGroup* app = snapshot != nullptr ? snapshot->appOf(window) : nullptr;
    if (app == nullptr) return std::nullopt;
    return recordOfLocked(*app);
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

namespace {

std::string trimmed(std::string text) {
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

}  // namespace

AttributeRead X11Desktop::copyAttribute(const Element& element, std::string_view name) {
    const auto* x = dynamic_cast<const X11Element*>(element.get());
    if (x == nullptr || x->owner != this) return {AXError::illegalArgument, std::nullopt};
    std::lock_guard lock(mutex_);
    const x11::Snapshot* snapshot = snapshotLocked();
    if (snapshot == nullptr) return {AXError::cannotComplete, std::nullopt};
    if (x->window == XCB_WINDOW_NONE) {
        const x11::AppGroup* app = snapshot->app(x->appId);
        if (app == nullptr) return {AXError::cannotComplete, std::nullopt};
        if (name == attribute::kWindows) {
            std::vector<Element> windows;
            for (auto w : app->windows)
                windows.push_back(std::make_shared<X11Element>(this, app->id, w));
            return {AXError::success, AttributeValue{std::move(windows)}};
        }
        if (name == attribute::kFocusedWindow) {
            const auto active = snapshot->root.active;
            if (std::find(app->windows.begin(), app->windows.end(), active) == app->windows.end())
                return {AXError::noValue, std::nullopt};
            return {AXError::success,
                    AttributeValue{Element{std::make_shared<X11Element>(this, app->id, active)}}};
        }
        return {AXError::attributeUnsupported, std::nullopt};
    }
    const x11::ClientInfo* client = snapshot->client(x->window);
    if (client == nullptr) return {AXError::invalidUIElement, std::nullopt};
    if (name == attribute::kTitle) {
        if (client->netName) return {AXError::success, AttributeValue{trimmed(*client->netName)}};
        if (client->wmName) return {AXError::success, AttributeValue{trimmed(*client->wmName)}};
        return {AXError::noValue, std::nullopt};
    }
    if (name == attribute::kMain) {
        const x11::AppGroup* app = snapshot->appOf(x->window);
        const bool isMain = app != nullptr && mainWindowLocked(*snapshot, *app) == x->window;
        return {AXError::success, AttributeValue{isMain}};
    }
    if (name == attribute::kPosition) {
        const Rect frame = client->frame();
        return {AXError::success,
                AttributeValue{x11::rootToAccessibility({frame.x, frame.y}, primaryLocked())}};
    }
    if (name == attribute::kSize) {
        const Rect frame = client->frame();
        return {AXError::success, AttributeValue{Size{frame.width, frame.height}}};
    }
    if (name == attribute::kMinimized) {
        const bool minimized = client->hasState(atoms_._NET_WM_STATE_HIDDEN) &&
                               !client->hasState(atoms_._NET_WM_STATE_SHADED);
        return {AXError::success, AttributeValue{minimized}};
    }
    if (name == attribute::kFullScreen)
        return {AXError::success,
                AttributeValue{client->hasState(atoms_._NET_WM_STATE_FULLSCREEN)}};
    return {AXError::attributeUnsupported, std::nullopt};
}

// --- window server, workspace, screens, desktops ------------------------------------------

std::optional<std::vector<WindowServerEntry>> X11Desktop::windowList() {
    std::lock_guard lock(mutex_);
    const x11::Snapshot* snapshot = snapshotLocked(Freshness::current);
    if (snapshot == nullptr) return std::nullopt;
    const Rect primary = primaryLocked();
    std::vector<WindowServerEntry> entries;
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
        std::int64_t layer = 0;
        if (!types.empty() && types.front() == atoms_._NET_WM_WINDOW_TYPE_DOCK)
            layer = 20;
        else if (client->hasState(atoms_._NET_WM_STATE_ABOVE))
            layer = 3;
        else if (client->hasState(atoms_._NET_WM_STATE_BELOW))
            layer = -1;
        const x11::AppGroup* app = snapshot->appOf(*it);
        const Rect frame = client->frame();
        const Point origin = x11::rootToAccessibility({frame.x, frame.y}, primary);
        entries.push_back(WindowServerEntry{
            *it, app != nullptr ? std::optional<std::int32_t>(app->pid) : std::nullopt, layer,
            WindowBounds{origin.x, origin.y, frame.width, frame.height}});
    }
    return entries;
}

std::vector<RunningApplication> X11Desktop::runningApplications() {
    std::lock_guard lock(mutex_);
    // A restore asks for every window it places: what the server has sent by now is enough
    // (a change another client has seen has reached us too), without a round trip each time.
    // The window reads that follow answer from the same snapshot.
    const x11::Snapshot* snapshot = snapshotLocked(Freshness::arrived);
    std::vector<RunningApplication> result;
    if (snapshot == nullptr) return result;
    for (const auto& app : snapshot->apps) result.push_back(recordOfLocked(app));
    return result;
}

std::optional<RunningApplication> X11Desktop::frontmostApplication() {
    std::lock_guard lock(mutex_);
    const x11::Snapshot* snapshot = snapshotLocked(Freshness::current);
    if (snapshot == nullptr) return std::nullopt;
    const x11::AppGroup* app = snapshot->appOf(snapshot->root.active);
    if (app == nullptr) return std::nullopt;
    return recordOfLocked(*app);
}

ScreenList X11Desktop::screens() {
    std::lock_guard lock(mutex_);
    const x11::Snapshot* snapshot = snapshotLocked(Freshness::current);
    if (snapshot == nullptr) return {};
    const auto& root = snapshot->root;
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
    for (const auto& client : snapshot->clients) {
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
    return x11::buildScreenList(monitorsLocked(), struts, workarea, root.width, root.height);
}

std::optional<PreferenceValue> X11Desktop::spacesDisplayConfiguration() {
    std::lock_guard lock(mutex_);
    const x11::Snapshot* snapshot = snapshotLocked(Freshness::current);
    if (snapshot == nullptr) return std::nullopt;
    const std::uint32_t count = snapshot->root.numberOfDesktops;
    std::vector<PreferenceValue::List> windows(count);
    for (const auto& client : snapshot->clients) {
        if (!client.alive) continue;
        const auto number = PreferenceValue{static_cast<std::int64_t>(client.window)};
        if (x11::isOnAllDesktops(client, atoms_)) {
            for (auto& list : windows) list.push_back(number);
        } else if (client.desktop && *client.desktop < count) {
            windows[*client.desktop].push_back(number);
        }
    }
    PreferenceValue::List spaces;
    for (std::uint32_t i = 0; i < count; ++i) {
        // Desktops have no identity of their own beyond their number; name them by it.
        char uuid[40];
        std::snprintf(uuid, sizeof uuid, "00000000-0000-4000-8000-%012u", i + 1);
        PreferenceValue::Dictionary space{{"uuid", PreferenceValue{std::string(uuid)}},
                                          {"windows", PreferenceValue{std::move(windows[i])}},
                                          {"type", PreferenceValue{std::int64_t{0}}}};
        spaces.push_back(PreferenceValue{std::move(space)});
    }
    PreferenceValue::Dictionary display{{"Spaces", PreferenceValue{std::move(spaces)}}};
    return PreferenceValue{
        PreferenceValue::Dictionary{{"Main", PreferenceValue{std::move(display)}}}};
}

std::optional<std::int64_t> X11Desktop::currentSpaceIndex() {
    std::lock_guard lock(mutex_);
    const x11::Snapshot* snapshot = snapshotLocked(Freshness::current);
    if (snapshot == nullptr || !snapshot->root.statesCurrentDesktop ||
        snapshot->root.currentDesktop >= snapshot->root.numberOfDesktops)
        return std::nullopt;
    return std::int64_t{snapshot->root.currentDesktop} + 1;
}

bool X11Desktop::moveWindowToCurrentSpace(const Element& element) {
    const auto* x = dynamic_cast<const X11Element*>(element.get());
    if (x == nullptr || x->owner != this || x->window == XCB_WINDOW_NONE) return false;
    std::lock_guard lock(mutex_);
    const x11::Snapshot* snapshot = snapshotLocked(Freshness::current);
    const x11::ClientInfo* client = snapshot != nullptr ? snapshot->client(x->window) : nullptr;
    if (client == nullptr || !snapshot->root.statesCurrentDesktop) return false;
    const std::uint32_t current = snapshot->root.currentDesktop;
    if (x11::isOnAllDesktops(*client, atoms_) || client->desktop == current) return true;
    constexpr std::uint32_t kSourcePager = 2;  // we act for the user
    sendRootMessageLocked(x->window, atoms_._NET_WM_DESKTOP, {current, kSourcePager, 0, 0, 0});
    return true;
}

Subscription X11Desktop::observeSpaceChanges(std::function<void()> handler) {
    return spaceObservers_.add(std::move(handler));
}

std::string X11Desktop::fileManagerBundleID() const {
    std::lock_guard lock(mutex_);
    if (!fileManagerId_)
        fileManagerId_ = (options_.launcher != nullptr ? options_.launcher->defaultFileManagerId()
                                                       : std::nullopt)
                             .value_or("org.gnome.Nautilus");
    return *fileManagerId_;
}

std::string X11Desktop::dockBundleID() const {
    std::lock_guard lock(mutex_);
    return dockId_;
}

// --- observers ---------------------------------------------------------------------------

void X11Desktop::announceScreens() {
    screenObservers_.post(mainQueue_);
}

void X11Desktop::announceLaunch(const RunningApplication& launched) {
    launchObservers_.post(mainQueue_, launched);
}

Subscription X11Desktop::observeScreenParameters(std::function<void()> handler) {
    return screenObservers_.add(std::move(handler));
}

Subscription X11Desktop::onConnectionLost(std::function<void()> handler) {
    return lostObservers_.add(std::move(handler));
}

Subscription X11Desktop::observeApplicationLaunches(
    std::function<void(const RunningApplication&)> handler) {
    return launchObservers_.add(std::move(handler));
}

}  // namespace vantrel
