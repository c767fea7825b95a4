// Restore: matching, write order, counts, the Space check, placement mode and closing others.
#include <gtest/gtest.h>

#include <algorithm>

#include "EngineFixture.h"

namespace vantrel::testing {
namespace {

WindowState saved(const std::string& bundleID, std::int64_t index, std::optional<std::string> title,
                  Rect frame = {10, 20, 640, 480}) {
    auto s = windowState(bundleID, index, frame);
    s.appName = bundleID + " App";
    s.windowTitle = std::move(title);
    return s;
}

class RestoreTest : public EngineTest {
  protected:
    void SetUp() override { grant(); }

    RestoreSummary restore(const std::vector<WindowState>& windows, bool skipSpaceCheck = false,
                           bool launch = false, bool close = false) {
        return service.restoreWindows(windows, std::nullopt, false, skipSpaceCheck, launch, close);
    }
};

TEST_F(RestoreTest, MatchesByIndexThenCanonicalTitleThenFirstWindow) {
    const auto a = app("org.example.A", 10);
    const SimWindowId ids[] = {window(a, std::nullopt, {0, 0, 300, 300}),
                               window(a, "Two", {0, 0, 300, 300}),
                               window(a, "Cafe\xCC\x81", {0, 0, 300, 300})};  // e + combining acute
    // Out of range, a title nobody has (letter case counts): not found, and nothing moves.
    const std::tuple<std::int64_t, std::optional<std::string>, std::optional<std::size_t>> cases[] =
        {
            {1, "Caf\xC3\xA9", 1},  // an index in range wins whatever the title
            {7, "Two", 1},          // out of range: the title decides, skipping the untitled one
            {7, "Caf\xC3\xA9", 2},  // canonically equal titles match
            {-1, std::nullopt, 0},  // negative index and no title: the first window
            {0, "Two", 0},          // the first index counts as in range
            {9, "CAFE\xCC\x81", std::nullopt},
        };
    for (const auto& [index, title, expected] : cases) {
        const Rect frame{static_cast<double>(index), 1, 200, 200};
        desktop.clearCalls();
        const auto result =
            service.restoreWindow(saved("org.example.A", index, title, frame), false);
        EXPECT_EQ(result,
                  expected ? WindowRestoreResult::restored : WindowRestoreResult::windowNotFound);
        EXPECT_EQ(desktop.callCount("place"), expected ? 1u : 0u) << index;
        if (expected) {
            EXPECT_EQ(frameOf(ids[*expected]), frame) << index;
        }
    }
}

// Windows are placed in one request after all were prepared; outcomes are counted and logged in
// window order, and only a placement the desktop answered as placed counts as restored.
TEST_F(RestoreTest, OneRequestPlacesTheBatchAndEachOutcomeIsCountedAndLoggedInOrder) {
    const auto a = app("org.example.A", 10);
    const auto one = window(a, "One", {0, 0, 300, 300});
    app("org.example.Empty", 12);
    const auto refusing = window(app("org.example.Refusing", 13), "R", {0, 0, 300, 300});
    const auto gone = window(app("org.example.Gone", 14), "G", {0, 0, 300, 300});
    desktop.failWrite(refusing, SimWrite::move, native::PlaceResult::refused);
    desktop.failWrite(gone, SimWrite::resize, native::PlaceResult::gone);
    desktop.failWrite(one, SimWrite::minimize, native::PlaceResult::refused);  // not a failure

    // The last one is not placed: nothing after the request drops the adapter's kept snapshot.
    std::vector<WindowState> windows{
        saved("org.example.Refusing", 0, "R"),       saved("org.example.A", 0, "One"),
        saved("org.example.Empty", 0, std::nullopt), saved("org.example.Gone", 0, "G"),
        saved("org.example.A", 4, std::nullopt),     saved("org.example.Missing", 0, "M")};
    windows[0].isMinimized = true;
    const Element element = seam.elementForWindow(one);
    desktop.clearCalls();
    const auto summary = restore(windows);
    RestoreSummary expected{6, 2, 1, 3, 0, 0};
    expected.missingApps = {"org.example.Missing App"};
    EXPECT_EQ(summary, expected);
    const auto w = [&](SimWindowId id) {
        return "place w:" + std::to_string(id) + " 10,20 640x480";
    };
    // Nothing was placed before every window was prepared; then all of them at once.
    const auto calls = desktop.calls();
    const auto firstPlace = std::find_if(calls.begin(), calls.end(),
                                         [](const auto& c) { return c.starts_with("place"); });
    EXPECT_EQ(std::vector<std::string>(firstPlace, calls.end()),
              (std::vector<std::string>{w(refusing), w(one), w(gone), w(one)}));
    // Minimised first, the frame after; reads after a write see it.
    const auto minimize = "minimize w:" + std::to_string(refusing) + " true";
    EXPECT_NE(std::find(calls.begin(), firstPlace, minimize), firstPlace);
    EXPECT_EQ(*seam.copyAttribute(element, attribute::kSize).as<Size>(), (Size{640, 480}));
    EXPECT_EQ(log.take(),
              (std::vector<std::string>{
                  "WindowService: Failed to set position/size for org.example.Refusing App",
                  "WindowService: Could not find matching window for org.example.Empty App",
                  "WindowService: Failed to set position/size for org.example.Gone App",
                  "WindowService: App not running: org.example.Missing"}));
}

// A newer restore, Cancel or Quit stops a restore before its next window, launch or close;
// without the permission nothing is read or moved, with one line each time.
TEST_F(RestoreTest, StoppedOrUnpermittedRestoresMoveNothing) {
    const auto w = window(app("org.example.A", 10), "One", {0, 0, 300, 300});
    RestoreControl control;
    control.layoutName = "Desk";
    control.cancelled = true;
    const auto windows = {saved("org.example.A", 0, "One"), saved("org.example.Gone", 0, "x")};
    EXPECT_EQ(service.restoreWindows(windows, std::nullopt, false, false, true, true, &control),
              (RestoreSummary{2, 0, 0, 0, 0, 0}));
    EXPECT_EQ(
        log.take(),
        (std::vector<std::string>{"WindowService: Stopped restoring Desk after 0 of 2 windows"}));

    desktop.setTrusted(false);
    service.checkAccessibilityPermission();
    loop.runPending();
    spaces.start();  // its refresh reads the desktop, whatever the permission
    desktop.clearCalls();
    EXPECT_TRUE(service.captureWindows().empty());
    EXPECT_EQ(restore(windows), (RestoreSummary{2, 0, 0, 0, 0, 0}));
    EXPECT_EQ(desktop.callCount("snapshot"), 0u);
    EXPECT_EQ(frameOf(w), (Rect{0, 0, 300, 300}));
    EXPECT_EQ(log.lines(),
              std::vector<std::string>(2, "WindowService: No accessibility permission"));
}

// Each window is sent 50 ms after the one before it, as if every window were placed: a skipped
// window's pause goes before the next placement, or after the last.
TEST_F(RestoreTest, PausesFiftyMillisecondsBetweenWindowsOnly) {
    window(app("org.example.A", 10), "One", {0, 0, 300, 300});
    const auto a = saved("org.example.A", 0, "One");
    const auto b = saved("org.example.B", 0, "x");
    const std::pair<std::vector<WindowState>, std::vector<Duration>> cases[] = {
        {{a}, {}},
        {{a, a, a}, {50ms, 50ms}},
        {{a, b, a}, {100ms}},
        {{b, a, b, b}, {50ms, 100ms}},
        {{b, b}, {50ms}},
    };
    for (const auto& [windows, sleeps] : cases) {
        loop.clearSleeps();
        restore(windows);
        EXPECT_EQ(loop.sleeps(), sleeps) << windows.size();
    }
}

class SpaceCheckTest : public RestoreTest {
  protected:
    SimWindowId live = 0;
    std::vector<SpaceMismatch> posted;
    Subscription subscription;

