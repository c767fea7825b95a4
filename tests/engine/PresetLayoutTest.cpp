// Preset placement: the geometry, the flip into window coordinates, and the early stops.
#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "engine/PresetLayoutService.h"

namespace vantrel::testing {
namespace {

TEST(PresetGeometry, TheOtherPresetsOnAVisibleFrame) {
    const Rect v{100, 50, 1000, 800};
    const double third = 1000.0 / 3;  // thirds are not rounded
    const std::pair<PresetLayout, Rect> cases[] = {
        // Maximize and the left, top and bottom halves: PresetTest, in window coordinates.
        {PresetLayout::rightHalf, {600, 50, 500, 800}},
        {PresetLayout::topLeftQuarter, {100, 450, 500, 400}},  // screen space has y up
        {PresetLayout::topRightQuarter, {600, 450, 500, 400}},
        {PresetLayout::bottomLeftQuarter, {100, 50, 500, 400}},
        {PresetLayout::bottomRightQuarter, {600, 50, 500, 400}},
        {PresetLayout::center, {250, 170, 700, 560}},
        {PresetLayout::leftThird, {100, 50, third, 800}},
        {PresetLayout::centerThird, {100 + third, 50, third, 800}},
        {PresetLayout::rightThird, {100 + 2000.0 / 3, 50, third, 800}},
        {PresetLayout::leftTwoThirds, {100, 50, 2000.0 / 3, 800}},
        {PresetLayout::rightTwoThirds, {100 + third, 50, 2000.0 / 3, 800}},
    };
    for (const auto& [preset, frame] : cases)
        EXPECT_EQ(presetFrame(v, preset), frame) << rawValue(preset);
}

class PresetTest : public EngineTest {
  protected:
    PresetLayoutService presets{service, seam, log};
    SimAppId front = 0;
    SimWindowId focused = 0;

