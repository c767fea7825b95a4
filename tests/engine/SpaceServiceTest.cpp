// The engine's polls: the current Space, its on-screen numbers and the 5-second refresh; the
// accessibility permission and its 2-second poll.
#include <gtest/gtest.h>

#include "EngineFixture.h"

namespace vantrel::testing {
namespace {

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
