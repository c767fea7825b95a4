// The KWin desktop: the model kept from the script's reports, and each write as a request.
#include "platform/kwin/KWinDesktop.h"

#include <unistd.h>

namespace vantrel::kwin {
namespace {

using Json = nlohmann::json;

}  // namespace

KWinDesktop::KWinDesktop(Log& log, MainQueue& mainQueue, Clock& clock, KWinBridge& bridge,
                         KWinOptions options)
    : log_(log), mainQueue_(mainQueue), clock_(clock), bridge_(bridge), options_(options) {}

KWinDesktop::~KWinDesktop() {
    reports_.clear();
}

void KWinDesktop::connect() {
    {
        std::lock_guard lock(mutex_);
        model_.setOwnPid(static_cast<std::int32_t>(::getpid()));
        refreshEntriesLocked();
    }
    for (const char* kind : {"state", "window", "removed", "monitors", "workspaces"})
        reports_.push_back(
            bridge_.onReport(kind, [this](const Json& report) { onReport(report); }));
}

void KWinDesktop::onReport(const Json& report) {
    std::vector<native::App> launched;
    KWinModel::Changes changes;
    {
        std::lock_guard lock(mutex_);
        const bool state = report["kind"] == "state";
        if (state) {
            const auto version = report.value("version", Json()).is_number_integer()
                                     ? report["version"].get<int>()
                                     : 0;
            ready_ = version == kProtocolVersion;
            if (!ready_) {
                log_.line("KWinDesktop: The KWin script speaks protocol " +
                          std::to_string(version) + ", this Vantrel " +
                          std::to_string(kProtocolVersion) + "; windows cannot be arranged");
                model_.clear();
                return;
            }
        }
        if (!ready_) return;
        // A window not seen before may belong to an application installed meanwhile.
        const Json reported = report.value("window", Json());
        if (state || (reported.is_object() && reported.value("id", Json()).is_string() &&
                      model_.window(reported["id"].get<std::string>()) == nullptr))
            refreshEntriesLocked();
        changes = model_.apply(report);
        // An application not seen before has started; those of the first report were running.
        const auto snapshot = model_.snapshot(entries_);
        for (const auto& window : snapshot->windows) {
            const native::App* app = snapshot->app(window.app);
            if (app == nullptr || !app->id || !knownApps_.insert(*app->id).second || state)
                continue;
            launched.push_back(*app);
        }
    }
    changed_.notify_all();
    if (changes.monitors && options_.outputNames) {
        mainQueue_.post([this, alive = std::weak_ptr<bool>(alive_)] {
            if (alive.lock()) nameMonitors(options_.outputNames());
        });
    }
    if (changes.windows) windowObservers_.post(mainQueue_);
    if (changes.monitors) monitorObservers_.post(mainQueue_);
    if (changes.workspaces) workspaceObservers_.post(mainQueue_);
    for (const auto& app : launched) launchObservers_.post(mainQueue_, app);
}

void KWinDesktop::refreshEntriesLocked() {
    // Listing the installed entries is slow: only when their folders changed.
    auto stamp = freedesktop::entryFoldersStamp();
    if (stamp == entriesStamp_ && !entries_.entries().empty()) return;
    entries_ = freedesktop::EntryIndex(freedesktop::loadInstalledEntries());
    entriesStamp_ = std::move(stamp);
    model_.entriesChanged();
}

bool KWinDesktop::ready() const {
    std::lock_guard lock(mutex_);
    return ready_;
}

bool KWinDesktop::awaitReady(Duration timeout) {
    {
        std::unique_lock lock(mutex_);
        if (!waitFor(lock, timeout, [&] { return ready_; })) return false;
    }
    if (options_.outputNames) nameMonitors(options_.outputNames());
    return true;
}

void KWinDesktop::nameMonitors(const std::vector<std::string>& names) {
    {
        std::lock_guard lock(mutex_);
        if (model_.monitorsNamed()) return;
        model_.nameMonitors(names);
    }
    monitorObservers_.post(mainQueue_);
}

std::shared_ptr<const native::Snapshot> KWinDesktop::snapshot() {
    std::lock_guard lock(mutex_);
    return model_.snapshot(entries_);
}

native::Capabilities KWinDesktop::capabilities() {
    const bool running = ready();
    return {running, running, running, false};
}

native::Identity KWinDesktop::identity() const {
    native::Identity identity;
    // Plasma's own; KDE's file manager and panel are never quit.
    identity.fileManager = "org.kde.dolphin";
    identity.dock = "org.kde.plasmashell";
    identity.own = "vantrel";
    // Nothing for the user to grant: Vantrel loads its script into KWin itself.
    identity.accessSettingsUri = "";
    return identity;
}

std::string KWinDesktop::uuidOf(native::WindowId window) {
    std::lock_guard lock(mutex_);
    const ScriptWindow* known = model_.window(window);
    return known != nullptr ? known->uuid : std::string();
}

std::optional<std::string> KWinDesktop::ask(const std::string& op, const std::string& uuid,
                                            Json arguments) {
    arguments["op"] = op;
    arguments["window"] = uuid;
    auto answer = bridge_.request(std::move(arguments), Steady::now() + options_.requestTimeout);
    if (!answer) return answer.error().message;
    if (answer->value("ok", Json()) == true) return std::nullopt;
    const Json error = answer->value("error", Json());
    return error.is_string() ? error.get<std::string>() : std::string("refused");
}

bool KWinDesktop::waitFor(std::unique_lock<std::mutex>& lock, Duration timeout,
                          const std::function<bool()>& done) {
    // KWin answers in real time, whatever clock the services run on.
    return changed_.wait_until(lock, Steady::now() + timeout, done);
}

}  // namespace vantrel::kwin
