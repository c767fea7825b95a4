// The compositor's desktop: the model kept from its reports, the installed entries that name its
// applications, and change events on the main queue.
#include "platform/compositor/CompositorDesktop.h"

#include <unistd.h>

namespace vantrel::compositor {

using Json = nlohmann::json;

CompositorDesktop::CompositorDesktop(Log& log, MainQueue& mainQueue, Clock& clock,
                                     std::string compositor, CompositorOptions options)
    : log_(log),
      mainQueue_(mainQueue),
      clock_(clock),
      compositor_(std::move(compositor)),
      options_(options) {}

CompositorDesktop::~CompositorDesktop() = default;

void CompositorDesktop::loadEntries() {
    std::lock_guard lock(mutex_);
    // This process's windows (the menu, dialogs without a tray) are Vantrel's own.
    model_.setOwnPid(static_cast<std::int32_t>(::getpid()));
    refreshEntriesLocked();
}

CompositorModel::Changes CompositorDesktop::receive(const Json& report, bool announceStarts) {
    std::vector<native::App> launched;
    CompositorModel::Changes changes;
    {
        std::lock_guard lock(mutex_);
        if (!ready_) return changes;
        const bool whole = report.value("kind", Json()) == "state";
        // A window not seen before may belong to an application installed meanwhile.
        const Json reported = report.value("window", Json());
        if (whole || report.value("kind", Json()) == "windows" ||
            (reported.is_object() && reported.value("id", Json()).is_string() &&
             model_.window(reported["id"].get<std::string>()) == nullptr))
            refreshEntriesLocked();
        changes = model_.apply(report);
        // An application not seen before has started; those of the first report were running.
        const auto snapshot = model_.snapshot(entries_);
        for (const auto& window : snapshot->windows) {
            const native::App* app = snapshot->app(window.app);
            if (app == nullptr || !app->id || !knownApps_.insert(*app->id).second || whole ||
                !announceStarts)
                continue;
            launched.push_back(*app);
        }
    }
    changed_.notify_all();
    if (changes.windows) windowObservers_.post(mainQueue_);
    if (changes.monitors) monitorObservers_.post(mainQueue_);
    if (changes.workspaces) workspaceObservers_.post(mainQueue_);
    for (const auto& app : launched) launchObservers_.post(mainQueue_, app);
    return changes;
}

void CompositorDesktop::setReady(bool ready) {
    {
        std::lock_guard lock(mutex_);
        ready_ = ready;
        if (!ready) model_.clear();
    }
    changed_.notify_all();
}

void CompositorDesktop::announceStart(const std::string& desktopFile, const std::string& name,
                                      std::int32_t pid) {
    native::App app;
    {
        std::lock_guard lock(mutex_);
        refreshEntriesLocked();
        const auto* entry = desktopFile.empty() ? nullptr : entries_.byId(desktopFile);
        if (entry == nullptr) return;
        app.id = entry->id;
        app.handle = model_.handleFor(entry->id);
        app.name = !entry->name.empty() ? entry->name : name;
        app.pid = pid;
        knownApps_.insert(entry->id);
    }
    launchObservers_.post(mainQueue_, app);
}

void CompositorDesktop::refreshEntriesLocked() {
    // Listing the installed entries is slow: only when their folders changed.
    auto stamp = freedesktop::entryFoldersStamp();
    if (stamp == entriesStamp_ && !entries_.entries().empty()) return;
    entries_ = freedesktop::EntryIndex(freedesktop::loadInstalledEntries());
    entriesStamp_ = std::move(stamp);
    model_.entriesChanged();
}

bool CompositorDesktop::ready() const {
    std::lock_guard lock(mutex_);
    return ready_;
}

bool CompositorDesktop::waitUntilReady(Duration timeout) {
    std::unique_lock lock(mutex_);
    return waitFor(lock, timeout, [&] { return ready_; });
}

void CompositorDesktop::nameMonitors(const std::vector<std::string>& names) {
    {
        std::lock_guard lock(mutex_);
        if (model_.monitorsNamed()) return;
        model_.nameMonitors(names);
    }
    monitorObservers_.post(mainQueue_);
}

std::shared_ptr<const native::Snapshot> CompositorDesktop::snapshot() {
    std::lock_guard lock(mutex_);
    return model_.snapshot(entries_);
}

native::Capabilities CompositorDesktop::capabilities() {
    const bool running = ready();
    return {running, running, running, false};
}

std::string CompositorDesktop::uuidOf(native::WindowId window) {
    std::lock_guard lock(mutex_);
    const ReportedWindow* known = model_.window(window);
    return known != nullptr ? known->uuid : std::string();
}

bool CompositorDesktop::waitFor(std::unique_lock<std::mutex>& lock, Duration timeout,
                                const std::function<bool()>& done) {
    // The compositor answers in real time, whatever clock the services run on.
    return changed_.wait_until(lock, Steady::now() + timeout, done);
}

Subscription CompositorDesktop::observeWindows(std::function<void()> handler) {
    return windowObservers_.add(std::move(handler));
}

Subscription CompositorDesktop::observeMonitors(std::function<void()> handler) {
    return monitorObservers_.add(std::move(handler));
}

Subscription CompositorDesktop::observeWorkspace(std::function<void()> handler) {
    return workspaceObservers_.add(std::move(handler));
}

Subscription CompositorDesktop::observeAppLaunches(
    std::function<void(const native::App&)> handler) {
    return launchObservers_.add(std::move(handler));
}

}  // namespace vantrel::compositor
