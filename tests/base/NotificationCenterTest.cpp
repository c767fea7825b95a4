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

TEST(NotificationCenter, EndedSubscriptionsAreNotCalledEvenMidDelivery) {
    NotificationCenter center;
    int calls = 0;
    int secondCalls = 0;
    Subscription second;
    auto first = center.addObserver("x", [&](const Notification&) {
        if (++calls == 2) second.reset();  // removed by an earlier observer during the post
    });
    second = center.addObserver("x", [&](const Notification&) { ++secondCalls; });
    center.post("x");
    center.post("x");
    first.reset();
    center.post("x");
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(secondCalls, 1);
}

TEST(NotificationCenter, ObserverMayPostAndSubscribeWhileDelivering) {
    NotificationCenter center;
    int inner = 0;
    Subscription late;
    auto sub = center.addObserver("outer", [&](const Notification&) {
        late = center.addObserver("inner", [&](const Notification&) { ++inner; });
        center.post("inner");
    });
    center.post("outer");
    EXPECT_EQ(inner, 1);
}

TEST(NotificationCenter, SubscriptionOutlivingTheCentreIsHarmless) {
    Subscription sub;
    {
        NotificationCenter center;
        sub = center.addObserver("x", [](const Notification&) {});
    }
    sub.reset();  // must not touch freed memory (checked by the sanitizer build)
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
