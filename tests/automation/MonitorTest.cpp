// The display-change and application-launch triggers.
#include <gtest/gtest.h>

#include "AutomationFixture.h"
#include "automation/AppLaunchMonitor.h"
#include "automation/DisplayMonitor.h"

namespace vantrel::testing {
namespace {

constexpr const char* kDual = "1920x1080+0+0P,1280x1024+1920+0";

class MonitorTest : public AutomationTest {
  protected:
    DisplayMonitor displayMonitor{seam, windowService, commands, worker, loop, log};
    AppLaunchMonitor launchMonitor{seam, commands, loop, log};
    SimWindowId live = 0;

    void SetUp() override {
        desktop.setScreens("1920x1080+0+0P");
        live = editorWindow();
    }

    // A layout that puts the editor's window at `frame` when these displays appear.
    static WindowLayout boundTo(const std::string& name, Rect frame, const char* geometry) {
        auto layout = editorLayout(name, frame);
        layout.triggerOnDisplayChange = true;
        layout.displayConfiguration = displays(geometry);
        return layout;
    }
};

// --- Displays ------------------------------------------------------------------------------

// Start finds a layout bound to the displays it starts with and triggers nothing; a burst of
// changes is handled once, 500 ms after the last, restoring the first layout bound to exactly the
// new ones (a layout not bound, or without displays, is no match).
TEST_F(MonitorTest, ABurstOfChangesIsHandledOnceAfterTheDebounceByTheFirstBoundLayout) {
    auto notBound = boundTo("NotBound", {70, 70, 300, 300}, kDual);
    notBound.triggerOnDisplayChange = false;
    auto noDisplays = boundTo("NoDisplays", {70, 70, 300, 300}, kDual);
    noDisplays.displayConfiguration.reset();
    setLayouts({notBound, noDisplays, boundTo("Single", {5, 5, 500, 500}, "1920x1080+0+0P"),
                boundTo("Other", {70, 70, 300, 300}, "1920x1080+0+0P,1280x1000+1920+0"),
                boundTo("First", {10, 20, 500, 400}, kDual),
                boundTo("Second", {50, 60, 600, 500}, kDual)});
    displayMonitor.start();
    loop.advance(1s);
    EXPECT_EQ(displayMonitor.currentConfiguration.get(), displays("1920x1080+0+0P"));
    EXPECT_EQ(frameOf(live), (Rect{0, 0, 400, 300}));
    desktop.setScreens(kDual);
    loop.advance(100ms);
    desktop.setScreens("1920x1080+0+0P");
    loop.advance(100ms);
    desktop.setScreens(kDual);
    loop.advance(499ms);
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(displayMonitor.displayCount.get(), 1);
    loop.advance(1ms);
    loop.runPending();
    EXPECT_EQ(log.lines(),
              (std::vector<std::string>{"DisplayMonitor: Monitor connected (now 2 displays)",
                                        "DisplayMonitor: Found 2 layouts to trigger"}));
    EXPECT_EQ(displayMonitor.displayCount.get(), 2);
    EXPECT_EQ(displayMonitor.currentConfiguration.get(), displays(kDual));
    EXPECT_EQ(frameOf(live), (Rect{10, 20, 500, 400}));
}

// The same count in another size, with a layout bound to it, triggers nothing. Ending the watch, at
// quit, drops a change still waiting out its debounce.
TEST_F(MonitorTest, ChangesWithoutATriggeringLayoutAreOnlyReportedAndEndingTheWatchDropsThem) {
    setLayouts({boundTo("A", {10, 20, 500, 400}, "2560x1440+0+0P")});
    displayMonitor.start();
    desktop.setScreens("2560x1440+0+0P");
    loop.advance(1s);
    EXPECT_EQ(log.take(), std::vector<std::string>{"DisplayMonitor: Display arrangement changed"});
    EXPECT_EQ(displayMonitor.currentConfiguration.get(), displays("2560x1440+0+0P"));

    desktop.setScreens(kDual);
    loop.advance(1s);
    log.take();
    desktop.setScreens("1920x1080+0+0P");
    loop.advance(1s);
    EXPECT_EQ(log.take(),
              std::vector<std::string>{"DisplayMonitor: Monitor disconnected (now 1 displays)"});

    desktop.setScreens(kDual);
    loop.advance(200ms);
    displayMonitor.cancelSubscriptions();
    loop.advance(1s);
    EXPECT_TRUE(log.lines().empty());
}

// --- Launches --------------------------------------------------------------------------------

// Only the whole identifier, in its case, triggers.
TEST_F(MonitorTest, ALaunchRestoresTheFirstListingLayoutAsItWasHalfASecondLater) {
    const auto mail = app("org.example.Mail", 20, false);
    auto other = editorLayout("Other", {70, 70, 300, 300});
    auto first = editorLayout("First", {10, 20, 500, 400});
    auto second = editorLayout("Second", {50, 60, 600, 500});
    other.triggerApps = {"org.example.mail", "org.example", "org.example.Mail.Helper"};
    first.triggerApps = second.triggerApps = {"org.example.Mail"};
    setLayouts({other, first, second});
    launchMonitor.start();

    desktop.simulateLaunch(mail);
    loop.runPending();
    EXPECT_EQ(log.lines(), std::vector<std::string>{
                               "AppLaunchMonitor: App launched org.example.Mail, found 2 layouts "
                               "to trigger"});
    setLayouts({});  // deleted during the wait: the layout as it was is restored
    loop.advance(499ms);
    EXPECT_EQ(frameOf(live), (Rect{0, 0, 400, 300}));
    loop.advance(1ms);
    loop.runPending();
    EXPECT_EQ(frameOf(live), (Rect{10, 20, 500, 400}));
}

// Two layouts that launch each other's trigger: a launch that a triggered restore made itself
// triggers nothing, so they cannot restore one another for ever; the user's next launch does.
TEST_F(MonitorTest, ALaunchMadeByATriggeredRestoreTriggersNothing) {
    const auto a = app("org.example.A", 30, false);
    const auto b = app("org.example.B", 31, false);
    window(a, "a", {0, 0, 100, 100});
    window(b, "b", {0, 0, 100, 100});
    const auto launching = [](const char* name, const char* trigger, const char* other) {
        auto layout = namedLayout(name, {windowState(other, 0, {5, 5, 200, 200})});
        layout.triggerApps = {trigger};
        layout.launchMissingApps = true;
        layout.closeOtherApps = true;
        return layout;
    };
    setLayouts({launching("LA", "org.example.A", "org.example.B"),
                launching("LB", "org.example.B", "org.example.A")});
    launchMonitor.start();
    desktop.simulateLaunch(a);
    loop.advance(30s);
    EXPECT_EQ(desktop.callCount("launch org.example.B"), 1u);
    EXPECT_EQ(desktop.callCount("launch org.example.A"), 0u);
    EXPECT_EQ(log.take(), (std::vector<std::string>{
                              "AppLaunchMonitor: App launched org.example.A, found 1 layouts to "
                              "trigger",
                              "AppLaunchMonitor: App launched org.example.B by the triggered "
                              "restore of LA; not triggering again, to stop a cycle"}));

    desktop.setRunning(b, false);
    desktop.simulateLaunch(b);
    loop.advance(1s);
    EXPECT_EQ(desktop.callCount("launch org.example.A"), 1u);
}

}  // namespace
}  // namespace vantrel::testing
