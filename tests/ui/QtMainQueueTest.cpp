// The Qt main queue on a real event loop: order, delays, repeats, cancels, other threads, fds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "ui/QtMainQueue.h"

namespace vantrel {
namespace {

// Runs the event loop until `done` holds or the limit passes; true when it held.
template <typename Predicate>
bool runUntil(Predicate done, int limitMs = 2000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

void spin(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(QtMainQueueTest, PostedTasksRunLaterInOrder) {
    QtMainQueue queue;
    std::vector<int> order;
    queue.post([&] { order.push_back(1); });
    queue.post([&] {
        order.push_back(2);
        queue.post([&] { order.push_back(4); });
    });
    queue.post([&] { order.push_back(3); });
    EXPECT_TRUE(order.empty());
    ASSERT_TRUE(runUntil([&] { return order.size() == 4; }));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_TRUE(queue.isMainThread());
}

TEST(QtMainQueueTest, DelayedTaskWaitsItsDelayAndRunsOnceAndACancelledOneNever) {
    QtMainQueue queue;
    QElapsedTimer timer;
    timer.start();
    qint64 ranAfter = -1;
    int runs = 0;
    bool cancelledRan = false;
    queue.postAfter(30ms, [&] {
        ranAfter = timer.elapsed();
        ++runs;
    });
    const TimerId id = queue.postAfter(10ms, [&] { cancelledRan = true; });
    queue.cancel(id);
    queue.cancel(id);
    queue.cancel(0);
    queue.cancel(987654);  // unknown ids are ignored
    ASSERT_TRUE(runUntil([&] { return runs == 1; }));
    EXPECT_GE(ranAfter, 29);
    spin(50);
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(cancelledRan);
    EXPECT_EQ(queue.activeTimerCount(), 0U);
}

TEST(QtMainQueueTest, RepeatingTaskRunsUntilCancelledFromItself) {
    QtMainQueue queue;
    int ticks = 0;
    TimerId id = 0;
    id = queue.startRepeating(5ms, [&] {
        if (++ticks == 3) queue.cancel(id);
    });
    ASSERT_TRUE(runUntil([&] { return ticks == 3; }));
    spin(40);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(queue.activeTimerCount(), 0U);
}

TEST(QtMainQueueTest, OtherThreadsPostScheduleAndCancel) {
    QtMainQueue queue;
    std::atomic<int> posted{0};
    std::atomic<bool> delayedRan{false};
    std::atomic<bool> cancelledRan{false};
    std::atomic<bool> onMain{true};
    std::thread worker([&] {
        EXPECT_FALSE(queue.isMainThread());
        for (int i = 0; i < 100; ++i) {
            queue.post([&] {
                if (!queue.isMainThread()) onMain = false;
                ++posted;
            });
        }
        queue.postAfter(5ms, [&] { delayedRan = true; });
        // Cancelled before the main thread has even made its timer.
        const TimerId id = queue.postAfter(5ms, [&] { cancelledRan = true; });
        queue.cancel(id);
    });
    worker.join();
    ASSERT_TRUE(runUntil([&] { return posted == 100 && delayedRan; }));
    spin(30);
    EXPECT_TRUE(onMain);
    EXPECT_FALSE(cancelledRan);
    EXPECT_EQ(queue.activeTimerCount(), 0U);
}

TEST(QtMainQueueTest, TasksPostedToADestroyedQueueAreDropped) {
    bool ran = false;
    {
        QtMainQueue queue;
        queue.post([&] { ran = true; });
        queue.postAfter(1ms, [&] { ran = true; });
    }
    spin(20);
    EXPECT_FALSE(ran);
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
    ASSERT_TRUE(runUntil([&] { return reads == 1; }));
    watch.reset();
    ASSERT_EQ(::write(fds[1], "y", 1), 1);
    spin(30);
    EXPECT_EQ(reads, 1);
    ::close(fds[0]);
    ::close(fds[1]);
}

}  // namespace
}  // namespace vantrel
