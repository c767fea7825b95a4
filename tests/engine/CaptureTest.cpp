// Capture: window filtering, display choice, relative frames, window numbers and Space fields;
// the screen geometry text the simulated desktop is set up with.
#include <gtest/gtest.h>

#include "EngineFixture.h"

namespace vantrel::testing {
namespace {

TEST(ScreenGeometry, ParsesFramesMainMarkAndNegativeOffsetsAndRejectsMalformedText) {
    const auto list = parseScreenGeometry("1920x1080+0+0,1280x1024-1280+56P");
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 2u);
    // Given y up from the first one's bottom: in the desktop space its top is level with it.
    EXPECT_EQ((*list)[1].frame, (Rect{-1280, 0, 1280, 1024}));
    EXPECT_EQ((*list)[1].id, 2u);
    EXPECT_TRUE((*list)[1].main);
    EXPECT_FALSE((*list)[0].main);
    // The engine sees them as given.
    EXPECT_EQ(adapter::screenList(*list).screens[1].frame, (Rect{-1280, 56, 1280, 1024}));
    EXPECT_EQ(adapter::screenList(*list).mainIndex, 1u);
    EXPECT_TRUE(parseScreenGeometry("")->empty());
    for (const char* bad :
         {"1920x1080", "1920x1080+0", "x+0+0", "1920x1080+0+0Q", "1920x1080+0+0,"})
        EXPECT_FALSE(parseScreenGeometry(bad)) << bad;
}

class CaptureTest : public EngineTest {
  protected:
    void SetUp() override { grant(); }
};

TEST_F(CaptureTest, UntitledWindowsSurviveOnlyAsFirstOrMainWindowAndThoseUnder100PointsNever) {
    const auto editor = app("org.example.Editor", 10);
    window(editor, "", {0, 0, 400, 300});
    window(editor, "Notes", {0, 0, 400, 300});
    window(editor, "", {0, 0, 400, 300});
    SimWindow mainUntitled;
    mainUntitled.main = true;  // no title at all, but the main window
    desktop.addWindow(editor, mainUntitled);
    // Windows under 100 points are palettes and toolbars.
    const auto a = app("org.example.A", 11);
    window(a, "square", {0, 0, 100, 100});
    window(a, "thin", {0, 0, 99.9, 400});
    window(a, "flat", {0, 0, 400, 99.9});

    const auto states = service.captureWindows();
    ASSERT_EQ(states.size(), 4u);
    EXPECT_EQ(states[3].windowTitle, "square");
    EXPECT_EQ(states[3].frameWidth, 100);
    EXPECT_EQ(states[0].windowIndex, 0);
    EXPECT_EQ(states[0].windowTitle, std::optional<std::string>(""));
    EXPECT_EQ(states[1].windowIndex, 1);
    EXPECT_EQ(states[1].windowTitle, std::optional<std::string>("Notes"));
    EXPECT_EQ(states[2].windowIndex, 3);  // index 2 was dropped but keeps its place
    EXPECT_EQ(states[2].windowTitle, std::nullopt);
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(CaptureTest, ApplicationsAreFilteredByRoleAndIdentifier) {
    const auto accessory = desktop.addApplication(
        SimApp{"org.example.Tray", "Tray", 11, native::AppRole::accessory, false, false});
    const auto background = desktop.addApplication(
        SimApp{"org.example.Agent", "Agent", 13, native::AppRole::background, false, false});
    const auto anonymous = desktop.addApplication(
        SimApp{std::nullopt, "Anon", 12, native::AppRole::regular, false, false});
    const auto hidden = desktop.addApplication(
        SimApp{"org.example.Hidden", std::nullopt, 15, native::AppRole::regular, true, false});
    for (auto id : {accessory, background, anonymous, hidden}) window(id, "w", {0, 0, 400, 300});

    const auto states = service.captureWindows();
    ASSERT_EQ(states.size(), 1u);
    EXPECT_EQ(states[0].appBundleID, "org.example.Hidden");
    EXPECT_EQ(states[0].appName, "org.example.Hidden");  // no name: the identifier stands in
    EXPECT_TRUE(log.lines().empty());
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
    unnumbered[1].main = false;
    desktop.setMonitors(unnumbered);
    EXPECT_EQ(service.displayForFrame(5000, 5000, 200, 200), 0u);
}

TEST_F(CaptureTest, RelativeFramesAreFractionsOfTheDisplayOrAbsentTogether) {
    auto monitors = *parseScreenGeometry("1000x800+0+0P,0x800+1000+0");
    desktop.setMonitors(monitors);
    const auto relative = service.relativeFrame(250, 200, 500, 400, 1);
    ASSERT_TRUE(relative);
    EXPECT_EQ(*relative, (RelativeFrame{0.25, 0.25, 0.5, 0.5}));
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
// two windows of one application closer than that, both get the front one's number.
TEST_F(CaptureTest, WindowNumbersMatchTheOwnersFirstEntryWithinFivePoints) {
    const auto other = window(app("org.example.Other", 99), "same frame", {100, 100, 400, 300});
    const auto a = app("org.example.A", 10);
    const auto front = window(a, "front", {100, 100, 400, 300});
    const auto near = window(a, "near", {104.9, 100, 400, 300});
    const auto apart = window(a, "apart", {100, 100, 400, 305});
    const auto hidden = window(a, "hidden", {700, 100, 400, 300});
    (void)desktop.setMinimized(hidden, true);  // minimised: not on screen, no number
    const auto states = service.captureWindows();
    ASSERT_EQ(states.size(), 5u);
    EXPECT_EQ(states[0].windowNumber, other);
    EXPECT_EQ(states[1].windowNumber, front);
    EXPECT_EQ(states[2].windowNumber, front);
    EXPECT_EQ(states[3].windowNumber, apart);
    EXPECT_EQ(states[4].windowNumber, std::nullopt);
    EXPECT_EQ(service.matchWindowNumber(seam.elementForWindow(near), 10), front);
    EXPECT_EQ(service.matchWindowNumber(seam.elementForWindow(apart), 99), std::nullopt);
    EXPECT_EQ(service.matchWindowNumber(seam.elementForWindow(hidden), 10), std::nullopt);
}

TEST_F(CaptureTest, SpaceFieldsComeFromTheWindowNumber) {
    const auto a = app("org.example.A", 10);
    const auto sticky = window(a, "sticky", {0, 0, 400, 300});
    const auto onTwo = window(a, "two", {0, 0, 500, 300});
    const auto unlisted = window(a, "unlisted", {0, 0, 600, 300});
    const auto offScreen = window(a, "off", {0, 0, 700, 300});
    desktop.setWorkspaces(2);
    desktop.setWorkspace(sticky, std::nullopt, true);
    desktop.setWorkspace(onTwo, 1);
    desktop.setWorkspace(offScreen, 0);
    (void)desktop.setMinimized(offScreen, true);

    const auto states = service.captureWindows();
    ASSERT_EQ(states.size(), 4u);
    EXPECT_TRUE(states[0].isOnAllSpaces);
    EXPECT_EQ(states[0].spaceIndex, std::nullopt);
    EXPECT_EQ(states[0].windowNumber, sticky);
    EXPECT_FALSE(states[1].isOnAllSpaces);
    EXPECT_EQ(states[1].spaceIndex, 2);
    EXPECT_EQ(states[1].spaceUUID, spaceUUID(1));
    EXPECT_EQ(states[2].windowNumber, unlisted);
    EXPECT_EQ(states[2].spaceIndex, std::nullopt);
    EXPECT_EQ(states[3].windowNumber, std::nullopt);  // not on screen: no number, no Space
    EXPECT_EQ(states[3].spaceIndex, std::nullopt);
    EXPECT_TRUE(states[3].isMinimized);
}

TEST_F(CaptureTest, ReadsTheDesktopFourTimesPerCaptureWhateverItHolds) {
    for (int a = 0; a < 5; ++a) {
        const auto id = app("org.example.App" + std::to_string(a), 100 + a);
        for (int w = 0; w < 4; ++w) window(id, "w" + std::to_string(w), {0, 0, 400, 300});
    }
    service.captureWindows();  // the first capture also starts the Space refresh
    desktop.clearCalls();
    EXPECT_EQ(service.captureWindows().size(), 20u);
    // Screens, the on-screen list, the Spaces and the applications; windows read from those.
    EXPECT_EQ(desktop.calls(), std::vector<std::string>(4, "snapshot"));
}

TEST_F(CaptureTest, DisplayConfigurationListsEveryScreenInOrder) {
    auto monitors = *parseScreenGeometry("1280x1024-1280+0,1920x1080+0+0P");
    monitors[0].id.reset();
    desktop.setMonitors(monitors);
    const auto displays = service.currentDisplayConfiguration();
    ASSERT_EQ(displays.size(), 2u);
    EXPECT_EQ(displays[0], (DisplayInfo{0, -1280, 0, 1280, 1024, false, "Display 1"}));
    EXPECT_EQ(displays[1], (DisplayInfo{2, 0, 0, 1920, 1080, true, "Display 2"}));
    desktop.setScreens("");
    EXPECT_TRUE(service.currentDisplayConfiguration().empty());
}

}  // namespace
}  // namespace vantrel::testing
