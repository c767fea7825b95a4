// The use cases of the layout list in one place, for the menu, the shortcuts, the triggers and
// any later remote control: they never rewrite the list or ask the desktop themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/LayoutManager.h"
#include "base/Clock.h"
#include "base/MainQueue.h"
#include "base/Published.h"
#include "base/Result.h"
#include "base/Subscription.h"
#include "base/Uuid.h"
#include "base/Worker.h"
#include "engine/PresetLayoutService.h"
#include "engine/WindowService.h"
#include "model/PreferencesStore.h"
#include "model/PresetLayout.h"
#include "model/WindowLayout.h"

namespace vantrel {

// A restore stopped because its layout lives on another Space, waiting for the user's answer.
struct PendingSpaceRestore {
    std::int64_t capturedSpace = 0;
    std::int64_t currentSpace = 0;
    std::vector<WindowState> windows;
    std::optional<DisplayConfiguration> displayConfiguration;
    std::string layoutName;
    Uuid layoutId;

    friend bool operator==(const PendingSpaceRestore&, const PendingSpaceRestore&) = default;
};

enum class SpaceAnswer { alwaysRestore, restoreThisTime, cancel };

// What a restore does when its layout lives on another Space. `ask` waits for the prompt's
// answer; a caller that cannot show the prompt says beforehand: `here` answers "Restore This
// Time", `saved` leaves the windows on their Space and restores nothing.
enum class SpaceChoice { ask, here, saved };

struct RestoreOptions {
    RestoreOrigin origin = RestoreOrigin::menu;
    SpaceChoice space = SpaceChoice::ask;
    // Overrides of the layout's own options; none keeps the layout's.
    std::optional<bool> launchMissingApps;
    std::optional<bool> closeOtherApps;
    // Called on the main thread once the restore has ended and its outcome is published; with
    // `here`, once the windows came to the current Space.
    LayoutManager::Completion onFinished;

    static RestoreOptions from(RestoreOrigin origin) {
        RestoreOptions options;
        options.origin = origin;
        return options;
    }
};

class LayoutCommands {
  public:
    // What each call gets back on the main thread; none when nothing was made or changed (no
    // window captured, or the desktop too busy to answer in time).
    using LayoutResult = std::function<void(std::optional<WindowLayout>)>;

    // How long work may wait behind other desktop work before it is no longer wanted.
    static constexpr Duration kCaptureDeadline = 10s;
    static constexpr Duration kCountDeadline = 2s;
    static constexpr Duration kPresetDeadline = 1s;

    LayoutCommands(LayoutManager& layouts, WindowService& windows, PresetLayoutService& presets,
                   PreferencesStore& preferences, Worker& executor, MainQueue& mainQueue,
                   Clock& clock);
    LayoutCommands(const LayoutCommands&) = delete;
    LayoutCommands& operator=(const LayoutCommands&) = delete;
    ~LayoutCommands();

    // Restores the listed layout as it is now; false when no layout has this id.
    bool restore(const Uuid& id, RestoreOptions options = {});
    // Restores the layout as given: a trigger's copy, kept even if the list changed meanwhile.
    void restore(const WindowLayout& layout, RestoreOptions options);
    // The listed layouts this text names: the one with this id, else every one of this name.
    std::vector<WindowLayout> find(std::string_view idOrName) const;
    // Stops the running restore before its next window.
    void cancelRestore();
    // Captures the open windows on the executor, then appends them as a new layout.
    void saveCurrentWindows(std::string name, LayoutResult done = {});
    // Captures the open windows on the executor, then puts them in the listed layout.
    void recapture(const Uuid& id, LayoutResult done = {});
    // The save sheet's count of the windows a save would keep, counted on the executor. A call
    // while a count is under way waits for that one; nothing is called when the desktop was too
    // busy to answer in time.
    void countWindows(std::function<void(std::size_t)> done);
    // Replaces the listed layout of the same id; false when none has it.
    bool update(WindowLayout layout);
    bool remove(const Uuid& id);
    // The list and its queries (read them; change it only through these commands).
    LayoutManager& list() { return layouts_; }
    // Places the focused window on the executor; `done` hears on the main thread whether a
    // window was placed (not when the desktop was too busy to answer in time).
    void applyPreset(PresetLayout preset, std::function<void(bool)> done = {});
    // Whether the window manager lets Vantrel read and move windows.
    bool hasWindowAccess() const;

    // Import texts larger than this are refused unread.
    static constexpr std::size_t kMaxImportBytes = 8 * 1024 * 1024;
    // The whole list as the layout file holds it.
    Result<std::string> exportLayouts() const;
    // Appends the layouts of a layout file, each with a new id where its id is taken, and saves;
    // the number added. A text the strict decoder refuses changes nothing.
    Result<std::size_t> importLayouts(std::string_view text);

    // The restore waiting for the Space prompt's answer; none when nothing waits. With "always
    // restore" chosen before, it never waits.
    Published<std::optional<PendingSpaceRestore>> pendingSpaceRestore;
    // Brings the waiting restore's windows to the current Space, or drops it.
    void answerSpacePrompt(SpaceAnswer answer);

  private:
    // `done` hears nothing captured when the capture started after its deadline.
    void capture(Duration deadline, std::function<void(std::optional<CapturedWindows>)> done);
    void spaceMismatch(const SpaceMismatch& mismatch);
    void restoreToCurrentSpace(PendingSpaceRestore pending,
                               LayoutManager::Completion onFinished = {});
    // The layout with the options' overrides, and the completion that answers for its Space.
    LayoutManager::Completion spaceAware(RestoreOptions& options);

    LayoutManager& layouts_;
    WindowService& windows_;
    PresetLayoutService& presets_;
    PreferencesStore& preferences_;
    Worker& executor_;
    MainQueue& mainQueue_;
    Clock& clock_;
    // Who waits for the window count being taken; empty when none is.
    std::function<void(std::size_t)> countDone_;
    // The name of the last restore asked for: the one a Space prompt is about.
    std::string restoringName_;
    Uuid restoringId_;
    // How the last restore asked for treats another Space, and the restore it found waiting.
    SpaceChoice restoringSpace_ = SpaceChoice::ask;
    std::optional<PendingSpaceRestore> scriptedPending_;
    Subscription mismatchObserver_;
    // Lets results queued by the executor see that the commands are gone.
    std::shared_ptr<LayoutCommands*> self_;
};

}  // namespace vantrel
