// The layout use cases through the commands: the list changes, restores and their outcomes, the
// Space prompt's pending restore, the executor's deadlines, and the list's trigger queries.
#include <gtest/gtest.h>

#include <chrono>

#include "AutomationFixture.h"

namespace vantrel::testing {
namespace {

class LayoutCommandsTest : public AutomationTest {
  protected:
    // What a command handed back on the main thread; the outer optional says whether it called.
    std::optional<std::optional<WindowLayout>> result;
    LayoutCommands::LayoutResult keep() {
        return [this](std::optional<WindowLayout> layout) { result = std::move(layout); };
    }
    // How the last restore ended, and how many ended.
    std::optional<RestoreOutcome> outcome;
    int finished = 0;
    RestoreOptions noting() {
        auto options = RestoreOptions::from(RestoreOrigin::menu);
        options.onFinished = [this](const RestoreOutcome& ended) {
            outcome = ended;
            ++finished;
        };
        return options;
    }
    // Posts of the list's change notice.
    int posts = 0;
    Subscription counting =
        center.addObserver(kLayoutsDidChange, [this](const Notification&) { ++posts; });
    std::vector<std::string> namesOnDisk() {
        std::vector<std::string> names;
        for (const auto& layout : layoutsOnDisk()) names.push_back(layout.name);
        return names;
    }
};

// --- Changing the list -----------------------------------------------------------------------

TEST_F(LayoutCommandsTest, SaveUpdateRecaptureAndRemoveChangeOnlyTheirLayoutAndPostOnceEach) {
    grant();
    window(app("org.example.Editor", 10), "w", {10, 20, 800, 600});
    auto a = namedLayout("A", {windowState("org.example.Old", 0, {1, 2, 3, 4})});
    a.triggerApps = {"org.example.Mail"};
    a.createdAt = Date{std::chrono::seconds{100}};
    const auto b = namedLayout("B");
    const auto c = namedLayout("C");
    setLayouts({a, b, c});
    loop.advance(5s);

    commands.saveCurrentWindows("A", keep());  // names need not be unique
    EXPECT_FALSE(result.has_value());          // the list changes on the main thread
    loop.runPending();
    ASSERT_TRUE(result && *result);
    const auto saved = **result;
    EXPECT_EQ(saved.name, "A");
    ASSERT_EQ(saved.windows.size(), 1U);
    EXPECT_EQ(saved.windows[0].appBundleID, "org.example.Editor");
    EXPECT_EQ(saved.createdAt, loop.wallNow());
    EXPECT_EQ(saved.displayConfiguration,
              DisplayConfiguration{windowService.currentDisplayConfiguration()});
    EXPECT_EQ(manager.layouts.get(), (std::vector<WindowLayout>{a, b, c, saved}));
    EXPECT_EQ(posts, 1);

    auto edited = b;
    edited.name = "B2";
    edited.shortcutKeyCode = 18;
    EXPECT_TRUE(commands.update(edited));
    edited.modifiedAt = loop.wallNow();
    EXPECT_EQ(manager.layouts.get(), (std::vector<WindowLayout>{a, edited, c, saved}));

    commands.recapture(a.id, keep());
    loop.runPending();
    ASSERT_TRUE(result && *result);
    const auto fresh = **result;
    ASSERT_EQ(fresh.windows.size(), 1U);
    EXPECT_EQ(fresh.windows[0].appBundleID, "org.example.Editor");
    EXPECT_EQ(fresh.triggerApps, a.triggerApps);
    EXPECT_EQ(fresh.createdAt, a.createdAt);
    EXPECT_EQ(fresh.modifiedAt, loop.wallNow());
    EXPECT_TRUE(fresh.displayConfiguration.has_value());

    EXPECT_TRUE(commands.remove(c.id));
    EXPECT_EQ(manager.layouts.get(), (std::vector<WindowLayout>{fresh, edited, saved}));
    EXPECT_EQ(layoutsOnDisk(), manager.layouts.get());
    EXPECT_EQ(posts, 4);

    // Layouts no longer listed are neither updated, recaptured nor removed.
    EXPECT_FALSE(commands.update(namedLayout("Gone")));
    EXPECT_FALSE(commands.remove(c.id));
    result.reset();
    commands.recapture(c.id, keep());
    loop.runPending();
    ASSERT_TRUE(result);
    EXPECT_FALSE(result->has_value());
    EXPECT_EQ(posts, 4);
}

// Saving or recapturing without permission, or with every window closed, would wipe windows.
TEST_F(LayoutCommandsTest, SaveOrRecaptureThatFindsNoWindowChangesNothingAndSaysSo) {
    const auto layout = namedLayout("A", {windowState("org.example.Old", 0, {1, 2, 3, 4})});
    commands.saveCurrentWindows("Empty", keep());
    loop.runPending();
    ASSERT_TRUE(result);
    EXPECT_FALSE(result->has_value());
    EXPECT_EQ(manager.lastError.get(), LayoutError::noWindowsCaptured());
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Vantrel" / "layouts.json"));

    manager.lastError.set(std::nullopt);
    setLayouts({layout});
    commands.recapture(layout.id);
    loop.runPending();
    EXPECT_EQ(manager.layouts.get(), std::vector<WindowLayout>{layout});
    EXPECT_EQ(manager.lastError.get(), LayoutError::noWindowsCaptured());
    EXPECT_EQ(posts, 0);
}

// A list the file cannot take stays in memory, the user is told why, and the next change saves;
// a change after another program rewrote the file builds on that program's version.
TEST_F(LayoutCommandsTest, AFailedSaveIsReportedAndKeptAndChangesBuildOnTheFileOnDisk) {
    grant();
    window(app("org.example.Editor", 10), "w", {0, 0, 400, 300});
    const auto file = dir.path() / "Vantrel" / "layouts.json";
    std::filesystem::create_directories(file);  // a folder where the file belongs
    commands.saveCurrentWindows("Lost");
    loop.runPending();
    EXPECT_EQ(manager.layouts.get().size(), 1U);
    const auto text = manager.lastError.get().value().description();
    EXPECT_TRUE(text.starts_with("Your layouts could not be saved: ")) << text;
    EXPECT_TRUE(text.ends_with(file.string() +
                               ": Is a directory. Vantrel keeps your changes and saves them again "
                               "at your next change."))
        << text;

    std::filesystem::remove(file);
    commands.saveCurrentWindows("Mine");
    loop.runPending();
    EXPECT_EQ(namesOnDisk(), (std::vector<std::string>{"Lost", "Mine"}));
    MemoryLog quiet;
    ASSERT_TRUE(LayoutStorage(quiet, loop, dir.path()).save({namedLayout("Theirs")}));
    posts = 0;
    commands.saveCurrentWindows("Next");
    loop.runPending();
    EXPECT_EQ(posts, 2);  // the reload, then the save
    EXPECT_EQ(namesOnDisk(), (std::vector<std::string>{"Theirs", "Next"}));
}

// --- Restores --------------------------------------------------------------------------------

TEST_F(LayoutCommandsTest, SummaryToErrorTableAndTheErrorTexts) {
    const auto after = [](RestoreSummary summary, std::optional<LayoutError> before = {}) {
        return LayoutManager::errorAfterRestore(summary, before);
    };
    const auto partial = [](std::int64_t r, std::int64_t t) {
        return std::optional(LayoutError::restorePartialFailure(r, t));
    };
    const auto other = std::optional(LayoutError::noWindowsCaptured());
    EXPECT_EQ(after({0, 0, 0, 0, 0, 0}, other), std::nullopt);
    EXPECT_EQ(after({4, 4, 0, 0, 0, 0}, other), std::nullopt);
    EXPECT_EQ(after({3, 0, 3, 0, 0, 0}), LayoutError::restoreNoAppsRunning());
    EXPECT_EQ(after({3, 0, 3, 0, 1, 0}), partial(0, 3));
    EXPECT_EQ(after({3, 0, 2, 1, 0, 0}), partial(0, 3));
    EXPECT_EQ(after({5, 3, 2, 0, 0, 0}), partial(3, 5));
    EXPECT_EQ(after({2, 3, 0, 0, 0, 0}, other), other);  // no restore counts so: it stays
    RestoreSummary prompt{2, 0, 0, 0, 0, 0};
    prompt.awaitingSpaceChoice = true;  // stopped for the Space prompt: not failed
    EXPECT_EQ(after(prompt), std::nullopt);
    RestoreSummary named{3, 1, 2, 0, 0, 0};
    named.missingApps = {"Mail", "Notes"};
    EXPECT_EQ(after(named)->description(), "Restored 1 of 3 windows. Not running: Mail, Notes.");
    EXPECT_EQ(after(named)->title(), "Layout Partly Restored");
    EXPECT_EQ(LayoutError::noWindowsCaptured().title(), "Error");
    EXPECT_EQ(LayoutError::noWindowsCaptured().description(),
              "No windows to save. Open some windows first.");
    EXPECT_EQ(LayoutError::tilingWindowManager(1, 2).description(),
              "Restored 1 of 2 windows. Your window manager tiles: it places tiled windows itself, "
              "and only floating windows can be moved.");
    EXPECT_EQ(partial(3, 5)->description(),
              "Restored 3 of 5 windows. Some apps may not be running.");
    EXPECT_EQ(LayoutError::restoreNoAppsRunning().description(),
              "None of the apps in this layout are currently running.");
    EXPECT_EQ(LayoutError::accessibilityPermissionRequired().description(),
              "A window manager is required to manage windows.");
}

// The engine moves nothing without the permission (see RestoreTest); the user is told why.
TEST_F(LayoutCommandsTest, RestoreWithoutPermissionEndsAtOnceNamingIt) {
    const auto layout = namedLayout("A", {windowState("org.example.A", 0, {0, 0, 9, 9})});
    setLayouts({layout});
    EXPECT_TRUE(commands.restore(layout.id, noting()));
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->error, LayoutError::accessibilityPermissionRequired());
    EXPECT_EQ(manager.lastError.get(), outcome->error);
    EXPECT_FALSE(manager.isRestoring.get());
    EXPECT_FALSE(commands.restore(Uuid::random()));
}

TEST_F(LayoutCommandsTest, RestorePlacesWindowsPublishesOnTheMainQueueAndNamesATilingManager) {
    grant();
    const auto editor = app("org.example.Editor", 10);
    const auto first = window(editor, "w", {0, 0, 400, 300});
    const auto second = window(editor, "w", {0, 0, 400, 300});
    const auto layout =
        namedLayout("A", {windowState("org.example.Editor", 0, {10, 20, 500, 400}),
                          windowState("org.example.Editor", 1, {30, 40, 600, 500})});
    setLayouts({layout});
    std::vector<bool> flags;
    auto observer = manager.isRestoring.onDidChange([&](bool value) { flags.push_back(value); });
    manager.lastError.set(LayoutError::noWindowsCaptured());

    EXPECT_TRUE(commands.restore(layout.id, noting()));
    EXPECT_FALSE(manager.lastError.get().has_value());
    EXPECT_EQ(finished, 0);
    loop.runPending();
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(outcome->summary.restoredWindows, 2);
    EXPECT_EQ(flags, (std::vector<bool>{true, false}));
    EXPECT_EQ(frameOf(first), (Rect{10, 20, 500, 400}));
    EXPECT_EQ(frameOf(second), (Rect{30, 40, 600, 500}));

    desktop.setTiling(true);
    desktop.failWrite(second, SimWrite::move, native::PlaceResult::refused);
    desktop.failWrite(second, SimWrite::resize, native::PlaceResult::refused);
    commands.restore(layout.id, noting());
    loop.runPending();
    EXPECT_EQ(outcome->error, LayoutError::tilingWindowManager(1, 2));
    EXPECT_EQ(manager.lastError.get(), outcome->error);
}

class RecordingNotifier final : public UserNotifier {
  public:
    void notify(const std::string& title, const std::string& body) override {
        notes.push_back(title + ": " + body);
    }
    std::vector<std::string> notes;
};

// Restores pressed in a row: the last one wins, whatever order they run in; the older ones stop
// before moving anything and publish nothing. Cancel, or a start after the deadline, stops one
// without an error. Shortcut and trigger restores report through the notifier, not lastError.
TEST_F(LayoutCommandsTest, TheLastRestoreWinsAndCancelOrALateStartStopsOneQuietly) {
    grant();
    QueuedWorker queued;
    RecordingNotifier notifier;
    LayoutManager m{windowService, storage, queued, loop, loop, center, &notifier};
    const auto w = window(app("org.example.Editor", 10), "w", {0, 0, 400, 300});
    const auto older = namedLayout("Older", {windowState("org.example.Editor", 0, {1, 1, 90, 90}),
                                             windowState("org.example.Gone", 0, {1, 1, 9, 9})});
    std::vector<std::string> ended;
    const auto note = [&](const RestoreOutcome& done) {
        ended.push_back(done.layoutName + (done.stopped ? " stopped" : "") + " " +
                        std::to_string(done.summary.restoredWindows));
    };
    m.restoreLayout(older, note);
    m.restoreLayout(namedLayout("Last", {windowState("org.example.Editor", 0, {5, 6, 50, 40})}),
                    note);
    queued.runAt(1);
    queued.runAt(0);
    loop.runPending();
    EXPECT_EQ(frameOf(w), (Rect{5, 6, 50, 40}));
    EXPECT_EQ(ended, (std::vector<std::string>{"Last 1", "Older stopped 0"}));
    EXPECT_FALSE(m.isRestoring.get());
    EXPECT_FALSE(m.lastError.get().has_value());

    m.restoreLayout(older);
    m.cancelRestore();
    queued.runAt(2);
    m.restoreLayout(older);
    queued.runAt(3, true);
    loop.runPending();
    EXPECT_EQ(frameOf(w), (Rect{5, 6, 50, 40}));
    EXPECT_FALSE(m.isRestoring.get());
    EXPECT_FALSE(m.lastError.get().has_value());
    EXPECT_TRUE(notifier.notes.empty());

    m.restoreLayout(older, {}, RestoreOrigin::background);
    queued.runAt(4);
    loop.runPending();
    EXPECT_EQ(notifier.notes, std::vector<std::string>{
                                  "Layout Partly Restored: Restored 1 of 2 windows. Not running: "
                                  "org.example.Gone."});
    EXPECT_FALSE(m.lastError.get().has_value());
}

TEST_F(LayoutCommandsTest, ACompletionQueuedForAGoneManagerDoesNothing) {
    grant();
    QueuedWorker queued;
    bool called = false;
    {
        LayoutManager m{windowService, storage, queued, loop, loop, center};
        m.restoreLayout(namedLayout("Empty"), [&](const RestoreOutcome&) { called = true; });
        queued.runAt(0);
    }
    loop.runPending();
    EXPECT_FALSE(called);
}

// --- The Space prompt ------------------------------------------------------------------------

// The layout and its window are on Space 2 while Space 1 is current: the restore waits for the
// answer as a typed value, and each answer restores through the same door as every restore.
TEST_F(LayoutCommandsTest, TheSpacePromptWaitsTypedAndEachAnswerDoesItsPart) {
    grant();
    const auto live = window(app("org.example.Editor", 10), "w", {0, 0, 400, 300});
    desktop.setWorkspaces(2);
    desktop.setWorkspace(live, 1);
    desktop.setCurrentWorkspace(0);
    auto layout =
        namedLayout("Elsewhere", {windowState("org.example.Editor", 0, {0, 0, 500, 400})});
    layout.windows[0].spaceIndex = 2;
    // A caller without the prompt answered beforehand: here as "Restore This Time", saved not
    // at all; its completion follows the restore that ran. Each row places the window somewhere
    // new, so a restore shows.
    const struct {
        SpaceChoice space;
        SpaceAnswer answer;
        double x;
        bool moved, remembered;
    } table[] = {{SpaceChoice::ask, SpaceAnswer::cancel, 10, false, false},
                 {SpaceChoice::here, SpaceAnswer::cancel, 15, true, false},
                 {SpaceChoice::saved, SpaceAnswer::cancel, 17, false, false},
                 {SpaceChoice::ask, SpaceAnswer::restoreThisTime, 20, true, false},
                 {SpaceChoice::ask, SpaceAnswer::alwaysRestore, 30, true, true},
                 {SpaceChoice::saved, SpaceAnswer::cancel, 35, false, true},
                 // Always: later mismatches restore at once, with nothing left waiting.
                 {SpaceChoice::ask, SpaceAnswer::cancel, 40, true, true}};
    for (const auto& row : table) {
        const Rect before = frameOf(live);
        layout.windows[0].frameX = row.x;
        setLayouts({layout});
        outcome.reset();
        auto options = RestoreOptions::from(RestoreOrigin::background);
        options.space = row.space;
        options.onFinished = [&](const RestoreOutcome& ended) { outcome = ended; };
        commands.restore(layout.id, std::move(options));
        loop.runPending();
        const bool asked = row.space == SpaceChoice::ask && !preferences.ignoreSpaceMismatch();
        EXPECT_FALSE(manager.lastError.get().has_value());
        EXPECT_EQ(commands.pendingSpaceRestore.get(),
                  asked ? std::optional(
                              PendingSpaceRestore{2, 1, layout.windows, {}, "Elsewhere", layout.id})
                        : std::nullopt);
        ASSERT_TRUE(outcome.has_value());
        EXPECT_EQ(outcome->summary.awaitingSpaceChoice, asked || !row.moved);
        if (asked) {
            commands.answerSpacePrompt(row.answer);
            EXPECT_FALSE(commands.pendingSpaceRestore.get().has_value());
            EXPECT_EQ(manager.isRestoring.get(), row.moved);
            loop.runPending();
        }
        EXPECT_EQ(frameOf(live), (row.moved ? Rect{row.x, 0, 500, 400} : before));
        EXPECT_EQ(preferences.ignoreSpaceMismatch(), row.remembered);
    }
}

// --- Deadlines on the executor ---------------------------------------------------------------

// A preset or save the desktop could not serve in time answers with nothing and changes nothing.
TEST_F(LayoutCommandsTest, CountsPresetsAndSavesRunOnTheExecutorOneCountAtATimeAndNotWhenLate) {
    grant();
    const auto editor = app("org.example.Editor", 10);
    const auto live = window(editor, "w", {100, 100, 400, 300});
    desktop.setFrontmost(editor);
    desktop.setFocusedWindow(editor, live);
    QueuedWorker queued;
    LayoutCommands c{manager, windowService, presets, preferences, queued, loop, loop};
    std::vector<std::size_t> counts;
    std::vector<bool> placed;
    for (const bool late : {true, false}) {
        c.countWindows([&](std::size_t count) { counts.push_back(count + 100); });  // superseded
        c.countWindows([&](std::size_t count) { counts.push_back(count); });
        c.applyPreset(PresetLayout::leftHalf, [&](bool done) { placed.push_back(done); });
        c.saveCurrentWindows("Saved", keep());
        for (auto i = queued.tasks.size() - 3; i < queued.tasks.size(); ++i) queued.runAt(i, late);
        loop.runPending();
        EXPECT_EQ(frameOf(live) == (Rect{0, 0, 720, 900}), !late);
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(result->has_value(), !late);
    }
    EXPECT_EQ(counts, std::vector<std::size_t>{1});
    EXPECT_EQ(placed, (std::vector<bool>{false, true}));
    EXPECT_EQ(manager.layouts.get().size(), 1U);
}

// --- Queries ---------------------------------------------------------------------------------

TEST_F(LayoutCommandsTest, TriggerQueriesNeedTheExactDisplaysOrIdentifier) {
    auto bound = namedLayout("Bound");
    bound.triggerOnDisplayChange = true;
    bound.displayConfiguration = displays("1920x1080+0+0P,1280x1024+1920+0");
    auto notBound = bound;
    notBound.id = Uuid::random();
    notBound.triggerOnDisplayChange = false;
    auto noDisplays = namedLayout("None");
    noDisplays.triggerOnDisplayChange = true;
    auto second = bound;
    second.id = Uuid::random();
    second.triggerApps = {"org.example.Mail", "org.example.Chat"};
    notBound.triggerApps = {"org.example.mail"};
    setLayouts({notBound, bound, noDisplays, second});

    EXPECT_EQ(manager.layoutsMatching(displays("1920x1080+0+0P,1280x1024+1920+0")),
              (std::vector<WindowLayout>{bound, second}));
    EXPECT_TRUE(manager.layoutsMatching(displays("1920x1080+0+0P,1280x1000+1920+0")).empty());
    EXPECT_TRUE(manager.layoutsMatching(displays("1920x1080+0+0P")).empty());
    EXPECT_EQ(manager.layoutsTriggered("org.example.Mail"), std::vector<WindowLayout>{second});
    EXPECT_EQ(manager.layoutsTriggered("org.example.mail"), std::vector<WindowLayout>{notBound});
    EXPECT_TRUE(manager.layoutsTriggered("org.example").empty());
}

}  // namespace
}  // namespace vantrel::testing
