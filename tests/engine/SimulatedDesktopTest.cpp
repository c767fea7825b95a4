// The simulated desktop itself: screen geometry texts, faults that run out, launches and events.
#include <gtest/gtest.h>

#include "EngineFixture.h"

namespace vantrel::testing {
namespace {

TEST(ScreenGeometry, ParsesFramesMainMarkAndNegativeOffsets) {
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

class SimTest : public EngineTest {};

TEST_F(SimTest, FaultsWithACountRunOutAndWritesAreRecorded) {
    const auto a = app("org.example.A", 10);
    const auto w = window(a, "t", {0, 0, 300, 300});
    const auto element =
        desktop
            .copyAttribute(desktop.applicationElement(desktop.runningApplications()[0]),
                           attribute::kWindows)
            .as<std::vector<Element>>()
            ->front();
    desktop.failRead(SimTarget::window(w), attribute::kTitle, {AXError::noValue, std::nullopt}, 2);
    EXPECT_EQ(desktop.copyAttribute(element, attribute::kTitle).error, AXError::noValue);
    EXPECT_EQ(desktop.copyAttribute(element, attribute::kTitle).error, AXError::noValue);
    EXPECT_EQ(*desktop.copyAttribute(element, attribute::kTitle).as<std::string>(), "t");
    EXPECT_EQ(desktop.setAttribute(element, attribute::kSize, AttributeValue{true}),
              AXError::illegalArgument);
    EXPECT_EQ(desktop.callCount("copy w:"), 3u);
    EXPECT_EQ(desktop.calls().back(), "set w:" + std::to_string(w) + " AXSize true");
    desktop.removeWindow(w);
    EXPECT_EQ(desktop.copyAttribute(element, attribute::kTitle).error, AXError::invalidUIElement);
}

TEST_F(SimTest, ScreenChangesAndLaunchesArriveOnTheMainQueue) {
    int screenEvents = 0;
    std::vector<std::string> launched;
    auto s = desktop.observeScreenParameters([&] { ++screenEvents; });
    auto l = desktop.observeApplicationLaunches(
        [&](const RunningApplication& app) { launched.push_back(app.bundleID.value_or("")); });
    desktop.setScreens("800x600+0+0P");
    const auto id = app("org.example.Late", 5, false);
    desktop.simulateLaunch(id);
    EXPECT_EQ(screenEvents, 0);
    loop.runPending();
    EXPECT_EQ(screenEvents, 1);
    EXPECT_EQ(launched, std::vector<std::string>{"org.example.Late"});
    EXPECT_TRUE(desktop.isRunning(id));
    s.reset();
    desktop.setScreens("800x600+0+0P");
    loop.runPending();
    EXPECT_EQ(screenEvents, 1);
}

}  // namespace
}  // namespace vantrel::testing
