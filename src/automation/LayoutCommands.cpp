// Each use case: desktop work on the executor, list changes back on the main thread.
#include "automation/LayoutCommands.h"

#include <utility>

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

void LayoutCommands::restore(const WindowLayout& layout, RestoreOptions options) {
    restoringName_ = layout.name;
    layouts_.restoreLayout(layout, std::move(options.onFinished), options.origin);
}

void LayoutCommands::cancelRestore() {
    layouts_.cancelRestore();
}

void LayoutCommands::capture(Duration deadline, std::function<void(CapturedWindows)> done) {
    executor_.submit(clock_.now() + deadline, [service = &windows_, queue = &mainQueue_,
                                               weak = std::weak_ptr<LayoutCommands*>(self_),
                                               done = std::move(done)](bool late) mutable {
        if (late) return;
        CapturedWindows captured{service->captureWindows(), service->currentDisplayConfiguration()};
        queue->post([weak, done = std::move(done), captured = std::move(captured)]() mutable {
            if (weak.lock()) done(std::move(captured));
        });
    });
}

void LayoutCommands::saveCurrentWindows(std::string name, LayoutResult done) {
    capture(kCaptureDeadline,
            [this, name = std::move(name), done = std::move(done)](CapturedWindows captured) {
                auto layout = layouts_.addLayout(name, std::move(captured));
                if (done) done(std::move(layout));
            });
}

void LayoutCommands::recapture(const Uuid& id, LayoutResult done) {
    capture(kCaptureDeadline, [this, id, done = std::move(done)](CapturedWindows captured) {
        auto layout = layouts_.replaceWindows(id, std::move(captured));
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

void LayoutCommands::applyPreset(PresetLayout preset) {
    // A press the desktop could not serve within a second would move a window by surprise.
    executor_.submit(clock_.now() + kPresetDeadline, [presets = &presets_, preset](bool late) {
        if (!late) (void)presets->apply(preset);
    });
}

void LayoutCommands::spaceMismatch(const SpaceMismatch& mismatch) {
    PendingSpaceRestore pending{mismatch.capturedSpace, mismatch.currentSpace, mismatch.windows,
                                mismatch.savedDisplayConfig, restoringName_};
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

void LayoutCommands::restoreToCurrentSpace(PendingSpaceRestore pending) {
    WindowLayout layout;
    layout.name = std::move(pending.layoutName);
    layout.windows = std::move(pending.windows);
    layout.displayConfiguration = std::move(pending.displayConfiguration);
    layout.launchMissingApps = false;
    layout.closeOtherApps = false;
    // The same door as every other restore: serialised with them, and its outcome published.
    layouts_.restoreLayout(layout, {}, RestoreOrigin::menu, true);
}

}  // namespace vantrel
