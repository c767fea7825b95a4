// The layout list: save, update, recapture, restore outcomes and the trigger queries.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "AutomationFixture.h"

namespace vantrel::testing {
namespace {

class LayoutManagerTest : public AutomationTest {};

// --- Saving and editing ---------------------------------------------------------------------

TEST_F(LayoutManagerTest, SaveAppendsANewLayoutWritesTheFileAndPostsOnce) {
    grant();
    window(app("org.example.Editor", 10), "w", {10, 20, 800, 600});
    setLayouts({namedLayout("Work")});
    PostCounter posts(center, kLayoutsDidChange);

    const auto saved = manager.saveCurrentLayout("Work");  // names need not be unique

    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->name, "Work");
    ASSERT_EQ(saved->windows.size(), 1U);
    EXPECT_EQ(saved->windows[0].appBundleID, "org.example.Editor");
    EXPECT_EQ(saved->createdAt, loop.wallNow());
    ASSERT_TRUE(saved->displayConfiguration.has_value());
    EXPECT_EQ(saved->displayConfiguration->displays.size(), 1U);
    const auto list = manager.layouts.get();
    ASSERT_EQ(list.size(), 2U);
    EXPECT_EQ(list.back(), *saved);
    EXPECT_EQ(layoutsOnDisk(), list);
    EXPECT_EQ(posts.count, 1);
    EXPECT_FALSE(manager.lastError.get().has_value());
}

TEST_F(LayoutManagerTest, UpdateKeepsThePositionStampsTheTimeAndPostsOnce) {
    auto a = namedLayout("A");
    auto b = namedLayout("B");
    auto c = namedLayout("C");
    setLayouts({a, b, c});
    PostCounter posts(center, kLayoutsDidChange);
    loop.advance(5s);

    auto edited = b;
    edited.name = "B2";
    edited.shortcutKeyCode = 18;
    edited.shortcutModifiers = modifier::kCommand;
    manager.updateLayout(edited);

    const auto list = manager.layouts.get();
    ASSERT_EQ(list.size(), 3U);
    EXPECT_EQ(list[0], a);
    EXPECT_EQ(list[2], c);
    auto expected = edited;
    expected.modifiedAt = loop.wallNow();
    EXPECT_EQ(list[1], expected);
    EXPECT_EQ(list[1].createdAt, b.createdAt);
    EXPECT_EQ(posts.count, 1);
    EXPECT_EQ(layoutsOnDisk(), list);
}

TEST_F(LayoutManagerTest, RecaptureReplacesWindowsAndDisplaysButKeepsTheRest) {
    grant();
    window(app("org.example.Editor", 10), "w", {0, 0, 400, 300});
    auto layout = namedLayout("A", {windowState("org.example.Old", 0, {1, 2, 3, 4})});
    layout.triggerApps = {"org.example.Mail"};
    layout.createdAt = Date{std::chrono::seconds{100}};
    setLayouts({layout});
    loop.advance(1s);

    const auto fresh = manager.recaptureWindows(layout);

    ASSERT_TRUE(fresh.has_value());
    ASSERT_EQ(fresh->windows.size(), 1U);
    EXPECT_EQ(fresh->windows[0].appBundleID, "org.example.Editor");
    EXPECT_EQ(fresh->triggerApps, layout.triggerApps);
    EXPECT_EQ(fresh->createdAt, layout.createdAt);
    EXPECT_EQ(fresh->modifiedAt, loop.wallNow());
    EXPECT_TRUE(fresh->displayConfiguration.has_value());
    EXPECT_EQ(manager.layouts.get(), std::vector<WindowLayout>{*fresh});

    // Layouts no longer listed are neither updated nor recaptured.
    PostCounter posts(center, kLayoutsDidChange);
    manager.updateLayout(namedLayout("Gone"));
    EXPECT_FALSE(manager.recaptureWindows(namedLayout("Gone")).has_value());
    EXPECT_EQ(manager.layouts.get(), std::vector<WindowLayout>{*fresh});
    EXPECT_EQ(posts.count, 0);
}

// Recapturing without permission, or with every window closed, would wipe the saved windows.
TEST_F(LayoutManagerTest, SaveOrRecaptureThatFindsNoWindowChangesNothingAndSaysSo) {
    const auto layout = namedLayout("A", {windowState("org.example.Old", 0, {1, 2, 3, 4})});
    PostCounter posts(center, kLayoutsDidChange);
    EXPECT_FALSE(manager.saveCurrentLayout("Empty").has_value());
    EXPECT_EQ(manager.lastError.get()->description(),
              "No windows to save. Open some windows first.");
    EXPECT_TRUE(manager.layouts.get().empty());
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Vantrel" / "layouts.json"));

    manager.lastError.set(std::nullopt);
    setLayouts({layout});
    EXPECT_FALSE(manager.recaptureWindows(layout).has_value());
    EXPECT_EQ(manager.layouts.get(), std::vector<WindowLayout>{layout});
    EXPECT_EQ(manager.lastError.get(), LayoutError::noWindowsCaptured());
    EXPECT_EQ(posts.count, 0);
}

TEST_F(LayoutManagerTest, LoadingNeitherSavesNorPosts) {
    ASSERT_TRUE(storage.save({namedLayout("A"), namedLayout("B")}));
    PostCounter posts(center, kLayoutsDidChange);
    manager.load();
    EXPECT_EQ(manager.layouts.get(), layoutsOnDisk());
    EXPECT_EQ(manager.layouts.get().size(), 2U);
    EXPECT_EQ(posts.count, 0);
}

// --- Restore outcomes -----------------------------------------------------------------------

TEST_F(LayoutManagerTest, SummaryToErrorTableAndTheErrorTexts) {
    const auto partial = [](std::int64_t r, std::int64_t t) {
        return std::optional(LayoutError::restorePartialFailure(r, t));
    };
    const std::optional<LayoutError> none;
    const auto other = std::optional(LayoutError::noWindowsCaptured());
    using M = LayoutManager;
    EXPECT_EQ(M::errorAfterRestore({0, 0, 0, 0, 0, 0}, other), none);
    EXPECT_EQ(M::errorAfterRestore({4, 4, 0, 0, 0, 0}, other), none);
    EXPECT_EQ(M::errorAfterRestore({3, 0, 3, 0, 0, 0}, none), LayoutError::restoreNoAppsRunning());
    EXPECT_EQ(M::errorAfterRestore({3, 0, 3, 0, 1, 0}, none), partial(0, 3));
    EXPECT_EQ(M::errorAfterRestore({3, 0, 2, 1, 0, 0}, none), partial(0, 3));
    EXPECT_EQ(M::errorAfterRestore({5, 3, 2, 0, 0, 0}, none), partial(3, 5));
    // A summary no restore produces leaves the error as it was.
    EXPECT_EQ(M::errorAfterRestore({2, 3, 0, 0, 0, 0}, other), other);
    // A restore stopped for the Space prompt has not failed.
    RestoreSummary prompt{2, 0, 0, 0, 0, 0};
    prompt.awaitingSpaceChoice = true;
    EXPECT_EQ(M::errorAfterRestore(prompt, none), none);
    RestoreSummary named{3, 1, 2, 0, 0, 0};
    named.missingApps = {"Mail", "Notes"};
    EXPECT_EQ(M::errorAfterRestore(named, none)->description(),
              "Restored 1 of 3 windows. Not running: Mail, Notes.");
    EXPECT_EQ(M::errorAfterRestore(named, none)->title(), "Layout Partly Restored");
    EXPECT_EQ(LayoutError::noWindowsCaptured().title(), "Error");

    EXPECT_EQ(LayoutError::restorePartialFailure(3, 5).description(),
              "Restored 3 of 5 windows. Some apps may not be running.");
    EXPECT_EQ(LayoutError::restoreNoAppsRunning().description(),
              "None of the apps in this layout are currently running.");
    EXPECT_EQ(LayoutError::accessibilityPermissionRequired().description(),
              "A window manager is required to manage windows.");
}

TEST_F(LayoutManagerTest, RestoreWithoutPermissionNeverReachesTheEngine) {
    desktop.setTrusted(false);
    bool finished = false;
    desktop.clearCalls();
    manager.restoreLayout(namedLayout("A", {windowState("org.example.A", 0, {0, 0, 9, 9})}),
                          [&] { finished = true; });
    EXPECT_TRUE(finished);
    EXPECT_EQ(manager.lastError.get(), LayoutError::accessibilityPermissionRequired());
    EXPECT_FALSE(manager.isRestoring.get());
    EXPECT_TRUE(desktop.calls().empty());
}

TEST_F(LayoutManagerTest, RestorePlacesWindowsAndPublishesOnTheMainQueue) {
    grant();
    const auto editor = app("org.example.Editor", 10);
    const auto first = window(editor, "w", {0, 0, 400, 300});
    const auto second = window(editor, "w", {0, 0, 400, 300});
    const auto layout =
        namedLayout("A", {windowState("org.example.Editor", 0, {10, 20, 500, 400}),
                          windowState("org.example.Editor", 1, {30, 40, 600, 500})});
    std::vector<bool> flags;
    auto observer = manager.isRestoring.onDidChange([&](bool value) { flags.push_back(value); });
    int finished = 0;
    manager.lastError.set(LayoutError::noWindowsCaptured());

    manager.restoreLayout(layout, [&] { ++finished; });
    EXPECT_TRUE(manager.isRestoring.get());
    EXPECT_FALSE(manager.lastError.get().has_value());
    EXPECT_EQ(finished, 0);
    loop.runPending();

    EXPECT_EQ(finished, 1);
    EXPECT_EQ(flags, (std::vector<bool>{true, false}));
    EXPECT_FALSE(manager.lastError.get().has_value());
    EXPECT_EQ(frameOf(first), (Rect{10, 20, 500, 400}));
    EXPECT_EQ(frameOf(second), (Rect{30, 40, 600, 500}));

    // A tiling window manager that keeps a window in its layout is named as the reason.
    desktop.setTiling(true);
    desktop.failWrite(second, SimWrite::move, native::PlaceResult::refused);
    desktop.failWrite(second, SimWrite::resize, native::PlaceResult::refused);
    manager.restoreLayout(layout);
    loop.runPending();
    EXPECT_EQ(manager.lastError.get(), LayoutError::tilingWindowManager(1, 2));
    EXPECT_EQ(manager.lastError.get()->description(),
              "Restored 1 of 2 windows. Your window manager tiles: it places tiled windows itself, "
              "and only floating windows can be moved.");
}

TEST_F(LayoutManagerTest, SpaceMismatchIsNoFailure) {
    grant();
    const auto editor = app("org.example.Editor", 10);
    const auto live = window(editor, "w", {0, 0, 400, 300});
    desktop.setWorkspaces(2);
    desktop.setWorkspace(live, 0);
    PostCounter mismatches(center, kLayoutSpaceMismatch);
    auto state = windowState("org.example.Editor", 0, {10, 20, 500, 400});
    state.spaceIndex = 2;
    manager.restoreLayout(namedLayout("A", {state}));
    loop.runPending();
    EXPECT_EQ(mismatches.count, 1);
    EXPECT_FALSE(manager.lastError.get().has_value());
    EXPECT_EQ(frameOf(live), (Rect{0, 0, 400, 300}));
}

class RecordingNotifier final : public UserNotifier {
  public:
    void notify(const std::string& title, const std::string& body) override {
        notes.push_back(title + ": " + body);
    }
    std::vector<std::string> notes;
};

// Shortcut and trigger restores report through the notifier, menu restores through lastError.
TEST_F(LayoutManagerTest, BackgroundRestoresNotifyInsteadOfSettingTheError) {
    grant();
    RecordingNotifier notifier;
    LayoutManager m{windowService, storage, worker, loop, loop, center, &notifier};
    window(app("org.example.Editor", 10), "w", {0, 0, 400, 300});
    const auto layout = namedLayout("A", {windowState("org.example.Editor", 0, {1, 1, 200, 200}),
                                          windowState("org.example.Mail", 0, {1, 1, 200, 200})});
    m.restoreLayout(layout, {}, RestoreOrigin::background);
    loop.runPending();
    EXPECT_EQ(notifier.notes, std::vector<std::string>{
                                  "Layout Partly Restored: Restored 1 of 2 windows. Not running: "
                                  "org.example.Mail."});
    EXPECT_FALSE(m.lastError.get().has_value());
}

// Restores pressed in a row: the last one wins, whatever order their threads run in; the older
// ones stop before moving anything and publish nothing. Cancel stops one without an error.
TEST_F(LayoutManagerTest, TheLastRestorePressedWinsAndCancelStopsOneQuietly) {
    grant();
    QueuedWorker queued;
    LayoutManager m{windowService, storage, queued, loop, loop, center};
    const auto w = window(app("org.example.Editor", 10), "w", {0, 0, 400, 300});
    const auto older = namedLayout("Older", {windowState("org.example.Editor", 0, {1, 1, 90, 90}),
                                             windowState("org.example.Gone", 0, {1, 1, 9, 9})});
    std::vector<std::string> finished;
    m.restoreLayout(older, [&] { finished.push_back("older"); });
    m.restoreLayout(namedLayout("Last", {windowState("org.example.Editor", 0, {5, 6, 50, 40})}),
                    [&] { finished.push_back("last"); });
    queued.runAt(1);
    queued.runAt(0);
    loop.runPending();
    EXPECT_EQ(frameOf(w), (Rect{5, 6, 50, 40}));
    EXPECT_EQ(finished, (std::vector<std::string>{"last", "older"}));
    EXPECT_FALSE(m.isRestoring.get());
    EXPECT_FALSE(m.lastError.get().has_value());

    m.restoreLayout(older);
    m.cancelRestore();
    queued.runAt(2);
    loop.runPending();
    EXPECT_EQ(frameOf(w), (Rect{5, 6, 50, 40}));
    EXPECT_FALSE(m.isRestoring.get());
    EXPECT_FALSE(m.lastError.get().has_value());
}

// A list the file cannot take stays in memory, the user is told why, and the next change saves;
// a change after another program rewrote the file builds on that program's version.
TEST_F(LayoutManagerTest, AFailedSaveIsReportedAndKeptAndChangesBuildOnTheFileOnDisk) {
    grant();
    window(app("org.example.Editor", 10), "w", {0, 0, 400, 300});
    const auto file = dir.path() / "Vantrel" / "layouts.json";
    std::filesystem::create_directories(file);  // a folder where the file belongs
    ASSERT_TRUE(manager.saveCurrentLayout("Lost"));
    EXPECT_EQ(manager.layouts.get().size(), 1U);
    const auto text = manager.lastError.get().value().description();
    EXPECT_TRUE(text.starts_with("Your layouts could not be saved: ")) << text;
    EXPECT_TRUE(text.ends_with(file.string() +
                               ": Is a directory. Vantrel keeps your changes and saves them again "
                               "at your next change."))
        << text;

    std::filesystem::remove(file);
    ASSERT_TRUE(manager.saveCurrentLayout("Mine"));
    EXPECT_EQ(layoutsOnDisk().size(), 2U);
    MemoryLog quiet;
    ASSERT_TRUE(LayoutStorage(quiet, loop, dir.path()).save({namedLayout("Theirs")}));
    PostCounter posts(center, kLayoutsDidChange);
    ASSERT_TRUE(manager.saveCurrentLayout("Next"));
    EXPECT_EQ(posts.count, 2);  // the reload, then the save
    std::vector<std::string> names;
    for (const auto& layout : layoutsOnDisk()) names.push_back(layout.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Theirs", "Next"}));
}

TEST_F(LayoutManagerTest, ACompletionQueuedForAGoneManagerDoesNothing) {
    grant();
    QueuedWorker queued;
    bool finished = false;
    {
        LayoutManager m{windowService, storage, queued, loop, loop, center};
        m.restoreLayout(namedLayout("Empty"), [&] { finished = true; });
        queued.runAt(0);
    }
    loop.runPending();
    EXPECT_FALSE(finished);
}

// The engine on a real thread while the main thread runs the queue (checked by TSan builds).
TEST_F(LayoutManagerTest, RestoreOnAWorkerThread) {
    grant();
    const auto mail = app("org.example.Mail", 20, false);
    desktop.setLaunch(mail, SimLaunch{1s, 2, std::nullopt});
    std::vector<WindowState> states;
    std::vector<SimWindowId> ids;
    for (int i = 0; i < 4; ++i) {
        ids.push_back(window(mail, "w" + std::to_string(i), {0, 0, 300, 200}));
        states.push_back(windowState("org.example.Mail", i, {10.0 * i, 20, 300, 200}));
    }
    auto layout = namedLayout("Mail", states);
    layout.launchMissingApps = true;

    ThreadWorker threads;
    LayoutManager m{windowService, storage, threads, loop, loop, center};
    std::atomic<bool> finished{false};
    m.restoreLayout(layout, [&] { finished = true; });
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!finished && std::chrono::steady_clock::now() < deadline) {
        loop.runPending();
        (void)m.isRestoring.get();
        std::this_thread::yield();
    }
    threads.waitIdle();
    loop.runPending();
    ASSERT_TRUE(finished);
    EXPECT_FALSE(m.isRestoring.get());
    EXPECT_FALSE(m.lastError.get().has_value());
    EXPECT_EQ(frameOf(ids[3]), (Rect{30, 20, 300, 200}));
}

// --- Queries ---------------------------------------------------------------------------------

TEST_F(LayoutManagerTest, LayoutsMatchingNeedTheTriggerAndTheExactDisplays) {
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
    setLayouts({notBound, bound, noDisplays, second});

    EXPECT_EQ(manager.layoutsMatching(displays("1920x1080+0+0P,1280x1024+1920+0")),
              (std::vector<WindowLayout>{bound, second}));
    EXPECT_TRUE(manager.layoutsMatching(displays("1920x1080+0+0P,1280x1000+1920+0")).empty());
    EXPECT_TRUE(manager.layoutsMatching(displays("1920x1080+0+0P")).empty());
}

TEST_F(LayoutManagerTest, LayoutsTriggeredMatchTheIdentifierExactly) {
    auto a = namedLayout("A");
    a.triggerApps = {"org.example.Mail", "org.example.Chat"};
    auto b = namedLayout("B");
    b.triggerApps = {"org.example.mail"};
    setLayouts({a, b});
    EXPECT_EQ(manager.layoutsTriggered("org.example.Mail"), std::vector<WindowLayout>{a});
    EXPECT_EQ(manager.layoutsTriggered("org.example.mail"), std::vector<WindowLayout>{b});
    EXPECT_TRUE(manager.layoutsTriggered("org.example").empty());
}

TEST_F(LayoutManagerTest, SpaceSummaries) {
    auto onSpace = [](std::optional<std::int64_t> space, bool sticky = false) {
        auto state = windowState("a", 0, {});
        state.spaceIndex = space;
        state.isOnAllSpaces = sticky;
        return state;
    };
    EXPECT_EQ(LayoutManager::spaceSummary(
                  namedLayout("x", {onSpace(2), onSpace(2), onSpace(std::nullopt, true)})),
              (SpaceSummary{2, false, 1}));
    EXPECT_EQ(LayoutManager::spaceSummary(namedLayout("x", {onSpace(1), onSpace(3)})),
              (SpaceSummary{std::nullopt, true, 0}));
    // A sticky window with a Space number is not bound to it.
    EXPECT_EQ(
        LayoutManager::spaceSummary(namedLayout("x", {onSpace(4, true), onSpace(std::nullopt)})),
        (SpaceSummary{std::nullopt, false, 1}));
}

}  // namespace
}  // namespace vantrel::testing
