// The Qt main queue on a real event loop: order, delays, repeats, cancels, other threads, fds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <atomic>
#include <thread>
#include <vector>

#include "QtWait.h"
#include "ui/QtMainQueue.h"

namespace vantrel {
namespace {

using testing::waitUntil;

// What should not happen has had its chance once a later timer of a new queue ran.
bool settle(int afterMs = 60) {
    QtMainQueue later;
    bool ran = false;
    later.postAfter(std::chrono::milliseconds{afterMs}, [&] { ran = true; });
    return waitUntil([&] { return ran; });
}

TEST(QtMainQueueTest, PostedTasksRunLaterInOrderAndADestroyedQueueDropsItsTasks) {
    std::vector<int> order;
    {
        QtMainQueue queue;
        queue.post([&] { order.push_back(1); });
        queue.post([&] {
            order.push_back(2);
            queue.post([&] { order.push_back(4); });
        });
        queue.post([&] { order.push_back(3); });
        EXPECT_TRUE(order.empty());
        ASSERT_TRUE(waitUntil([&] { return order.size() == 4; }));
        EXPECT_TRUE(queue.isMainThread());
        queue.post([&] { order.push_back(5); });
        queue.postAfter(1ms, [&] { order.push_back(6); });
    }
    ASSERT_TRUE(settle());
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
}

TEST(QtMainQueueTest, DelaysRepeatsAndCancelsFromThisThreadAndOthers) {
    QtMainQueue queue;
    QElapsedTimer timer;
    timer.start();
    qint64 ranAfter = -1;
    std::atomic<int> runs{0}, posted{0}, cancelledRuns{0};
    std::atomic<bool> onMain{true};
    queue.postAfter(30ms, [&] {
        ranAfter = timer.elapsed();
        ++runs;
    });
    const TimerId id = queue.postAfter(10ms, [&] { ++cancelledRuns; });
    queue.cancel(id);
    queue.cancel(id);
    queue.cancel(987654);  // unknown ids are ignored
    int ticks = 0;
    TimerId repeating = 0;
    repeating = queue.startRepeating(5ms, [&] {
        if (++ticks == 3) queue.cancel(repeating);
    });
    std::thread worker([&] {
        EXPECT_FALSE(queue.isMainThread());
        for (int i = 0; i < 100; ++i)
            queue.post([&] {
                if (!queue.isMainThread()) onMain = false;
                ++posted;
            });
        queue.postAfter(5ms, [&] { ++runs; });
        // Cancelled before the main thread has even made its timer.
        queue.cancel(queue.postAfter(5ms, [&] { ++cancelledRuns; }));
    });
    worker.join();
    ASSERT_TRUE(waitUntil([&] { return runs == 2 && posted == 100 && ticks == 3; }));
    EXPECT_GE(ranAfter, 29);
    ASSERT_TRUE(settle());
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(cancelledRuns, 0);
    EXPECT_TRUE(onMain);
    EXPECT_EQ(queue.activeTimerCount(), 0U);
}

TEST(QtMainQueueTest, WatchReportsReadableDescriptorUntilTheSubscriptionEnds) {
    QtMainQueue queue;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    int reads = 0;
    Subscription watch = queue.watchReadable(fds[0], [&] {
        char buffer[16];
        if (::read(fds[0], buffer, sizeof buffer) > 0) ++reads;
    });
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    ASSERT_TRUE(waitUntil([&] { return reads == 1; }));
    watch.reset();
    ASSERT_EQ(::write(fds[1], "y", 1), 1);
    ASSERT_TRUE(settle(30));
    EXPECT_EQ(reads, 1);
    ::close(fds[0]);
    ::close(fds[1]);
}

}  // namespace
}  // namespace vantrel
