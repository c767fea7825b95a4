// Notifications: synchronous delivery, names, removal, and removal while delivering.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "base/NotificationCenter.h"

namespace vantrel {
namespace {

TEST(NotificationCenter, DeliversSynchronouslyWithUserInfoToObserversOfThatNameOnly) {
    NotificationCenter center;
    std::vector<std::string> seen;
    auto a = center.addObserver("layoutSpaceMismatch", [&](const Notification& n) {
        seen.push_back(n.name + ":" +
                       std::to_string(std::any_cast<std::int64_t>(n.userInfo.at("capturedSpace"))));
    });
    auto b = center.addObserver("presetShortcutsDidChange",
                                [&](const Notification& n) { seen.push_back(n.name); });
    center.post("layoutSpaceMismatch", {{"capturedSpace", std::int64_t{2}}});
    EXPECT_EQ(seen, (std::vector<std::string>{"layoutSpaceMismatch:2"}));
}

// Subscriptions may end or begin during a delivery, and may outlive the centre.
TEST(NotificationCenter, SubscriptionsEndAndBeginMidDeliveryAndMayOutliveTheCentre) {
    Subscription second, late, outliving;
    int calls = 0, secondCalls = 0, inner = 0;
    {
        NotificationCenter center;
        auto first = center.addObserver("x", [&](const Notification&) {
            if (++calls == 2) second.reset();  // removed by an earlier observer during the post
            late = center.addObserver("inner", [&](const Notification&) { ++inner; });
            center.post("inner");
        });
        second = center.addObserver("x", [&](const Notification&) { ++secondCalls; });
        center.post("x");
        center.post("x");
        first.reset();
        center.post("x");
        outliving = center.addObserver("x", [](const Notification&) {});
    }
    outliving.reset();  // must not touch freed memory (checked by the sanitizer build)
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(secondCalls, 1);
    EXPECT_EQ(inner, 2);
}

TEST(NotificationCenter, PostsFromSeveralThreadsReachTheObserverOnThoseThreads) {
    NotificationCenter center;
    std::atomic<int> calls{0};
    auto sub = center.addObserver("x", [&](const Notification&) { ++calls; });
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&] {
            for (int j = 0; j < 100; ++j) center.post("x");
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(calls.load(), 400);
}

}  // namespace
}  // namespace vantrel
