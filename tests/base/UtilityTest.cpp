// UUIDs, published values, notifications, the line log, the serial executor, and both main loops:
// the virtual-time one (order and delays; its repeats, cancels and sleeps on other threads are what
// the engine and automation tests run on) and the real poll loop (cross-thread posts, timers,
// file-descriptor watches).
#include <gtest/gtest.h>

#include <unistd.h>
#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/Clock.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "base/ManualLoop.h"
#include "base/NotificationCenter.h"
#include "base/PollLoop.h"
#include "base/Published.h"
#include "base/Uuid.h"
#include "base/Worker.h"

namespace vantrel {
namespace {

TEST(Uuid, ParsesEitherCaseWritesUpperCaseRejectsMalformedTextAndMakesV4) {
    auto lower = Uuid::parse("3f2504e0-4f89-41d3-9a0c-0305e82c3301");
    ASSERT_TRUE(lower);
    EXPECT_EQ(*lower, *Uuid::parse("3F2504E0-4F89-41D3-9A0C-0305E82C3301"));
    EXPECT_EQ(lower->toString(), "3F2504E0-4F89-41D3-9A0C-0305E82C3301");
    for (const char* bad :
         {"", "3F2504E0-4F89-41D3-9A0C-0305E82C330", "3F2504E0-4F89-41D3-9A0C-0305E82C33011",
          "3F2504E04F89-41D3-9A0C-0305E82C3301-", "3F2504E0-4F89-41D3-9A0C-0305E82C330G",
          "{3F2504E0-4F89-41D3-9A0C-0305E82C33}"})
        EXPECT_FALSE(Uuid::parse(bad).has_value()) << bad;
    std::set<std::string> seen;  // random ones are version 4 and distinct
    for (int i = 0; i < 1000; ++i) {
        auto text = Uuid::random().toString();
        EXPECT_TRUE(text[14] == '4' && std::string("89AB").find(text[19]) != std::string::npos);
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 1000u);
}

TEST(Published, WillChangeSeesTheOldValueDidChangeTheNewAndEndedSubscriptionsNothing) {
    Published<int> value(1);
    std::vector<std::string> seen;
    auto will = value.onWillChange([&](const int& next) {
        seen.push_back("will " + std::to_string(value.get()) + "->" + std::to_string(next));
    });
    auto did = value.onDidChange([&](const int& now) {
        seen.push_back("did " + std::to_string(value.get()) + "=" + std::to_string(now));
    });
    value.set(2);
    value.set(2);  // every assignment is announced
    will.reset();
    value.set(3);
    EXPECT_EQ(seen, (std::vector<std::string>{"will 1->2", "did 2=2", "will 2->2", "did 2=2",
                                              "did 3=3"}));
}

TEST(NotificationCenter, DeliversSynchronouslyWithUserInfoToObserversOfThatNameOnly) {
    NotificationCenter center;
    std::vector<std::string> seen;
    auto a = center.addObserver("layoutSpaceMismatch", [&](const Notification& n) {
        seen.push_back(n.name + ":" +
                       std::to_string(std::any_cast<std::int64_t>(n.userInfo.at("capturedSpace"))));
    });
    auto b = center.addObserver("other", [&](const Notification& n) { seen.push_back(n.name); });
    center.post("layoutSpaceMismatch", {{"capturedSpace", std::int64_t{2}}});
    EXPECT_EQ(seen, (std::vector<std::string>{"layoutSpaceMismatch:2"}));
    // Posts from several threads reach the observer on those threads.
    std::atomic<int> calls{0};
    auto counter = center.addObserver("x", [&](const Notification&) { ++calls; });
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&] {
            for (int j = 0; j < 100; ++j) center.post("x");
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(calls.load(), 400);
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

// Each message is one line, and lines from many threads never interleave.
TEST(Log, EachMessageIsExactlyOneWholeLine) {
    MemoryLog memory;
    memory.line("WindowService: App not running: evil\nLayoutStorage: forged");
    EXPECT_EQ(
        memory.lines(),
        (std::vector<std::string>{"WindowService: App not running: evil LayoutStorage: forged"}));
    testing::internal::CaptureStdout();
    {
        StdoutLog log;
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&log, t] {
                for (int i = 0; i < 50; ++i) log.line("thread " + std::to_string(t) + " line");
            });
        for (auto& thread : threads) thread.join();
    }
    const auto out = testing::internal::GetCapturedStdout();
    std::size_t lines = 0;
    for (std::size_t pos, start = 0; (pos = out.find('\n', start)) != std::string::npos;
         start = pos + 1, ++lines) {
        const auto line = out.substr(start, pos - start);
        EXPECT_TRUE(line.starts_with("thread ") && line.ends_with(" line")) << line;
    }
    EXPECT_EQ(lines, 200u);
}

TEST(SerialExecutor, RunsTasksInOrderOneAtATimeOffTheCallerAndTellsALateStart) {
    ManualLoop clock;
    SerialExecutor executor(clock);
    std::mutex gate;
    std::unique_lock held(gate);
    std::vector<int> order;  // written by the executor's thread only
    std::atomic<int> running{0};
    std::atomic<bool> wrong{false};  // two at once, on the caller's thread, or wrongly late
    const auto caller = std::this_thread::get_id();
    executor.run([&] { const std::lock_guard wait(gate); });  // holds the queue until released
    for (int i = 0; i < 8; ++i)
        executor.submit(clock.now() + (i == 7 ? 1s : 1h), [&, i](bool late) {
            if (++running > 1 || std::this_thread::get_id() == caller || late != (i == 7))
                wrong = true;
            order.push_back(i);
            --running;
        });
    clock.advance(2s);  // the last task's deadline passes while the first still blocks
    held.unlock();
    executor.waitIdle();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_FALSE(wrong.load());
}

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
