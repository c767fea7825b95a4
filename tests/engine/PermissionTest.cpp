// The accessibility permission flag and its 2-second poll.
#include <gtest/gtest.h>

#include "EngineFixture.h"

namespace vantrel::testing {
namespace {

class PermissionTest : public EngineTest {};

TEST_F(PermissionTest, ConstructionAsksNothingAndStartPollsWhileUntrusted) {
    EXPECT_TRUE(desktop.calls().empty());
    desktop.setTrusted(false);
    service.start();
    EXPECT_EQ(desktop.callCount("trusted"), 1u);
    EXPECT_TRUE(service.isPolling());
    loop.advance(6s);
    EXPECT_EQ(desktop.callCount("trusted"), 4u);
    EXPECT_FALSE(service.hasAccessibilityPermission.get());
}

TEST_F(PermissionTest, GrantTurnsTheFlagOnWithinOneIntervalAndStopsPolling) {
    desktop.setTrusted(false);
    service.start();
    loop.advance(3s);
    desktop.setTrusted(true);
    std::vector<bool> seen;
    auto watch = service.hasAccessibilityPermission.onWillChange(
        [&](bool v) { seen.push_back(service.hasAccessibilityPermission.get() != v); });
    loop.advance(1s);  // the tick at 4 s finds the grant and queues the assignment
    EXPECT_TRUE(service.hasAccessibilityPermission.get());
    EXPECT_FALSE(service.isPolling());
    EXPECT_EQ(seen, std::vector<bool>{true});  // announced before it took effect
    EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST_F(PermissionTest, TrustedAtStartStillPollsUntilTheFirstTick) {
    desktop.setTrusted(true);
    service.start();
    EXPECT_FALSE(service.hasAccessibilityPermission.get());  // assigned on the next turn
    EXPECT_TRUE(service.isPolling());
    loop.runPending();
    EXPECT_TRUE(service.hasAccessibilityPermission.get());
    loop.advance(2s);
    EXPECT_FALSE(service.isPolling());
}

TEST_F(PermissionTest, PollingStartsOnceAndNotWhenGranted) {
    desktop.setTrusted(false);
    service.startPermissionPolling();
    service.startPermissionPolling();
    EXPECT_EQ(loop.pendingCount(), 1u);
    // A check that agrees with the flag schedules nothing.
    service.checkAccessibilityPermission();
    EXPECT_EQ(loop.pendingCount(), 1u);
    grant();
    loop.advance(2s);
    EXPECT_FALSE(service.isPolling());
    service.startPermissionPolling();
    EXPECT_FALSE(service.isPolling());

    // Withdrawn trust lowers the flag; polling waits for someone to ask again.
    desktop.setTrusted(false);
    service.checkAccessibilityPermission();
    loop.runPending();
    EXPECT_FALSE(service.hasAccessibilityPermission.get());
    EXPECT_FALSE(service.isPolling());
}

TEST_F(PermissionTest, PromptAndSettingsGoThroughThePlatform) {
    desktop.setTrusted(false);
    service.requestAccessibilityPermission();
    EXPECT_EQ(desktop.trustRequests(), 1);
    EXPECT_TRUE(service.isPolling());
    EXPECT_TRUE(service.openAccessibilitySettings());
    EXPECT_EQ(desktop.openedURLs(), std::vector<std::string>{desktop.accessibilitySettingsURL()});
}

TEST_F(PermissionTest, QueuedWorkAfterTheServiceIsGoneIsHarmless) {
    desktop.setTrusted(true);
    auto other = std::make_unique<WindowService>(desktop, spaces, loop, loop, center, log);
    other->start();
    other.reset();
    loop.advance(5s);
    EXPECT_EQ(loop.pendingCount(), 0u);
}

}  // namespace
}  // namespace vantrel::testing
