// The layout use cases through the commands: the list changes, restores and their outcomes, the
// Space prompt's pending restore, and the executor's deadlines.
#include <gtest/gtest.h>

#include <chrono>

#include "AutomationFixture.h"

namespace vantrel::testing {
namespace {

class LayoutCommandsTest : public AutomationTest {
  protected:
    // Runs a command that answers with a layout, and returns its answer, which comes on the main
    // thread only.
    std::optional<WindowLayout> answer(
        const std::function<void(LayoutCommands::LayoutResult)>& command) {
        std::optional<std::optional<WindowLayout>> result;
        command([&](std::optional<WindowLayout> layout) { result = std::move(layout); });
        EXPECT_FALSE(result.has_value());
        loop.runPending();
        EXPECT_TRUE(result.has_value());
        return result.value_or(std::nullopt);
    }
    // How the last restore ended, and how many ended.
    std::optional<RestoreOutcome> outcome;
    int finished = 0;
    RestoreOptions noting(RestoreOrigin origin = RestoreOrigin::menu) {
        auto options = RestoreOptions::from(origin);
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

// Saving or recapturing without permission, or with every window closed, would wipe windows: they
// change nothing and say so.
TEST_F(LayoutCommandsTest, SaveUpdateRecaptureAndRemoveChangeOnlyTheirLayoutAndPostOnceEach) {
    auto a = namedLayout("A", {windowState("org.example.Old", 0, {1, 2, 3, 4})});
    a.triggerApps = {"org.example.Mail"};
    a.createdAt = Date{std::chrono::seconds{100}};
    const auto b = namedLayout("B");
    const auto c = namedLayout("C");
    setLayouts({a, b, c});
    EXPECT_EQ(answer([&](auto done) { commands.saveCurrentWindows("Empty", done); }), std::nullopt);
    EXPECT_EQ(manager.lastError.get(), LayoutError::noWindowsCaptured());
    manager.lastError.set(std::nullopt);
    EXPECT_EQ(answer([&](auto done) { commands.recapture(a.id, done); }), std::nullopt);
    EXPECT_EQ(manager.lastError.get(), LayoutError::noWindowsCaptured());
    EXPECT_EQ(posts, 0);

    editorWindow({10, 20, 800, 600});
    loop.advance(5s);

    // Names need not be unique.
    const auto saved = answer([&](auto done) { commands.saveCurrentWindows("A", done); }).value();
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

    // A recapture keeps all but the windows, their displays and the modification time.
    const auto fresh = answer([&](auto done) { commands.recapture(a.id, done); });
    auto recaptured = a;
    recaptured.windows = saved.windows;
    recaptured.displayConfiguration = saved.displayConfiguration;
    recaptured.modifiedAt = loop.wallNow();
    EXPECT_EQ(fresh, recaptured);

    EXPECT_TRUE(commands.remove(c.id));
    EXPECT_EQ(manager.layouts.get(), (std::vector<WindowLayout>{recaptured, edited, saved}));
    EXPECT_EQ(layoutsOnDisk(), manager.layouts.get());
    EXPECT_EQ(posts, 4);

    // Layouts no longer listed are neither updated, recaptured nor removed.
    EXPECT_FALSE(commands.update(namedLayout("Gone")));
    EXPECT_FALSE(commands.remove(c.id));
    EXPECT_EQ(answer([&](auto done) { commands.recapture(c.id, done); }), std::nullopt);
    EXPECT_EQ(posts, 4);
}

// A list the file cannot take stays in memory, the user is told why, and the next change saves;
// a change after another program rewrote the file builds on that program's version.
TEST_F(LayoutCommandsTest, AFailedSaveIsReportedAndKeptAndChangesBuildOnTheFileOnDisk) {
    editorWindow();
    const auto file = dir.path() / "Vantrel" / "layouts.json";
    std::filesystem::create_directories(file);  // a folder where the file belongs
    commands.saveCurrentWindows("Lost");
    loop.runPending();
    EXPECT_EQ(manager.layouts.get().size(), 1U);
    const auto text = manager.lastError.get().value().description();
    EXPECT_NE(text.find(file.string() + ": Is a directory"), std::string::npos) << text;

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
    EXPECT_EQ(partial(3, 5)->description(),
              "Restored 3 of 5 windows. Some apps may not be running.");
    EXPECT_TRUE(LayoutError::tilingWindowManager(1, 2).description().starts_with(
        "Restored 1 of 2 windows. "));
}

// Without the permission the engine moves nothing (see RestoreTest) and the user is told why; with
// it the windows are placed and the outcome published on the main queue, naming a tiling manager.
TEST_F(LayoutCommandsTest, RestoreNamesAMissingPermissionOrATilingManagerAndPublishesOnTheMain) {
    const auto layout =
        namedLayout("A", {windowState("org.example.Editor", 0, {10, 20, 500, 400}),
                          windowState("org.example.Editor", 1, {30, 40, 600, 500})});
    setLayouts({layout});
    EXPECT_TRUE(commands.restore(layout.id, noting()));
    EXPECT_EQ(outcome.value().error, LayoutError::accessibilityPermissionRequired());
    EXPECT_EQ(manager.lastError.get(), outcome->error);
    EXPECT_FALSE(manager.isRestoring.get());
    EXPECT_FALSE(commands.restore(Uuid::random()));

    const auto first = editorWindow();
    const auto second = window(editor, "w", {0, 0, 400, 300});
    std::vector<bool> flags;
    auto observer = manager.isRestoring.onDidChange([&](bool value) { flags.push_back(value); });
    finished = 0;
    commands.restore(layout.id, noting());
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
// without an error. Shortcut and trigger restores report through the notifier, not lastError. A
// completion queued for a manager gone since does nothing.
TEST_F(LayoutCommandsTest, TheLastRestoreWinsAndCancelOrALateStartStopsOneQuietly) {
    QueuedWorker queued;
    RecordingNotifier notifier;
    std::optional<LayoutManager> owned;
    auto& m = owned.emplace(windowService, storage, queued, loop, loop, center, &notifier);
    const auto w = editorWindow();
    auto older = editorLayout("Older", {1, 1, 90, 90});
    older.windows.push_back(windowState("org.example.Gone", 0, {1, 1, 9, 9}));
    std::vector<std::string> ended;
    const auto note = [&](const RestoreOutcome& done) {
        ended.push_back(done.layoutName + (done.stopped ? " stopped" : "") + " " +
                        std::to_string(done.summary.restoredWindows));
    };
    m.restoreLayout(older, note);
    m.restoreLayout(editorLayout("Last", {5, 6, 50, 40}), note);
    queued.runAt(1);
    queued.runAt(0);
    loop.runPending();
    EXPECT_EQ(ended, (std::vector<std::string>{"Last 1", "Older stopped 0"}));

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

    m.restoreLayout(older, note);
    queued.runAt(5);
    owned.reset();
    loop.runPending();
    EXPECT_EQ(ended.size(), 2U);
}

// The layout and its window are on Space 2 while Space 1 is current: the restore waits for the
// answer as a typed value, and each answer restores through the same door as every restore.
TEST_F(LayoutCommandsTest, TheSpacePromptWaitsTypedAndEachAnswerDoesItsPart) {
    const auto live = editorWindow();
    desktop.setWorkspaces(2);
    desktop.setWorkspace(live, 1);
    desktop.setCurrentWorkspace(0);
    auto layout = editorLayout("Elsewhere", {0, 0, 500, 400});
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
        layout.windows[0].frameX = row.x;
        setLayouts({layout});
        outcome.reset();
        auto options = noting(RestoreOrigin::background);
        options.space = row.space;
        commands.restore(layout.id, std::move(options));
        loop.runPending();
        const bool asked = row.space == SpaceChoice::ask && !preferences.ignoreSpaceMismatch();
        EXPECT_FALSE(manager.lastError.get().has_value());
        EXPECT_EQ(commands.pendingSpaceRestore.get(),
                  asked ? std::optional(
                              PendingSpaceRestore{2, 1, layout.windows, {}, "Elsewhere", layout.id})
                        : std::nullopt);
        EXPECT_EQ(outcome.value().summary.awaitingSpaceChoice, asked || !row.moved);
        if (asked) {
            commands.answerSpacePrompt(row.answer);
            EXPECT_FALSE(commands.pendingSpaceRestore.get().has_value());
            EXPECT_EQ(manager.isRestoring.get(), row.moved);
            loop.runPending();
        }
        EXPECT_EQ(frameOf(live) == (Rect{row.x, 0, 500, 400}), row.moved);
        EXPECT_EQ(preferences.ignoreSpaceMismatch(), row.remembered);
    }
}

// A preset or save the desktop could not serve in time answers with nothing and changes nothing.
TEST_F(LayoutCommandsTest, CountsPresetsAndSavesRunOnTheExecutorOneCountAtATimeAndNotWhenLate) {
    const auto live = editorWindow({100, 100, 400, 300});
    QueuedWorker queued;
    LayoutCommands c{manager, windowService, presets, preferences, queued, loop, loop};
    std::vector<std::size_t> counts;
    std::vector<bool> placed;
    std::vector<bool> saved;
    for (const bool late : {true, false}) {
        c.countWindows([&](std::size_t count) { counts.push_back(count + 100); });  // superseded
        c.countWindows([&](std::size_t count) { counts.push_back(count); });
        c.applyPreset(PresetLayout::leftHalf, [&](bool done) { placed.push_back(done); });
        c.saveCurrentWindows("Saved", [&](auto layout) { saved.push_back(layout.has_value()); });
        for (auto i = queued.tasks.size() - 3; i < queued.tasks.size(); ++i) queued.runAt(i, late);
        loop.runPending();
        EXPECT_EQ(frameOf(live) == (Rect{0, 0, 720, 900}), !late);
    }
    EXPECT_EQ(counts, std::vector<std::size_t>{1});
    EXPECT_EQ(placed, (std::vector<bool>{false, true}));
    EXPECT_EQ(saved, (std::vector<bool>{false, true}));
    EXPECT_EQ(manager.layouts.get().size(), 1U);
}

}  // namespace
}  // namespace vantrel::testing