    void SetUp() override {
        grant();
        auto monitors = *parseScreenGeometry("1440x900+0+0P");
        monitors[0].workArea = {0, 25, 1440, 875};  // a 25-point menu bar on top
        desktop.setMonitors(monitors);
        front = app("org.example.Front", 10);
        focused = window(front, "Doc", {300, 300, 400, 300});
        desktop.setFocusedWindow(front, focused);
        desktop.setFrontmost(front);
    }
};

TEST_F(PresetTest, HalvesFlipIntoWindowCoordinatesAndGoInOneRequest) {
    const std::pair<PresetLayout, Rect> cases[] = {
        {PresetLayout::leftHalf, {0, 25, 720, 875}},
        {PresetLayout::topHalf, {0, 25, 1440, 437.5}},
        {PresetLayout::bottomHalf, {0, 462.5, 1440, 437.5}},
    };
    for (const auto& [preset, frame] : cases) {
        EXPECT_TRUE(presets.apply(preset));
        EXPECT_EQ(frameOf(focused), frame) << rawValue(preset);
    }
    EXPECT_EQ(desktop.callCount("place"), 3u);
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(PresetTest, WindowOnASecondaryDisplayStaysThereAndOneOffEveryScreenGoesToTheMain) {
    // The second screen sits right of the main one with its bottom 100 points higher.
    auto monitors = *parseScreenGeometry("1440x900+0+0P,1000x800+1440+100");
    monitors[0].workArea = {0, 25, 1440, 875};
    monitors[1].workArea = {1440, 20, 1000, 780};  // y up: (1440, 100, 1000, 780)
    desktop.setMonitors(monitors);
    const auto other = window(front, "Other", {1500, 100, 600, 400});  // mostly on screen 2
    desktop.setFocusedWindow(front, other);
    EXPECT_TRUE(presets.apply(PresetLayout::maximize));
    // Visible frame (1440, 100, 1000, 780) flips to y = 900 - 100 - 780 = 20.
    EXPECT_EQ(desktop.window(other).position, (Point{1440, 20}));
    EXPECT_EQ(desktop.window(other).size, (Size{1000, 780}));

    // A window off every screen goes to the main screen, flipped against the first one's height.
    desktop.setScreens("1000x800+-1000+0,1440x900+0+0P");
    desktop.removeWindow(other);
    const auto far = window(front, "Far", {9000, 9000, 400, 300});
    desktop.setFocusedWindow(front, far);
    EXPECT_TRUE(presets.apply(PresetLayout::leftHalf));
    EXPECT_EQ(frameOf(far), (Rect{0, 800 - 900, 720, 900}));
}

TEST_F(PresetTest, WithoutFocusedWindowTheFirstWindowMoves) {
    desktop.setFocusedWindow(front, std::nullopt);
    const auto second = window(front, "Second", {0, 0, 400, 300});
    EXPECT_TRUE(presets.apply(PresetLayout::maximize));
    EXPECT_EQ(frameOf(focused), (Rect{0, 25, 1440, 875}));
    EXPECT_EQ(desktop.window(second).position, (Point{0, 0}));
    // The file manager with windows is placed like any other application.
    const auto files = desktop.addApplication(
        SimApp{seam.fileManagerBundleID(), "Files", 30, native::AppRole::regular, false, false});
    const auto home = window(files, "Home", {10, 10, 400, 300});
    desktop.setFrontmost(files);
    EXPECT_TRUE(presets.apply(PresetLayout::maximize));
    EXPECT_EQ(desktop.window(home).size, (Size{1440, 875}));
}

TEST_F(PresetTest, AFailedPlacementIsReportedWithItsCode) {
    desktop.failWrite(focused, SimWrite::move, native::PlaceResult::refused, 1);
    EXPECT_TRUE(presets.apply(PresetLayout::leftHalf));
    EXPECT_EQ(frameOf(focused), (Rect{300, 300, 400, 300}));
    desktop.failWrite(focused, SimWrite::resize, native::PlaceResult::gone, 1);
    EXPECT_TRUE(presets.apply(PresetLayout::rightHalf));
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "PresetLayoutService: Failed to set position and size: -25204",
                               "PresetLayoutService: Failed to set position and size: -25202"}));
}

TEST_F(PresetTest, EarlyStopsPrintOneLineAndMoveNothing) {
    const auto files = desktop.addApplication(
        SimApp{seam.fileManagerBundleID(), "Files", 30, native::AppRole::regular, false, false});
    desktop.setFrontmost(files);
    EXPECT_FALSE(presets.apply(PresetLayout::maximize));

    const auto bare = desktop.addApplication(
        SimApp{"org.example.Bare", std::nullopt, 31, native::AppRole::regular, false, false});
    desktop.setFrontmost(bare);
    EXPECT_FALSE(presets.apply(PresetLayout::maximize));
    const auto named = app("org.example.Named", 32);
    desktop.setFrontmost(named);  // running without a window
    EXPECT_FALSE(presets.apply(PresetLayout::maximize));

    desktop.setFrontmost(std::nullopt);
    EXPECT_FALSE(presets.apply(PresetLayout::maximize));

    desktop.setFrontmost(front);
    desktop.setScreens("");  // no display at all: stops without a line
    EXPECT_FALSE(presets.apply(PresetLayout::maximize));
    desktop.setScreens("1440x900+0+0P");
    desktop.setTrusted(false);
    service.checkAccessibilityPermission();
    loop.runPending();
    EXPECT_FALSE(presets.apply(PresetLayout::maximize));

    EXPECT_EQ(log.lines(),
              (std::vector<std::string>{"PresetLayoutService: Finder has no windows",
                                        "PresetLayoutService: Could not get windows for app",
                                        "PresetLayoutService: Could not get windows for "
                                        "org.example.Named App",
                                        "PresetLayoutService: No frontmost application",
                                        "PresetLayoutService: No accessibility permission"}));
    EXPECT_EQ(desktop.callCount("place"), 0u);
}

}  // namespace
}  // namespace vantrel::testing
