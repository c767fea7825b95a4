// The real poll loop: cross-thread posts, timers and file-descriptor watches wake it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

#include "base/Clock.h"
#include "base/PollLoop.h"

namespace vantrel {
namespace {

TEST(PollLoop, TaskPostedFromAnotherThreadRunsOnTheLoopThread) {
    SystemClock clock;
    PollLoop loop(clock);
    ASSERT_TRUE(loop.valid());
    bool onMain = false;
    std::thread poster([&] {
        loop.post([&] {
            onMain = loop.isMainThread();
            loop.quit();
        });
    });
    loop.runFor(10s);  // returns as soon as the task quits the loop
    poster.join();
    EXPECT_TRUE(onMain);
}

TEST(PollLoop, TimersRunInDueOrderAndCancelledOnesNever) {
    SystemClock clock;
    PollLoop loop(clock);
    std::vector<int> order;
    loop.postAfter(20ms, [&] { order.push_back(2); });
    loop.postAfter(1ms, [&] { order.push_back(1); });
    auto cancelled = loop.postAfter(5ms, [&] { order.push_back(99); });
    loop.cancel(cancelled);
    loop.postAfter(30ms, [&] { loop.quit(); });
    loop.runFor(10s);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(PollLoop, ReadableDescriptorCallsItsWatcher) {
    SystemClock clock;
    PollLoop loop(clock);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    char got = 0;
    auto watch = loop.watchReadable(fds[0], [&] {
        ASSERT_EQ(::read(fds[0], &got, 1), 1);
        loop.quit();
    });
    std::thread writer([&] { ASSERT_EQ(::write(fds[1], "x", 1), 1); });
    loop.runFor(10s);
    writer.join();
    EXPECT_EQ(got, 'x');
    ::close(fds[0]);
    ::close(fds[1]);
}

}  // namespace
}  // namespace vantrel
