// The list of saved layouts: the only writer of the layout file, and the door every restore uses.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/LayoutError.h"
#include "automation/UserNotifier.h"
#include "base/Clock.h"
#include "base/MainQueue.h"
#include "base/NotificationCenter.h"
#include "base/Published.h"
#include "base/Worker.h"
#include "engine/RestoreSummary.h"
#include "engine/WindowService.h"
#include "model/LayoutStorage.h"
#include "model/WindowLayout.h"

namespace vantrel {

// Posted on the main thread after every save of the list, even a failed one, and after the list
// was reloaded from a file another program changed.
inline constexpr const char* kLayoutsDidChange = "layoutsDidChange";

// Posted on the main thread when a restore has ended, whoever started it (not while it waits for
// the Space prompt's answer); userInfo "outcome" holds its RestoreOutcome.
inline constexpr const char* kRestoreDidFinish = "restoreDidFinish";

// How one restore ended: its counts and the problem the user is told of, if any.
struct RestoreOutcome {
    Uuid layoutId;
    std::string layoutName;
    RestoreSummary summary;
    std::optional<LayoutError> error;
    // Cancelled, superseded by a newer restore, or too late to start: nothing to report.
    bool stopped = false;
};

// On which Spaces a layout's windows were captured.
struct SpaceSummary {
    std::optional<std::int64_t> spaceIndex;  // the one Space of all Space-bound windows
    bool spansMultipleSpaces = false;
    std::int64_t stickyWindowCount = 0;

    friend bool operator==(const SpaceSummary&, const SpaceSummary&) = default;
};

// Who started a restore: the user in the menu, or a shortcut or trigger while the user works
// elsewhere (problems then come as a desktop notification, not as an alert that takes focus).
enum class RestoreOrigin { menu, background, launchTrigger };

// The open windows and the displays, captured together on the executor.
struct CapturedWindows {
    std::vector<WindowState> windows;
    std::vector<DisplayInfo> displays;
};

class LayoutManager {
  public:
    // Called on the main thread when a restore has ended and its result is published.
    using Completion = std::function<void(const RestoreOutcome&)>;

    // How long the launches a launch-triggered restore made are told apart from the user's.
    static constexpr Duration kTriggeredLaunchWindow = 60s;
    // How long a restore may wait behind other desktop work before it is no longer wanted.
    static constexpr Duration kRestoreStartDeadline = 30s;

    LayoutManager(WindowService& windowService, LayoutStorage& storage, Worker& worker,
                  MainQueue& mainQueue, Clock& clock, NotificationCenter& notifications,
                  UserNotifier* notifier = nullptr);
    LayoutManager(const LayoutManager&) = delete;
    LayoutManager& operator=(const LayoutManager&) = delete;
    // Waits for restores still inside the window engine, which uses the window service.
    ~LayoutManager();

    // Reads the layout file into `layouts`; neither saves nor posts. Main thread.
    void load();

    // Main thread. The UI may write `layouts` (to delete, then saveLayouts) and clear lastError.
    Published<std::vector<WindowLayout>> layouts;
    Published<std::optional<LayoutError>> lastError;
    Published<bool> isRestoring{false};

