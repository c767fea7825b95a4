// Capture: window filtering, display choice, relative frames, window numbers and Space fields; and
// the engine's polls: the current Space, its on-screen numbers and the 5-second refresh, the
// accessibility permission and its 2-second poll.
#include <gtest/gtest.h>

#include "EngineFixture.h"

namespace vantrel::testing {
namespace {

class CaptureTest : public EngineTest {
  protected:
    void SetUp() override { grant(); }
};

// Only regular applications with an identifier count (hidden ones too); untitled windows only as
// the first or main window; windows under 100 points (palettes, toolbars) never. A capture reads
// the desktop a fixed number of times, whatever it holds.
TEST_F(CaptureTest, KeepsRegularApplicationsAndTheWindowsThatCount) {
    for (const auto& [role, id] : {std::pair{native::AppRole::accessory, "org.example.Tray"},
                                   {native::AppRole::background, "org.example.Agent"}})
        window(desktop.addApplication(SimApp{id, "x", 11, role, false, false}), "w",
               {0, 0, 400, 300});
    window(desktop.addApplication(
               SimApp{std::nullopt, "Anon", 12, native::AppRole::regular, false, false}),
           "w", {0, 0, 400, 300});
    const auto editor = desktop.addApplication(
        SimApp{"org.example.Hidden", std::nullopt, 15, native::AppRole::regular, true, false});
    window(editor, "", {0, 0, 400, 300});
    window(editor, "Notes", {0, 0, 400, 300});
    window(editor, "", {0, 0, 400, 300});
    SimWindow mainUntitled;
    mainUntitled.main = true;  // no title at all, but the main window
    desktop.addWindow(editor, mainUntitled);
    const auto a = app("org.example.A", 11);
    window(a, "square", {0, 0, 100, 100});
    window(a, "thin", {0, 0, 99.9, 400});
    window(a, "flat", {0, 0, 400, 99.9});

    const auto states = service.captureWindows();
    std::vector<std::tuple<std::string, std::int64_t, std::optional<std::string>>> seen;
    for (const auto& s : states) seen.emplace_back(s.appName, s.windowIndex, s.windowTitle);
    const std::string hidden = "org.example.Hidden";  // no name: the identifier stands in
    EXPECT_EQ(seen, (decltype(seen){{hidden, 0, ""},
                                    {hidden, 1, "Notes"},
                                    {hidden, 3, std::nullopt},  // index 2 dropped, keeps its place
                                    {"org.example.A App", 0, "square"}}));
    EXPECT_TRUE(log.lines().empty());
    // Screens, the on-screen list, the Spaces and the applications; windows read from those.
    desktop.clearCalls();
    service.captureWindows();
    EXPECT_EQ(desktop.calls(), std::vector<std::string>(4, "snapshot"));
}

TEST_F(CaptureTest, DisplayChoiceTakesLargestOverlapEarlierOnTiesAndMainOnMisses) {
    desktop.setScreens("1000x800+0+0,1000x800+1000+0P");
    EXPECT_EQ(service.displayForFrame(900, 0, 200, 200), 1u);      // equal halves: first screen
    EXPECT_EQ(service.displayForFrame(950, 0, 200, 200), 2u);      // more on the second
    EXPECT_EQ(service.displayForFrame(5000, 5000, 200, 200), 2u);  // nowhere: main screen
    EXPECT_EQ(service.displayForFrame(1000, 0, 0, 0), 2u);         // only touches: no area wins

    auto unnumbered = *parseScreenGeometry("1000x800+0+0,1000x800+1000+0P");
    unnumbered[0].id.reset();
    desktop.setMonitors(unnumbered);
    EXPECT_EQ(service.displayForFrame(0, 0, 200, 200), 2u);  // winner has number 0: main's
    // The configuration lists every screen in order, numbered or not.
    EXPECT_EQ(service.currentDisplayConfiguration(),
              (std::vector<DisplayInfo>{{0, 0, 0, 1000, 800, false, "Display 1"},
                                        {2, 1000, 0, 1000, 800, true, "Display 2"}}));
    unnumbered[1].main = false;
    desktop.setMonitors(unnumbered);
    EXPECT_EQ(service.displayForFrame(5000, 5000, 200, 200), 0u);
    desktop.setScreens("");
    EXPECT_TRUE(service.currentDisplayConfiguration().empty());
}

TEST_F(CaptureTest, RelativeFramesAreFractionsOfTheDisplayOrAbsentTogether) {
    auto monitors = *parseScreenGeometry("1000x800+0+0P,0x800+1000+0");
    desktop.setMonitors(monitors);
    EXPECT_EQ(service.relativeFrame(250, 200, 500, 400, 1), (RelativeFrame{0.25, 0.25, 0.5, 0.5}));
    EXPECT_FALSE(service.relativeFrame(250, 200, 500, 400, 2));  // zero width
    EXPECT_FALSE(service.relativeFrame(250, 200, 500, 400, 9));  // not connected

    // A captured window on the zero-width display keeps no relative fields at all.
    const auto a = app("org.example.A", 10);
    window(a, "w", {1000, 0, 400, 300});
    monitors[0].main = false;
    monitors[1].main = true;
    desktop.setMonitors(monitors);
    const auto states = service.captureWindows();
    ASSERT_EQ(states.size(), 1u);
    EXPECT_EQ(states[0].displayID, 2u);
    EXPECT_FALSE(states[0].relativeFrameX || states[0].relativeFrameY ||
                 states[0].relativeFrameWidth || states[0].relativeFrameHeight);
}

// The engine pairs each window with its on-screen entry by owner and frame, within 5 points: of
// two windows of one application closer than that, both get the front one's number. The Space
// fields come from that entry, so a window off screen has neither.
TEST_F(CaptureTest, WindowNumbersMatchTheOwnersFirstEntryWithinFivePointsAndGiveTheSpace) {
    const auto other = window(app("org.example.Other", 99), "same frame", {100, 100, 400, 300});
    const auto a = app("org.example.A", 10);
    const auto front = window(a, "front", {100, 100, 400, 300});
    const auto near = window(a, "near", {104.9, 100, 400, 300});
    const auto apart = window(a, "apart", {100, 100, 400, 305});
    const auto hidden = window(a, "hidden", {700, 100, 400, 300});
    desktop.setWorkspaces(2);
    desktop.setWorkspace(other, std::nullopt, true);
    desktop.setWorkspace(front, 1);
    desktop.setWorkspace(hidden, 0);
    (void)desktop.setMinimized(hidden, true);  // minimised: not on screen, no number
    std::vector<std::tuple<std::optional<std::uint32_t>, std::optional<std::int64_t>, bool,
                           std::optional<std::string>, bool>>
        seen;
    for (const auto& s : service.captureWindows())
        seen.emplace_back(s.windowNumber, s.spaceIndex, s.isOnAllSpaces, s.spaceUUID,
                          s.isMinimized);
    const std::string two = "00000000-0000-4000-8000-000000000002";  // the adapter's naming
    EXPECT_EQ(seen, (decltype(seen){{other, std::nullopt, true, std::nullopt, false},
                                    {front, 2, false, two, false},
                                    {front, 2, false, two, false},
                                    {apart, std::nullopt, false, std::nullopt, false},
                                    {std::nullopt, std::nullopt, false, std::nullopt, true}}));
    EXPECT_EQ(service.matchWindowNumber(seam.elementForWindow(near), 10), front);
    EXPECT_EQ(service.matchWindowNumber(seam.elementForWindow(apart), 99), std::nullopt);
    EXPECT_EQ(service.matchWindowNumber(seam.elementForWindow(hidden), 10), std::nullopt);
}

// The spaces of the workspaces are parsed and looked up through the adapter's tree (see the
// capture and restore tests); what is left is the choice of the current Space without a stated
// one, and which entries count as on screen.
TEST(SpaceLookups, CurrentSpaceByCoverageAndOnScreenNumbers) {
    // Best coverage of the on-screen numbers wins, earlier ones keep ties.
    const std::vector<SpaceInfo> spaces{{"A", 1, {1, 2}, false}, {"B", 2, {2, 3}, false}};
    EXPECT_EQ(currentSpace(spaces, {2, 3})->uuid, "B");
    EXPECT_EQ(currentSpace(spaces, {1, 3})->uuid, "A");
    EXPECT_EQ(currentSpace(spaces, {99})->uuid, "A");
    EXPECT_EQ(currentSpace({}, {1}), std::nullopt);
    EXPECT_EQ(currentSpace(spaces, {3, 3, 3})->uuid, "B");  // distinct numbers count

    // On screen: only layer-0 entries with numbers.
    const std::vector<WindowServerEntry> entries{{1, 10, 0, {}},
                                                 {2, 10, 25, {}},
                                                 {std::nullopt, 10, 0, {}},
                                                 {4, 10, std::nullopt, {}},
                                                 {5, 10, 0, {}}};
    EXPECT_EQ(onScreenWindowNumbers(entries), (std::vector<std::uint32_t>{1, 5}));
    EXPECT_TRUE(onScreenWindowNumbers(std::nullopt).empty());
}

class SpaceServiceTest : public EngineTest {};

TEST_F(SpaceServiceTest, StartRefreshesAndThenEveryFiveSeconds) {
    std::vector<std::optional<std::int64_t>> seen;
    auto watch = spaces.activeSpaceIndex.onDidChange([&](const auto& v) { seen.push_back(v); });
    spaces.start();
    EXPECT_EQ(spaces.totalSpaces.get(), 1);  // no preferences yet
    EXPECT_EQ(spaces.activeSpaceIndex.get(), std::nullopt);

    const auto a = app("org.example.A", 10);
    const auto w = window(a, "w", {0, 0, 300, 300});
    desktop.setWorkspaces(3);
    desktop.setWorkspace(w, 1);
    loop.advance(4999ms);
    EXPECT_EQ(spaces.totalSpaces.get(), 1);
    loop.advance(1ms);
    EXPECT_EQ(spaces.totalSpaces.get(), 3);
    EXPECT_EQ(spaces.activeSpaceIndex.get(), 2);
    spaces.start();  // a second start adds no timer
    EXPECT_EQ(loop.pendingCount(), 1u);
    EXPECT_EQ(seen, (std::vector<std::optional<std::int64_t>>{std::nullopt, 2}));
    // A Space the platform states wins over the guess, and its change refreshes at once.
    desktop.setCurrentWorkspace(2);
    loop.runPending();
    EXPECT_EQ(spaces.activeSpaceIndex.get(), 3);
}

TEST_F(SpaceServiceTest, StartedOffTheMainThreadRefreshesOnItAndOutlivesNoService) {
    const auto w = window(app("org.example.A", 10), "w", {0, 0, 300, 300});
    desktop.setWorkspaces(2);
    desktop.setWorkspace(w, 1);
    std::thread([&] { spaces.start(); }).join();
    EXPECT_EQ(spaces.totalSpaces.get(), 1);
    loop.runPending();
    EXPECT_EQ(spaces.totalSpaces.get(), 2);
    EXPECT_EQ(spaces.activeSpaceIndex.get(), 2);
    // A service gone leaves no timer behind.
    const auto pending = loop.pendingCount();
    auto service2 = std::make_unique<SpaceService>(seam, loop);
    service2->start();
    service2.reset();
    EXPECT_EQ(loop.pendingCount(), pending);
    loop.advance(10s);
}

using PermissionTest = EngineTest;

TEST_F(PermissionTest, UntrustedStartPollsEveryTwoSecondsUntilGrantedAndWithdrawnTrustLowersIt) {
    EXPECT_TRUE(desktop.calls().empty());  // construction asks nothing
    desktop.setTrusted(false);
    service.start();
    EXPECT_EQ(desktop.callCount("capabilities"), 1u);
    loop.advance(3s);
    EXPECT_EQ(desktop.callCount("capabilities"), 2u);
    EXPECT_FALSE(service.hasAccessibilityPermission.get());

    desktop.setTrusted(true);
    loop.advance(1s);  // the tick at 4 s finds the grant and queues the assignment
    EXPECT_TRUE(service.hasAccessibilityPermission.get());
    EXPECT_FALSE(service.isPolling());
    EXPECT_EQ(loop.pendingCount(), 0u);
    // A check that agrees with the flag schedules nothing; granted, polling does not start.
    service.checkAccessibilityPermission();
    EXPECT_EQ(loop.pendingCount(), 0u);
    service.startPermissionPolling();
    EXPECT_FALSE(service.isPolling());

    // Polling then waits for someone to ask again.
    desktop.setTrusted(false);
    service.checkAccessibilityPermission();
    loop.runPending();
    EXPECT_FALSE(service.hasAccessibilityPermission.get());
    EXPECT_FALSE(service.isPolling());
    service.startPermissionPolling();
    service.startPermissionPolling();  // one poll only
    EXPECT_EQ(loop.pendingCount(), 1u);
}

}  // namespace
}  // namespace vantrel::testing
