// Capture: window filtering, display choice, relative frames, window numbers and Space fields;
// the screen geometry text the simulated desktop is set up with.
#include <gtest/gtest.h>

#include "EngineFixture.h"

namespace vantrel::testing {
namespace {

TEST(ScreenGeometry, ParsesFramesMainMarkAndNegativeOffsetsAndRejectsMalformedText) {
    const auto list = parseScreenGeometry("1920x1080+0+0,1280x1024-1280+56P");
    ASSERT_TRUE(list);
    ASSERT_EQ(list->screens.size(), 2u);
    EXPECT_EQ(list->screens[1].frame, (Rect{-1280, 56, 1280, 1024}));
    EXPECT_EQ(list->screens[1].screenNumber, 2u);
    EXPECT_EQ(list->mainIndex, 1u);
    EXPECT_TRUE(parseScreenGeometry("")->screens.empty());
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

TEST_F(CaptureTest, UnreadableAttributesDropTheWindowOrFallBack) {
    const auto a = app("org.example.A", 10);
    const auto positionError = window(a, "position error", {0, 0, 400, 300});
    const auto positionOdd = window(a, "position odd", {50, 60, 400, 300});
    const auto sizeMissing = window(a, "size missing", {0, 0, 400, 300});
    const auto sizeAsPoint = window(a, "size as point", {0, 0, 400, 300});
    const auto flagsOdd = window(a, "flags odd", {0, 0, 400, 300});
    desktop.failRead(SimTarget::window(positionError), attribute::kPosition,
                     {AXError::cannotComplete, std::nullopt});
    desktop.failRead(SimTarget::window(positionOdd), attribute::kPosition,
                     {AXError::success, AttributeValue{std::string("x")}});
    desktop.failRead(SimTarget::window(sizeMissing), attribute::kSize,
                     {AXError::success, std::nullopt});
    desktop.failRead(SimTarget::window(sizeAsPoint), attribute::kSize,
                     {AXError::success, AttributeValue{Point{400, 300}}});
    desktop.failRead(SimTarget::window(flagsOdd), attribute::kMinimized,
                     {AXError::success, AttributeValue{OtherValue{}}});
    desktop.failRead(SimTarget::window(flagsOdd), attribute::kFullScreen,
                     {AXError::failure, AttributeValue{true}});

    const auto states = service.captureWindows();
    ASSERT_EQ(states.size(), 2u);
    EXPECT_EQ(states[0].windowTitle, "position odd");
    EXPECT_EQ(states[0].frameX, 0);  // not a point value: the origin
    EXPECT_EQ(states[0].frameY, 0);
    EXPECT_EQ(states[1].windowTitle, "flags odd");
    EXPECT_FALSE(states[1].isMinimized);
    EXPECT_FALSE(states[1].isFullscreen);
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(CaptureTest, ApplicationsAreFilteredByPolicyIdentifierAndReadableWindowList) {
    const auto accessory = desktop.addApplication(
        SimApp{"org.example.Tray", "Tray", 11, ActivationPolicy::accessory, false, std::nullopt});
    const auto anonymous = desktop.addApplication(
        SimApp{std::nullopt, "Anon", 12, ActivationPolicy::regular, false, std::nullopt});
    const auto broken = app("org.example.Broken", 13);
    const auto odd = app("org.example.Odd", 14);
    const auto hidden = desktop.addApplication(SimApp{
        "org.example.Hidden", std::nullopt, 15, ActivationPolicy::regular, true, std::nullopt});
    for (auto id : {accessory, anonymous, broken, odd, hidden}) window(id, "w", {0, 0, 400, 300});
    desktop.failRead(SimTarget::app(broken), attribute::kWindows,
                     {AXError::cannotComplete, std::nullopt});
    desktop.failRead(SimTarget::app(odd), attribute::kWindows,
                     {AXError::success, AttributeValue{OtherValue{}}});

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

    ScreenList unnumbered = *parseScreenGeometry("1000x800+0+0,1000x800+1000+0P");
    unnumbered.screens[0].screenNumber.reset();
    desktop.setScreens(unnumbered);
    EXPECT_EQ(service.displayForFrame(0, 0, 200, 200), 2u);  // winner has number 0: main's
    unnumbered.mainIndex.reset();
    desktop.setScreens(unnumbered);
    EXPECT_EQ(service.displayForFrame(5000, 5000, 200, 200), 0u);
}

TEST_F(CaptureTest, RelativeFramesAreFractionsOfTheDisplayOrAbsentTogether) {
    ScreenList screens = *parseScreenGeometry("1000x800+0+0P,0x800+1000+0");
    desktop.setScreens(screens);
    const auto relative = service.relativeFrame(250, 200, 500, 400, 1);
    ASSERT_TRUE(relative);
    EXPECT_EQ(*relative, (RelativeFrame{0.25, 0.25, 0.5, 0.5}));
    EXPECT_FALSE(service.relativeFrame(250, 200, 500, 400, 2));  // zero width
    EXPECT_FALSE(service.relativeFrame(250, 200, 500, 400, 9));  // not connected

    // A captured window on the zero-width display keeps no relative fields at all.
    const auto a = app("org.example.A", 10);
    window(a, "w", {1000, 0, 400, 300});
    screens.screens[1].frame = {1000, 0, 0, 800};
    screens.mainIndex = 1;
    desktop.setScreens(screens);
    const auto states = service.captureWindows();
    ASSERT_EQ(states.size(), 1u);
    EXPECT_EQ(states[0].displayID, 2u);
    EXPECT_FALSE(states[0].relativeFrameX || states[0].relativeFrameY ||
                 states[0].relativeFrameWidth || states[0].relativeFrameHeight);
}

TEST_F(CaptureTest, WindowNumbersMatchTheOwnersFirstEntryWithinFivePoints) {
    const auto a = app("org.example.A", 10);
    const auto w = window(a, "w", {100, 100, 400, 300});
    const auto element = [&] {
        const auto running = desktop.runningApplications();
        const auto read =
            desktop.copyAttribute(desktop.applicationElement(running[0]), attribute::kWindows);
        return read.as<std::vector<Element>>()->front();
    }();
    auto entry = [](std::optional<std::uint32_t> number, std::int32_t pid, double dx) {
        return WindowServerEntry{number, pid, 0, WindowBounds{100 + dx, 100, 400, 300}};
    };
    desktop.setWindowServerEntries(std::vector{entry(1, 99, 0), entry(std::nullopt, 10, 0),
                                               entry(2, 10, 4.9), entry(3, 10, 0)});
    EXPECT_EQ(service.matchWindowNumber(element, 10), 2u);
    desktop.setWindowServerEntries(std::vector{entry(4, 10, 5), entry(5, 10, -5)});
    EXPECT_EQ(service.matchWindowNumber(element, 10), std::nullopt);
    desktop.setWindowServerEntries(
        std::vector{WindowServerEntry{6, 10, 0, WindowBounds{100, 100, std::nullopt, 300}},
                    WindowServerEntry{7, 10, 0, std::nullopt}, entry(8, 10, 1)});
    EXPECT_EQ(service.matchWindowNumber(element, 10), 8u);  // missing width counts as 0
    desktop.setWindowListAvailable(false);
    EXPECT_EQ(service.matchWindowNumber(element, 10), std::nullopt);
    desktop.setWindowListAvailable(true);
    desktop.setWindowServerEntries(std::nullopt);
    EXPECT_EQ(service.matchWindowNumber(element, 10), w);
    desktop.failRead(SimTarget::window(w), attribute::kSize, {AXError::failure, std::nullopt}, 1);
    EXPECT_EQ(service.matchWindowNumber(element, 10), std::nullopt);
}

TEST_F(CaptureTest, SpaceFieldsComeFromTheWindowNumber) {
    const auto a = app("org.example.A", 10);
    const auto sticky = window(a, "sticky", {0, 0, 400, 300});
    const auto onTwo = window(a, "two", {0, 0, 500, 300});
    const auto unlisted = window(a, "unlisted", {0, 0, 600, 300});
    const auto offScreen = window(a, "off", {0, 0, 700, 300});
    desktop.setServerBounds(offScreen, WindowBounds{3000, 0, 700, 300});  // never matches
    desktop.setSpaces(
        {{"S1", {sticky, static_cast<std::int64_t>(offScreen)}, {}}, {"S2", {sticky, onTwo}, {}}});

    const auto states = service.captureWindows();
    ASSERT_EQ(states.size(), 4u);
    EXPECT_TRUE(states[0].isOnAllSpaces);
    EXPECT_EQ(states[0].spaceIndex, std::nullopt);
    EXPECT_EQ(states[0].windowNumber, sticky);
    EXPECT_FALSE(states[1].isOnAllSpaces);
    EXPECT_EQ(states[1].spaceIndex, 2);
    EXPECT_EQ(states[1].spaceUUID, "S2");
    EXPECT_EQ(states[2].windowNumber, unlisted);
    EXPECT_EQ(states[2].spaceIndex, std::nullopt);
    EXPECT_EQ(states[3].windowNumber, std::nullopt);  // the server does not list it
    EXPECT_EQ(states[3].spaceIndex, std::nullopt);
    EXPECT_FALSE(states[3].isOnAllSpaces);
}

TEST_F(CaptureTest, ReadsTheWindowServerAndSpacesOncePerCapture) {
    for (int a = 0; a < 5; ++a) {
        const auto id = app("org.example.App" + std::to_string(a), 100 + a);
        for (int w = 0; w < 4; ++w) window(id, "w" + std::to_string(w), {0, 0, 400, 300});
    }
    service.captureWindows();  // the first capture also starts the Space refresh
    desktop.clearCalls();
    EXPECT_EQ(service.captureWindows().size(), 20u);
    EXPECT_EQ(desktop.callCount("windowList"), 1u);
    EXPECT_EQ(desktop.callCount("spaces"), 1u);
    EXPECT_EQ(desktop.callCount("screens"), 1u);
    EXPECT_EQ(desktop.callCount("copy a:"), 5u);
    EXPECT_EQ(desktop.callCount("copy w:"), 20u * 5u);  // title, position, size, two flags
}

TEST_F(CaptureTest, DisplayConfigurationListsEveryScreenInOrder) {
    ScreenList screens = *parseScreenGeometry("1280x1024-1280+0,1920x1080+0+0P");
    screens.screens[0].screenNumber.reset();
    desktop.setScreens(screens);
    const auto displays = service.currentDisplayConfiguration();
    ASSERT_EQ(displays.size(), 2u);
    EXPECT_EQ(displays[0], (DisplayInfo{0, -1280, 0, 1280, 1024, false, "Display 1"}));
    EXPECT_EQ(displays[1], (DisplayInfo{2, 0, 0, 1920, 1080, true, "Display 2"}));
    desktop.setScreens("");
    EXPECT_TRUE(service.currentDisplayConfiguration().empty());
}

}  // namespace
}  // namespace vantrel::testing
