// Layout list operations, restore through the engine on a worker, and the trigger queries.
#include "automation/LayoutManager.h"

#include <algorithm>
#include <set>

namespace vantrel {

LayoutManager::LayoutManager(WindowService& windowService, LayoutStorage& storage, Worker& worker,
                             MainQueue& mainQueue, Clock& clock, NotificationCenter& notifications,
                             UserNotifier* notifier)
    : windowService_(windowService),
      storage_(storage),
      worker_(worker),
      mainQueue_(mainQueue),
      clock_(clock),
      notifications_(notifications),
      notifier_(notifier),
      inFlight_(std::make_shared<InFlight>()),
      self_(std::make_shared<LayoutManager*>(this)) {}

LayoutManager::~LayoutManager() {
    self_.reset();
    cancelRestore();
    std::unique_lock lock(inFlight_->mutex);
    inFlight_->idle.wait(lock, [this] { return inFlight_->count == 0; });
}

void LayoutManager::load() {
    layouts.set(storage_.load());
}

void LayoutManager::saveLayouts() {
    // The user must not believe a change is kept when it is not: say so, keep the list.
    auto saved = storage_.save(layouts.get());
    unsaved_ = !saved;
    if (!saved) lastError.set(LayoutError::saveFailed(saved.error().message));
    notifications_.post(kLayoutsDidChange);
}

bool LayoutManager::reloadIfChangedOnDisk() {
    auto reloaded = storage_.loadIfChanged();
    if (!reloaded) return false;
    layouts.set(std::move(*reloaded));
    // Shortcuts and triggers follow the new list as they follow a save.
    notifications_.post(kLayoutsDidChange);
    return true;
}

std::vector<WindowLayout>::iterator LayoutManager::find(std::vector<WindowLayout>& list,
                                                        const Uuid& id) {
    return std::find_if(list.begin(), list.end(),
                        [&](const WindowLayout& entry) { return entry.id == id; });
}

std::optional<WindowLayout> LayoutManager::addLayout(const std::string& name,
                                                     CapturedWindows captured) {
    reloadIfChangedOnDisk();
    if (captured.windows.empty()) {
        lastError.set(LayoutError::noWindowsCaptured());
        return std::nullopt;
    }
    WindowLayout layout;
    layout.id = Uuid::random();
    layout.name = name;
    layout.windows = std::move(captured.windows);
    layout.createdAt = clock_.wallNow();
    layout.modifiedAt = clock_.wallNow();
    layout.displayConfiguration = DisplayConfiguration{std::move(captured.displays)};

    auto list = layouts.get();
    list.push_back(layout);
    layouts.set(std::move(list));
    saveLayouts();
    return layout;
}

void LayoutManager::updateLayout(WindowLayout layout) {
    reloadIfChangedOnDisk();
    auto list = layouts.get();
    const auto it = find(list, layout.id);
    if (it == list.end()) return;
    layout.modifiedAt = clock_.wallNow();
    *it = std::move(layout);
    layouts.set(std::move(list));
    saveLayouts();
}

std::optional<WindowLayout> LayoutManager::replaceWindows(const Uuid& id,
                                                          CapturedWindows captured) {
    reloadIfChangedOnDisk();
    auto list = layouts.get();
    const auto it = find(list, id);
    if (it == list.end()) return std::nullopt;
    // An empty capture (no permission, or every window closed) would silently wipe the saved
    // windows; keep the layout and tell the user instead.
    if (captured.windows.empty()) {
        lastError.set(LayoutError::noWindowsCaptured());
        return std::nullopt;
    }
    it->windows = std::move(captured.windows);
    it->displayConfiguration = DisplayConfiguration{std::move(captured.displays)};
    it->modifiedAt = clock_.wallNow();
    auto layout = *it;
    layouts.set(std::move(list));
    saveLayouts();
    return layout;
}

bool LayoutManager::removeLayout(const Uuid& id) {
    auto list = layouts.get();
    const auto it = find(list, id);
    if (it == list.end()) return false;
    list.erase(it);
    layouts.set(std::move(list));
    saveLayouts();
    return true;
}

bool LayoutManager::displaysChanged(const std::optional<DisplayConfiguration>& saved,
                                    const DisplayConfiguration& current) {
    if (!saved) return false;
    // Identifiers do not matter: the same sizes in the same order place windows the same way.
    return saved->displays.size() != current.displays.size() ||
           saved->sizeSignature() != current.sizeSignature();
}

std::optional<LayoutError> LayoutManager::errorAfterRestore(const RestoreSummary& summary,
                                                            std::optional<LayoutError> current) {
    const auto restored = summary.restoredWindows;
    const auto total = summary.totalWindows;
    // Stopped for the Space prompt: the user's answer decides, nothing failed.
    if (summary.awaitingSpaceChoice) return current;
    if (restored == total) return std::nullopt;
    if (restored == 0 && total >= 1) {
        if (summary.appNotRunningWindows == total && summary.launchedApps == 0)
            return LayoutError::restoreNoAppsRunning();
        return LayoutError::restorePartialFailure(0, total, summary.missingApps);
    }
    if (restored >= 1 && restored < total)
        return LayoutError::restorePartialFailure(restored, total, summary.missingApps);
    return current;
}

void LayoutManager::restoreLayout(const WindowLayout& layout, Completion onFinished,
                                  RestoreOrigin origin, bool toCurrentSpace) {
    // The last restore asked for wins: the running one stops at its next window.
    cancelRestore();
    isRestoring.set(true);
    lastError.set(std::nullopt);
    if (!windowService_.hasAccessibilityPermission.get()) {
        report(LayoutError::accessibilityPermissionRequired(), origin);
        isRestoring.set(false);
        announce({layout.id, layout.name, {}, LayoutError::accessibilityPermissionRequired()},
                 onFinished);
        return;
    }
    auto control = std::make_shared<RestoreControl>();
    control->layoutName = layout.name;
    currentRestore_ = control;
    if (origin == RestoreOrigin::launchTrigger) {
        const auto now = clock_.now();
        std::erase_if(triggeredRestores_, [&](const TriggeredRestore& entry) {
            return now - entry.started > kTriggeredLaunchWindow;
        });
        triggeredRestores_.push_back({control, now});
    }

    {
        std::lock_guard lock(inFlight_->mutex);
        ++inFlight_->count;
    }
    auto finish = [queue = &mainQueue_, weak = std::weak_ptr<LayoutManager*>(self_), control,
                   origin, id = layout.id,
                   onFinished = std::move(onFinished)](RestoreSummary summary, bool tiles) mutable {
        queue->post(
            [weak, summary, tiles, control, origin, id, onFinished = std::move(onFinished)] {
                auto self = weak.lock();
                if (!self) return;
                auto outcome = (*self)->finishRestore(summary, tiles, control, origin);
                outcome.layoutId = id;
                (*self)->announce(std::move(outcome), onFinished);
            });
    };
    // Everything that asks the desktop runs on the executor, the display comparison included.
    worker_.submit(
        clock_.now() + kRestoreStartDeadline,
        [service = &windowService_, inFlight = inFlight_, layout, control, toCurrentSpace,
         finish = std::move(finish)](bool late) mutable {
            if (late) control->cancelled = true;
            RestoreSummary summary;
            bool tiles = false;
            if (!control->isCancelled()) {
                const bool changed =
                    layout.displayConfiguration &&
                    displaysChanged(layout.displayConfiguration,
                                    DisplayConfiguration{service->currentDisplayConfiguration()});
                summary = service->restoreWindows(layout.windows, layout.displayConfiguration,
                                                  changed, toCurrentSpace, layout.launchMissingApps,
                                                  layout.closeOtherApps, control.get());
                tiles = summary.failedWindows > 0 && service->windowManagerTiles();
            }
            finish(summary, tiles);
            std::lock_guard lock(inFlight->mutex);
            --inFlight->count;
            inFlight->idle.notify_all();
        });
}

RestoreOutcome LayoutManager::finishRestore(const RestoreSummary& summary, bool tiles,
                                            const std::shared_ptr<RestoreControl>& control,
                                            RestoreOrigin origin) {
    RestoreOutcome outcome{{}, control->layoutName, summary, std::nullopt, true};
    // A superseded restore leaves the outcome to the newer one.
    if (control != currentRestore_) return outcome;
    currentRestore_.reset();
    if (!control->isCancelled()) {
        auto error = errorAfterRestore(summary, lastError.get());
        // Windows a tiling manager kept in place are its choice, not missing applications.
        if (error && tiles)
            error = LayoutError::tilingWindowManager(summary.restoredWindows, summary.totalWindows);
        outcome.stopped = false;
        outcome.error = error;
        report(std::move(error), origin);
    }
    isRestoring.set(false);
    return outcome;
}

void LayoutManager::announce(RestoreOutcome outcome, const Completion& onFinished) {
    if (!outcome.summary.awaitingSpaceChoice)
        notifications_.post(kRestoreDidFinish, {{"outcome", outcome}});
    if (onFinished) onFinished(outcome);
}

void LayoutManager::report(std::optional<LayoutError> error, RestoreOrigin origin) {
    // The user is busy elsewhere when a shortcut or a trigger restored: no modal alert then.
    if (error && origin != RestoreOrigin::menu && notifier_ != nullptr) {
        notifier_->notify(error->title(), error->description());
        return;
    }
    lastError.set(std::move(error));
}

void LayoutManager::cancelRestore() {
    if (currentRestore_) currentRestore_->cancelled = true;
}

std::optional<std::string> LayoutManager::launchedByTriggeredRestore(const std::string& bundleID) {
    const auto now = clock_.now();
    for (const auto& entry : triggeredRestores_)
        if (now - entry.started <= kTriggeredLaunchWindow && entry.control->takeLaunch(bundleID))
            return entry.control->layoutName;
    return std::nullopt;
}

std::vector<WindowLayout> LayoutManager::layoutsMatching(
    const DisplayConfiguration& configuration) const {
    const auto wanted = configuration.identifier();
    std::vector<WindowLayout> result;
    for (const auto& layout : layouts.get())
        if (layout.triggerOnDisplayChange && layout.displayConfiguration &&
            layout.displayConfiguration->identifier() == wanted)
            result.push_back(layout);
    return result;
}

std::vector<WindowLayout> LayoutManager::layoutsTriggered(std::string_view bundleID) const {
    std::vector<WindowLayout> result;
    for (const auto& layout : layouts.get())
        if (std::find(layout.triggerApps.begin(), layout.triggerApps.end(), bundleID) !=
            layout.triggerApps.end())
            result.push_back(layout);
    return result;
}

SpaceSummary LayoutManager::spaceSummary(const WindowLayout& layout) {
    std::set<std::int64_t> spaces;
    SpaceSummary summary;
    for (const auto& window : layout.windows) {
        if (!window.isOnAllSpaces && window.spaceIndex) spaces.insert(*window.spaceIndex);
        if (window.isOnAllSpaces) ++summary.stickyWindowCount;
    }
    if (spaces.size() == 1) summary.spaceIndex = *spaces.begin();
    summary.spansMultipleSpaces = spaces.size() >= 2;
    return summary;
}

}  // namespace vantrel
