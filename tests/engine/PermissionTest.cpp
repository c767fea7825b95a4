// The accessibility permission flag and its 2-second poll.
#include <gtest/gtest.h>

#include "EngineFixture.h"

namespace vantrel::testing {
namespace {

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