    // Writes the whole list and posts "layoutsDidChange". When the file cannot be written, the
    // list stays as it is in memory, `lastError` names the reason, and the next save tries again.
    void saveLayouts();
    // Tries once more to write a list whose last save failed (at quit).
    void saveLayoutsIfUnsaved() {
        if (unsaved_) saveLayouts();
    }
    // The last save failed: the list in memory is newer than the file.
    bool unsaved() const { return unsaved_; }
    // Takes the file's layouts when another program changed the file since it was last read or
    // written and it is readable, and posts "layoutsDidChange"; true when the list was replaced.
    bool reloadIfChangedOnDisk();
    // A new layout of these captured windows, appended at the end; nothing when none was
    // captured.
    std::optional<WindowLayout> addLayout(const std::string& name, CapturedWindows captured);
    // Replaces the entry with the same id in place; unknown ids change nothing.
    void updateLayout(WindowLayout layout);
    // The listed layout with these freshly captured windows and displays; nothing when it is no
    // longer listed or when the capture found no window.
    std::optional<WindowLayout> replaceWindows(const Uuid& id, CapturedWindows captured);
    // Removes the layout and saves; false when it was not listed.
    bool removeLayout(const Uuid& id);
    // Restores the windows through the engine on the executor and publishes the outcome on the
    // main queue; `onFinished` follows (at once when the restore stops before the engine). A
    // restore that cannot start within kRestoreStartDeadline ends as if cancelled.
    // `toCurrentSpace` is the user's answer to the Space prompt: no Space check, every window
    // comes to the current Space.
    // Restores run one at a time: a new one stops the running one at its next window, and only
    // the last one publishes its outcome. Problems of restores not started from the menu go to the
    // notifier when there is one, else to `lastError` too. `RestoreOrigin::launchTrigger` marks a
    // restore that an application's launch started (see launchedByTriggeredRestore).
    void restoreLayout(const WindowLayout& layout, Completion onFinished = {},
                       RestoreOrigin origin = RestoreOrigin::menu, bool toCurrentSpace = false);
    // Stops the running restore before its next window, without an error (Cancel, Quit).
    void cancelRestore();
    // The name of the launch-triggered restore that launched this application itself, within
    // the last minute; each such launch is answered once. Such launches must not trigger again.
    std::optional<std::string> launchedByTriggeredRestore(const std::string& bundleID);

    // Display-triggered layouts saved on exactly this set of displays, in list order.
    std::vector<WindowLayout> layoutsMatching(const DisplayConfiguration& configuration) const;
    // Layouts that list this application among their triggers, in list order.
    std::vector<WindowLayout> layoutsTriggered(std::string_view bundleID) const;
    static SpaceSummary spaceSummary(const WindowLayout& layout);

    // Whether windows must be placed relative to their displays: counts or sizes differ.
    static bool displaysChanged(const std::optional<DisplayConfiguration>& saved,
                                const DisplayConfiguration& current);
    // `lastError` after a restore that returned `summary`, given its value before.
    static std::optional<LayoutError> errorAfterRestore(const RestoreSummary& summary,
                                                        std::optional<LayoutError> current);

  private:
    // Counts restores given to the executor, so destruction can wait for them.
    struct InFlight {
        std::mutex mutex;
        std::condition_variable idle;
        int count = 0;
    };
    struct TriggeredRestore {
        std::shared_ptr<RestoreControl> control;
        TimePoint started;
    };

    RestoreOutcome finishRestore(const RestoreSummary& summary, bool tiles,
                                 const std::shared_ptr<RestoreControl>& control,
                                 RestoreOrigin origin);
    // Tells the observers of kRestoreDidFinish, then the caller.
    void announce(RestoreOutcome outcome, const Completion& onFinished);
    // The list entry with this id; end() when none.
    static std::vector<WindowLayout>::iterator find(std::vector<WindowLayout>& list,
                                                    const Uuid& id);
    void report(std::optional<LayoutError> error, RestoreOrigin origin);

    WindowService& windowService_;
    LayoutStorage& storage_;
    Worker& worker_;
    MainQueue& mainQueue_;
    Clock& clock_;
    NotificationCenter& notifications_;
    UserNotifier* notifier_;
    std::shared_ptr<InFlight> inFlight_;
    // The restore that publishes its outcome: the last one started.
    std::shared_ptr<RestoreControl> currentRestore_;
    std::vector<TriggeredRestore> triggeredRestores_;
    // The last save failed: the list in memory is newer than the file.
    bool unsaved_ = false;
    // Lets completions queued by workers see that the manager is gone.
    std::shared_ptr<LayoutManager*> self_;
};

}  // namespace vantrel
