// The X11 desktop: connection, events and snapshots.
#include "platform/x11/X11Desktop.h"
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
        native_.reset();
        announceScreens();
    }
    if (clientsChanged) {
        detectLaunchesLocked();
        windowObservers_.post(mainQueue_);
    }
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
                notify->atom == atoms_._NET_SUPPORTED) {
                windowManager_.reset();
                native_.reset();
            }
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
    return x11::SnapshotContext{connection_, root_, &atoms_, hasXRes_, &entries_, ownPid_, kOwnId};
}

void X11Desktop::markLocked(xcb_window_t window) {
    if (tracking_) touched_.insert(window);
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
    native_.reset();
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

native::App X11Desktop::recordOfLocked(const x11::AppGroup& app) {
    native::App record;
    record.handle = handleForLocked(app.id);
    record.id = app.id;
    record.name = app.name;
    record.pid = app.pid;
    record.role = app.regular ? native::AppRole::regular : native::AppRole::accessory;
    return record;
}

// --- observers ---------------------------------------------------------------------------

void X11Desktop::announceScreens() {
    screenObservers_.post(mainQueue_);
}

void X11Desktop::announceLaunch(const native::App& launched) {
    launchObservers_.post(mainQueue_, launched);
}

Subscription X11Desktop::observeMonitors(std::function<void()> handler) {
    return screenObservers_.add(std::move(handler));
}

Subscription X11Desktop::observeWorkspace(std::function<void()> handler) {
    return spaceObservers_.add(std::move(handler));
}

Subscription X11Desktop::observeWindows(std::function<void()> handler) {
    return windowObservers_.add(std::move(handler));
}

Subscription X11Desktop::onConnectionLost(std::function<void()> handler) {
    return lostObservers_.add(std::move(handler));
}

Subscription X11Desktop::observeAppLaunches(std::function<void(const native::App&)> handler) {
    return launchObservers_.add(std::move(handler));
}

}  // namespace vantrel
