// Notifications: synchronous delivery, names, removal, and removal while delivering.
#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "base/NotificationCenter.h"

namespace vantrel {
namespace {

TEST(NotificationCenter, DeliversSynchronouslyToObserversOfThatNameOnly) {
    NotificationCenter center;
    std::vector<std::string> seen;
    auto a = center.addObserver("layoutsDidChange", [&](const Notification& n) {
        seen.push_back("a:" + n.name);
    });
    auto b = center.addObserver("presetShortcutsDidChange",
                                [&](const Notification& n) { seen.push_back("b:" + n.name); });
    center.post("layoutsDidChange");
    EXPECT_EQ(seen, (std::vector<std::string>{"a:layoutsDidChange"}));
}

TEST(NotificationCenter, CarriesUserInfo) {
    NotificationCenter center;
    std::optional<std::int64_t> captured;
    auto sub = center.addObserver("layoutSpaceMismatch", [&](const Notification& n) {
        captured = std::any_cast<std::int64_t>(n.userInfo.at("capturedSpace"));
    });
    center.post("layoutSpaceMismatch", {{"capturedSpace", std::int64_t{2}}});
    EXPECT_EQ(captured, 2);
}

TEST(NotificationCenter, EndedSubscriptionsAreNotCalled) {
    NotificationCenter center;
    int calls = 0;
    auto sub = center.addObserver("x", [&](const Notification&) { ++calls; });
    center.post("x");
    sub.reset();
    center.post("x");
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenter, ObserverRemovedByAnEarlierObserverDuringPostIsSkipped) {
    NotificationCenter center;
    int secondCalls = 0;
    Subscription second;
    auto first = center.addObserver("x", [&](const Notification&) { second.reset(); });
    second = center.addObserver("x", [&](const Notification&) { ++secondCalls; });
    center.post("x");
    EXPECT_EQ(secondCalls, 0);
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
    SUCCEED();
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
