// Virtual-time queue: ordering, delays, repeating timers and cancellation.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "base/MainQueue.h"
#include "base/ManualLoop.h"

namespace vantrel {
namespace {

TEST(ManualLoop, RunsPostedTasksInOrderOnlyWhenPumpedAndDelayedOnesAtTheirTime) {
    ManualLoop loop;
    std::vector<int> order;
    loop.post([&] { order.push_back(1); });
    loop.post([&] {
        order.push_back(2);
        loop.post([&] { order.push_back(4); });  // posted while running: still runs now
    });
    loop.post([&] { order.push_back(3); });
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(loop.runPending(), 4u);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));

    // Delayed ones run at their exact time, in time order.
    std::vector<std::string> log;
    auto stamp = [&](const char* what) {
        return [&, what] {
            log.push_back(std::string(what) + "@" +
                          std::to_string((loop.now() - TimePoint{}) / 1ms));
        };
    };
    loop.postAfter(500ms, stamp("b"));
    loop.postAfter(300ms, stamp("a"));
    loop.postAfter(500ms, stamp("c"));  // same time as b: posting order decides
    loop.advance(299ms);
    EXPECT_TRUE(log.empty());
    loop.advance(201ms);
    EXPECT_EQ(log, (std::vector<std::string>{"a@300", "b@500", "c@500"}));
    EXPECT_EQ(loop.now() - TimePoint{}, 500ms);
}

TEST(ManualLoop, RepeatingTimerStopsWhenCancelledFromItsOwnTickOrByItsHandle) {
    ManualLoop loop;
    int ticks = 0;
    TimerId id = 0;
    id = loop.startRepeating(2s, [&] {
        if (++ticks == 3) loop.cancel(id);
    });
    loop.advance(1999ms);
    EXPECT_EQ(ticks, 0);
    loop.advance(1ms);
    EXPECT_EQ(ticks, 1);
    loop.advance(10s);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(loop.pendingCount(), 0u);

    int fired = 0;
    {
        TimerHandle handle(loop, loop.startRepeating(1s, [&] { ++fired; }));
        loop.advance(1s);
    }
    loop.advance(5s);
    EXPECT_EQ(fired, 1);
}

TEST(ManualLoop, OtherThreadsSleepInVirtualTimeAndPostToTheMainThread) {
    ManualLoop loop;
    bool ranOnMain = false;
    std::thread worker([&] {
        loop.sleepFor(300ms);
        loop.sleepFor(50ms);
        loop.post([&] { ranOnMain = loop.isMainThread(); });
    });
    worker.join();
    EXPECT_EQ(loop.sleeps(), (std::vector<Duration>{300ms, 50ms}));
    EXPECT_EQ(loop.now() - TimePoint{}, 350ms);
    EXPECT_EQ(loop.wallNow() - Date{std::chrono::seconds{1'765'000'000}}, 350ms);
    loop.runPending();
    EXPECT_TRUE(ranOnMain);
}

}  // namespace
}  // namespace vantrel
