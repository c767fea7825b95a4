// Both main loops: the virtual-time one (order and delays; its repeats, cancels and sleeps on
// other threads are what the engine and automation tests run on) and the real poll loop
// (cross-thread posts, timers, file-descriptor watches).
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "base/Clock.h"
#include "base/MainQueue.h"
#include "base/ManualLoop.h"
#include "base/PollLoop.h"

namespace vantrel {
namespace {

TEST(ManualLoop, RunsPostedTasksInOrderOnlyWhenPumpedAndDelayedOnesAtTheirTime) {
    ManualLoop loop;
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
    loop.post(stamp("1"));
    loop.post([&] {
        log.push_back("2");
        loop.post(stamp("4"));  // posted while running: still runs now
    });
    loop.post(stamp("3"));
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(loop.runPending(), 4u);
    loop.advance(299ms);
    EXPECT_EQ(log.size(), 4u);
    loop.advance(201ms);
    EXPECT_EQ(log, (std::vector<std::string>{"1@0", "2", "3@0", "4@0", "a@300", "b@500", "c@500"}));
    loop.sleepFor(50ms);  // a sleep (a restore's pause, a launch wait) moves virtual time on
    EXPECT_EQ(loop.now() - TimePoint{}, 550ms);
}

// A post from another thread, due timers and a readable descriptor each wake
// the real loop.
TEST(PollLoop, CrossThreadPostsTimersInDueOrderAndReadableDescriptorsWakeIt) {
    SystemClock clock;
    PollLoop loop(clock);
    ASSERT_TRUE(loop.valid());
    std::vector<std::string> order;
    loop.postAfter(20ms, [&] { order.push_back("timer 2"); });
    loop.postAfter(1ms, [&] { order.push_back("timer 1"); });
    loop.cancel(loop.postAfter(5ms, [&] { order.push_back("cancelled"); }));
    loop.postAfter(30ms, [&] { loop.quit(); });
    loop.runFor(10s);
    std::thread poster([&] {
        loop.post([&] {
            order.push_back(loop.isMainThread() ? "post on main" : "post elsewhere");
            loop.quit();
        });
    });
    loop.runFor(10s);  // returns as soon as the task quits the loop
    poster.join();
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    auto watch = loop.watchReadable(fds[0], [&] {
        char got = 0;
        ASSERT_EQ(::read(fds[0], &got, 1), 1);
        order.push_back(std::string("read ") + got);
        loop.quit();
    });
    std::thread writer([&] { ASSERT_EQ(::write(fds[1], "x", 1), 1); });
    loop.runFor(10s);
    writer.join();
    ::close(fds[0]);
    ::close(fds[1]);
    EXPECT_EQ(order, (std::vector<std::string>{"timer 1", "timer 2", "post on main", "read x"}));
}

}  // namespace
}  // namespace vantrel
