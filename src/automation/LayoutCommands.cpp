// Each use case: desktop work on the executor, list changes back on the main thread.
#include "automation/LayoutCommands.h"

#include <set>
#include <utility>

#include "model/LayoutJson.h"

namespace vantrel {

LayoutCommands::LayoutCommands(LayoutManager& layouts, WindowService& windows,
                               PresetLayoutService& presets, PreferencesStore& preferences,
                               Worker& executor, MainQueue& mainQueue, Clock& clock)
    : layouts_(layouts),
      windows_(windows),
      presets_(presets),
      preferences_(preferences),
      executor_(executor),
      mainQueue_(mainQueue),
      clock_(clock),
      self_(std::make_shared<LayoutCommands*>(this)) {
    mismatchObserver_ = windows_.observeSpaceMismatch(
        [this](const SpaceMismatch& mismatch) { spaceMismatch(mismatch); });
}

LayoutCommands::~LayoutCommands() {
    self_.reset();
}

bool LayoutCommands::restore(const Uuid& id, RestoreOptions options) {
    // Looked up now, so an edited layout restores as edited.
    for (const auto& layout : layouts_.layouts.get()) {
        if (layout.id != id) continue;
        restore(layout, std::move(options));
        return true;
    }
    return false;
}

std::vector<WindowLayout> LayoutCommands::find(std::string_view idOrName) const {
    const auto id = Uuid::parse(idOrName);
    std::vector<WindowLayout> named;
    for (const auto& layout : layouts_.layouts.get()) {
        if (id && layout.id == *id) return {layout};
        if (layout.name == idOrName) named.push_back(layout);
    }
    return named;
}

void LayoutCommands::restore(const WindowLayout& layout, RestoreOptions options) {
    restoringName_ = layout.name;
    restoringId_ = layout.id;
    // "Always restore" answered the prompt for good: run as `here`, so the caller hears of the
    // restore that placed the windows, not of the one the Space check stopped.
    if (options.space == SpaceChoice::ask && preferences_.ignoreSpaceMismatch())
        options.space = SpaceChoice::here;
    restoringSpace_ = options.space;
    scriptedPending_.reset();
    WindowLayout chosen = layout;
    if (options.launchMissingApps) chosen.launchMissingApps = *options.launchMissingApps;
    if (options.closeOtherApps) chosen.closeOtherApps = *options.closeOtherApps;
    auto done = spaceAware(options);
    layouts_.restoreLayout(chosen, std::move(done), options.origin);
}

LayoutManager::Completion LayoutCommands::spaceAware(RestoreOptions& options) {
    if (options.space == SpaceChoice::ask) return std::move(options.onFinished);
    // The mismatch notice comes before the stopped restore's outcome: the waiting restore is
    // known by then, and `here` runs it as the prompt's "Restore This Time" would.
    return [weak = std::weak_ptr<LayoutCommands*>(self_), space = options.space,
            done = std::move(options.onFinished)](const RestoreOutcome& outcome) {
        auto self = weak.lock();
        std::optional<PendingSpaceRestore> pending;
        if (self) pending = std::exchange((*self)->scriptedPending_, std::nullopt);
        if (outcome.summary.awaitingSpaceChoice && pending && space == SpaceChoice::here) {
            (*self)->restoreToCurrentSpace(std::move(*pending), done);
            return;
        }
        if (done) done(outcome);
    };
}

void LayoutCommands::cancelRestore() {
    layouts_.cancelRestore();
}

void LayoutCommands::capture(Duration deadline,
                             std::function<void(std::optional<CapturedWindows>)> done) {
    executor_.submit(clock_.now() + deadline, [service = &windows_, queue = &mainQueue_,
                                               weak = std::weak_ptr<LayoutCommands*>(self_),
                                               done = std::move(done)](bool late) mutable {
        // Too late: the caller still hears that nothing was captured.
        std::optional<CapturedWindows> captured;
        if (!late)
            captured =
                CapturedWindows{service->captureWindows(), service->currentDisplayConfiguration()};
        queue->post([weak, done = std::move(done), captured = std::move(captured)]() mutable {
            if (weak.lock()) done(std::move(captured));
        });
    });
}

void LayoutCommands::saveCurrentWindows(std::string name, LayoutResult done) {
    capture(kCaptureDeadline, [this, name = std::move(name),
                               done = std::move(done)](std::optional<CapturedWindows> captured) {
        std::optional<WindowLayout> layout;
        if (captured) layout = layouts_.addLayout(name, std::move(*captured));
        if (done) done(std::move(layout));
    });
}

void LayoutCommands::recapture(const Uuid& id, LayoutResult done) {
    capture(kCaptureDeadline,
            [this, id, done = std::move(done)](std::optional<CapturedWindows> captured) {
                std::optional<WindowLayout> layout;
                if (captured) layout = layouts_.replaceWindows(id, std::move(*captured));
                if (done) done(std::move(layout));
            });
}

void LayoutCommands::countWindows(std::function<void(std::size_t)> done) {
    // Keystrokes come faster than captures: one count at a time, answered to the latest caller.
    const bool queued = static_cast<bool>(countDone_);
    countDone_ = std::move(done);
    if (queued) return;
    executor_.submit(clock_.now() + kCountDeadline,
                     [service = &windows_, queue = &mainQueue_,
                      weak = std::weak_ptr<LayoutCommands*>(self_)](bool late) {
                         std::optional<std::size_t> count;
                         if (!late) count = service->captureWindows().size();
                         queue->post([weak, count] {
                             auto self = weak.lock();
                             if (!self) return;
                             auto answer = std::exchange((*self)->countDone_, {});
                             if (count && answer) answer(*count);
                         });
                     });
}

bool LayoutCommands::update(WindowLayout layout) {
    for (const auto& listed : layouts_.layouts.get()) {
        if (listed.id != layout.id) continue;
        layouts_.updateLayout(std::move(layout));
        return true;
    }
    return false;
}

bool LayoutCommands::remove(const Uuid& id) {
    return layouts_.removeLayout(id);
}

void LayoutCommands::applyPreset(PresetLayout preset, std::function<void(bool)> done) {
    // A press the desktop could not serve within a second would move a window by surprise.
    executor_.submit(
        clock_.now() + kPresetDeadline,
        [presets = &presets_, preset, queue = &mainQueue_,
         weak = std::weak_ptr<LayoutCommands*>(self_), done = std::move(done)](bool late) mutable {
            const bool placed = !late && presets->apply(preset);
            if (!done) return;
            queue->post([weak, placed, done = std::move(done)] {
                if (weak.lock()) done(placed);
            });
        });
}

bool LayoutCommands::hasWindowAccess() const {
    return windows_.hasAccessibilityPermission.get();
}

Result<std::string> LayoutCommands::exportLayouts() const {
    return encodeLayoutFile(layouts_.layouts.get());
}

Result<std::size_t> LayoutCommands::importLayouts(std::string_view text) {
    if (text.size() > kMaxImportBytes)
        return Error{"larger than " + std::to_string(kMaxImportBytes / 1024 / 1024) + " MB"};
    auto decoded = decodeLayoutFile(text);
    if (!decoded) return decoded.error();
    auto list = layouts_.layouts.get();
    std::set<Uuid> taken;
    for (const auto& layout : list) taken.insert(layout.id);
    // A layout shared twice, or one already here, must not replace or shadow the listed one.
    for (auto& layout : *decoded) {
        if (taken.contains(layout.id)) layout.id = Uuid::random();
        taken.insert(layout.id);
        list.push_back(std::move(layout));
    }
    const std::size_t added = decoded->size();
    layouts_.layouts.set(std::move(list));
    layouts_.saveLayouts();
    if (layouts_.unsaved()) return Error{"the layouts were added but could not be saved"};
    return added;
}

void LayoutCommands::spaceMismatch(const SpaceMismatch& mismatch) {
    PendingSpaceRestore pending{mismatch.capturedSpace, mismatch.currentSpace,
                                mismatch.windows,       mismatch.savedDisplayConfig,
                                restoringName_,         restoringId_};
    // A caller that cannot show the prompt answered beforehand (see spaceAware).
    if (restoringSpace_ != SpaceChoice::ask) {
        scriptedPending_ = std::move(pending);
        return;
    }
    // The user said once to always restore: there is no question to ask.
    if (preferences_.ignoreSpaceMismatch())
        restoreToCurrentSpace(std::move(pending));
    else
        pendingSpaceRestore.set(std::move(pending));
}

void LayoutCommands::answerSpacePrompt(SpaceAnswer answer) {
    auto pending = pendingSpaceRestore.get();
    if (!pending) return;
    pendingSpaceRestore.set(std::nullopt);
    if (answer == SpaceAnswer::cancel) return;
    if (answer == SpaceAnswer::alwaysRestore) preferences_.setIgnoreSpaceMismatch(true);
    restoreToCurrentSpace(std::move(*pending));
}

void LayoutCommands::restoreToCurrentSpace(PendingSpaceRestore pending,
                                           LayoutManager::Completion onFinished) {
    WindowLayout layout;
    layout.id = pending.layoutId;
    layout.name = std::move(pending.layoutName);
    layout.windows = std::move(pending.windows);
    layout.displayConfiguration = std::move(pending.displayConfiguration);
    layout.launchMissingApps = false;
    layout.closeOtherApps = false;
    // The same door as every other restore: serialised with them, and its outcome published.
    layouts_.restoreLayout(layout, std::move(onFinished), RestoreOrigin::menu, true);
}

}  // namespace vantrel
