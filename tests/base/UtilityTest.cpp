// UUIDs, published values, notifications, the line log and the serial executor.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "base/Log.h"
#include "base/ManualLoop.h"
#include "base/NotificationCenter.h"
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

}  // namespace
}  // namespace vantrel