    void SetUp() override {
        RestoreTest::SetUp();
        live = window(app("org.example.A", 10), "One", {0, 0, 300, 300});
        // Space 4 is current: it holds the only window on screen.
        desktop.setWorkspaces(4);
        desktop.setWorkspace(live, 3);
        subscription =
            service.observeSpaceMismatch([this](const SpaceMismatch& m) { posted.push_back(m); });
    }

    WindowState onSpace(std::optional<std::int64_t> space, bool all = false) {
        auto s = saved("org.example.A", 0, "One", {50, 60, 300, 300});
        s.spaceIndex = space;
        s.isOnAllSpaces = all;
        return s;
    }
};

TEST_F(SpaceCheckTest, OneOtherSpacePostsOnTheMainQueueAndMovesNothing) {
    const std::vector<WindowState> windows{onSpace(2), onSpace(2), onSpace(std::nullopt)};
    DisplayConfiguration config{{DisplayInfo{1, 0, 0, 1440, 900, true, "Display 1"}}};
    const auto summary = service.restoreWindows(windows, config, false, false, true, true);
    RestoreSummary prompt{3, 0, 0, 0, 0, 0};
    prompt.awaitingSpaceChoice = true;
    EXPECT_EQ(summary, prompt);
    EXPECT_EQ(desktop.window(live).position, (Point{0, 0}));
    EXPECT_EQ(desktop.callCount("close"), 0u);
    EXPECT_TRUE(posted.empty());  // not before the main queue turns
    loop.runPending();
    EXPECT_EQ(posted, (std::vector<SpaceMismatch>{{2, 4, windows, config}}));
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(SpaceCheckTest, GoesOnUnlessExactlyOneOtherKnownSpace) {
    const std::vector<std::vector<WindowState>> goAhead{
        {onSpace(2), onSpace(3)},                   // several Spaces
        {onSpace(2, true), onSpace(std::nullopt)},  // on all Spaces or none
        {onSpace(4)},                               // the current Space
    };
    for (const auto& windows : goAhead)
        EXPECT_EQ(restore(windows).restoredWindows, static_cast<std::int64_t>(windows.size()));
    EXPECT_EQ(restore({onSpace(2)}, /*skipSpaceCheck=*/true).restoredWindows, 1);
    desktop.setWorkspaces(0);  // no current Space known
    EXPECT_EQ(restore({onSpace(2)}).restoredWindows, 1);
    loop.runPending();
    EXPECT_TRUE(posted.empty());
}

// Where the platform states the current Space it wins over the on-screen guess, which on an
// empty desktop is always the first Space.
TEST_F(SpaceCheckTest, StatedCurrentSpaceDecidesAndTheAnswerBringsWindowsThere) {
    desktop.setCurrentWorkspace(0);
    EXPECT_TRUE(restore({onSpace(4)}).awaitingSpaceChoice);
    loop.runPending();
    EXPECT_EQ(posted.at(0).currentSpace, 1);

    // The prompt's answer restores onto the current Space; windows on every Space stay put.
    desktop.clearCalls();
    EXPECT_EQ(restore({onSpace(4)}, /*skipSpaceCheck=*/true).restoredWindows, 1);
    EXPECT_EQ(spaces.spaceForWindow(live)->index, 1);
    EXPECT_EQ(restore({onSpace(4, true)}, true).restoredWindows, 1);
    EXPECT_EQ(desktop.callCount("toCurrentWorkspace"), 1u);
}

class PlacementTest : public RestoreTest {
  protected:
    SimWindowId w = 0;
    void SetUp() override {
        RestoreTest::SetUp();
        desktop.setScreens("1920x1080+0+0P,1280x1024+1920+0");
        w = window(app("org.example.A", 10), "One", {0, 0, 300, 300});
    }
    WindowState relative(std::uint32_t displayID) {
        auto s = saved("org.example.A", 0, "One", {100, 100, 500, 400});
        s.displayID = displayID;
        s.relativeFrameX = 0.5;
        s.relativeFrameY = 0.25;
        s.relativeFrameWidth = 0.25;
        s.relativeFrameHeight = 0.5;
        return s;
    }
};

// Relative frames only when the displays changed, on the saved display, else the main one.
TEST_F(PlacementTest, OnlyChangedDisplaysUseRelativeFramesOnTheSavedDisplay) {
    const struct {
        std::optional<std::string> saved;  // the layout's displays
        bool changed;
        WindowState state;
        Rect frame;
    } cases[] = {
        // The same sizes in another order keep the absolute frame.
        {"1280x1024+0+0,1920x1080+1280+0", false, relative(2), {100, 100, 500, 400}},
        {"1920x1080+0+0", false, relative(2), {1920 + 640, 256, 320, 512}},
        // Same count, other sizes: the window's top was 170 points down the saved display 2.
        {"1920x1080+0+0,1280x1000+0+0", false, relative(2), {2560, 56 + 0.17 * 1024, 320, 512}},
        {std::nullopt, true, relative(2), {1920 + 640, 256, 320, 512}},
        // Without relative fields the saved frame stands even when displays changed.
        {std::nullopt, true, saved("org.example.A", 0, "One", {5, 6, 700, 500}), {5, 6, 700, 500}},
        {std::nullopt, true, relative(77), {960, 270, 480, 540}},  // a missing display: main's
    };
    for (const auto& c : cases) {
        const auto config = c.saved ? std::optional(displays(*c.saved)) : std::nullopt;
        service.restoreWindows({c.state}, config, c.changed, false, false, false);
        const Rect f = frameOf(w);
        EXPECT_NEAR(f.x, c.frame.x, 1e-9);
        EXPECT_NEAR(f.y, c.frame.y, 1e-9);
        EXPECT_EQ(desktop.window(w).size, (Size{c.frame.width, c.frame.height}));
    }
    desktop.setScreens("1920x1080+0+0,1280x1024+1920+0");  // no main one: a default frame
    service.restoreWindows({relative(77)}, std::nullopt, true, false, false, false);
    EXPECT_EQ(frameOf(w), (Rect{720, 225, 360, 450}));
}

// The stored fields mix y-down window positions with y-up display origins (files hold them so);
// with the saved displays a window keeps its place on a display beside, above or below the main
// one when that display's resolution changes.
TEST_F(PlacementTest, SavedDisplaysPutWindowsBackWhereTheyWereOnTheirDisplay) {
    // Each window lies 100 points right of and below its display's top-left corner, at half its
    // size; the display beside the 1440 x 900 main one grows from 1920 x 1080 to 2560 x 1440
    // (corner: its new top-left).
    const double in = 100.0 / 1080 * 1440;
    const struct {
        std::string saved, now;
        Point at, corner;
    } cases[] = {
        {"1920x1080+1440-180", "2560x1440+1440-540", {1540, 100}, {1440, 0}},
        {"1920x1080+0+900", "2560x1440+0+900", {100, -980}, {0, -1440}},
        {"1920x1080+0-1080", "2560x1440+0-1440", {100, 1000}, {0, 900}},
        {"1920x1080-1920-180", "2560x1440-2560-540", {-1820, 100}, {-2560, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.saved);
        const std::string main = "1440x900+0+0P,";
        desktop.removeWindow(w);
        w = window(1, "One", {c.at.x, c.at.y, 960, 540});
        desktop.setScreens(main + c.saved);
        const auto states = service.captureWindows();
        desktop.setScreens(main + c.now);
        service.restoreWindows(states, displays(main + c.saved), false, false, false, false);
        EXPECT_NEAR(frameOf(w).x, c.corner.x + in, 1e-6);
        EXPECT_NEAR(frameOf(w).y, c.corner.y + in, 1e-6);
        EXPECT_EQ(desktop.window(w).size, (Size{1280, 720}));
    }
}

// A damaged file's values are refused whole, never mangled into a frame nobody can see.
TEST_F(PlacementTest, FramesNoMonitorCanShowAreRefusedAndNamed) {
    const auto absolute = [](Rect frame) { return saved("org.example.A", 0, "One", frame); };
    auto infinite = relative(2);
    infinite.relativeFrameX = 1e308;  // times the display width: infinite
    const struct {
        WindowState state;
        const char* frame;
    } cases[] = {{infinite, "inf,256 320x512"},
                 {absolute({1e308, 20, 640, 480}), "1e+308,20 640x480"},
                 {absolute({10, 20, -640, 480}), "10,20 -640x480"},
                 {absolute({10, 20, 640, 0}), "10,20 640x0"},
                 {absolute({30000, 20, 4000, 480}), "30000,20 4000x480"}};
    RestoreControl control;
    control.layoutName = "Desk";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.frame);
        const auto summary =
            service.restoreWindows({c.state}, std::nullopt, true, false, false, false, &control);
        EXPECT_EQ(summary.failedWindows, 1);
        EXPECT_EQ(frameOf(w), (Rect{0, 0, 300, 300}));
        EXPECT_EQ(
            log.take(),
            (std::vector<std::string>{std::string("WindowService: Refused the frame ") + c.frame +
                                      " of window 0 of org.example.A App in layout Desk"}));
    }
}

using LaunchTest = RestoreTest;

TEST_F(LaunchTest, LaunchesMissingAppsInTheBackgroundThenBacksOffAtMostTenChecks) {
    const struct {
        const char* id;
        SimLaunch launch;
        std::int64_t restored;
        std::vector<Duration> sleeps;
    } cases[] = {
        // The launch itself, then three empty checks.
        {"org.example.Mail", {1500ms, 3, {}}, 1, {1500ms, 300ms, 300ms, 600ms}},
        // Capped at two seconds; no pause after the last check: nothing follows it.
        {"org.example.Slow",
         {0ns, 1000, {}},
         0,
         {300ms, 300ms, 600ms, 900ms, 1500ms, 2s, 2s, 2s, 2s}},
    };
    for (const auto& c : cases) {
        const auto id = app(c.id, 20, false);
        window(id, "Inbox", {0, 0, 300, 300});
        desktop.setLaunch(id, c.launch);
        loop.clearSleeps();
        EXPECT_EQ(restore({saved(c.id, 0, "Inbox")}, false, true),
                  (RestoreSummary{1, c.restored, 0, 1 - c.restored, 1, 0}))
            << c.id;
        EXPECT_EQ(loop.sleeps(), c.sleeps) << c.id;
    }
    EXPECT_EQ(desktop.callCount("launch"), 2u);
    EXPECT_EQ(desktop.callCount("launch org.example.Mail activate"), 0u);

    // No checks, or no such application running: no wait.
    loop.clearSleeps();
    service.waitForAppWindows({"org.example.Slow"}, 0, 1s);
    service.waitForAppWindows({"org.example.NotRunning"}, 10, 1s);
    EXPECT_TRUE(loop.sleeps().empty());
}

TEST_F(LaunchTest, OnlyMissingAppsAreLaunchedAndFailedOrImpossibleLaunchesAreSkipped) {
    window(app("org.example.A", 10), "One", {0, 0, 300, 300});
    loop.clearSleeps();
    desktop.clearCalls();
    EXPECT_EQ(restore({saved("org.example.A", 0, "One")}, false, true).launchedApps, 0);
    EXPECT_EQ(desktop.callCount("installed"), 0u);
    EXPECT_TRUE(loop.sleeps().empty());

    const auto broken = app("org.example.Broken", 21, false);
    desktop.setLaunch(broken, SimLaunch{0ns, 0, "permission denied"});
    loop.clearSleeps();
    const auto summary = restore(
        {saved("org.example.Broken", 0, "x"), saved("org.example.Nowhere", 0, "y")}, false, true);
    EXPECT_EQ(summary.missingApps,
              (std::vector<std::string>{"org.example.Broken App", "org.example.Nowhere App"}));
    EXPECT_EQ(desktop.callCount("installed org.example.Nowhere"), 1u);
    EXPECT_EQ(desktop.callCount("launch"), 1u);
    EXPECT_EQ(loop.sleeps(), std::vector<Duration>{50ms});  // no wait for windows
    EXPECT_EQ(log.lines().front(),
              "WindowService: Failed to launch org.example.Broken: permission denied");
}

TEST_F(LaunchTest, ClosingOthersSparesProtectedLayoutAndNonRegularApps) {
    const auto files = app(seam.fileManagerBundleID(), 1);
    const auto dock = app(seam.dockBundleID(), 2);
    const auto self = app(seam.ownBundleID(), 3);
    const auto kept = app("org.example.Kept", 4);
    window(kept, "K", {0, 0, 300, 300});
    const auto tray = desktop.addApplication(
        SimApp{"org.example.Tray", "Tray", 5, native::AppRole::accessory, false, false});
    const auto anonymous = desktop.addApplication(
        SimApp{std::nullopt, "Anon", 6, native::AppRole::regular, false, false});
    const auto other = app("org.example.Other", 7);
    const auto stubborn = app("org.example.Stubborn", 8);
    desktop.setTerminateAccepted(stubborn, false);

    const auto summary = restore({saved("org.example.Kept", 0, "K")}, false, false, true);
    EXPECT_EQ(summary.closedApps, 1);
    EXPECT_EQ(desktop.callCount("close"), 2u);  // Stubborn was asked too
    EXPECT_FALSE(desktop.isRunning(other));
    for (auto id : {files, dock, self, kept, tray, anonymous, stubborn})
        EXPECT_TRUE(desktop.isRunning(id));

    // A layout without windows (an old or hand-edited file) closes nothing, and says why.
    desktop.setTerminateAccepted(stubborn, true);
    EXPECT_EQ(restore({}, false, false, true), (RestoreSummary{0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(desktop.isRunning(stubborn));
    EXPECT_TRUE(log.contains("WindowService: Not closing other apps: the layout has no windows"));

    // This program's own windows in an old layout are left alone: not placed, not counted.
    const auto lines = log.lines().size();
    const auto summary2 =
        restore({saved(seam.ownBundleID(), 0, "Preferences"), saved("org.example.Kept", 0, "K")});
    EXPECT_EQ(summary2, (RestoreSummary{1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(log.lines().size(), lines);
}

}  // namespace
}  // namespace vantrel::testing
