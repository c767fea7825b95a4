// The published-value bridge: immediate on the GUI thread, queued from others, gone with its owner.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <thread>

#include "base/Published.h"
#include "ui/PublishedBridge.h"

namespace vantrel {
namespace {

TEST(PublishedBridgeTest, DeliversOnTheGuiThreadAndAppliesTheCurrentValue) {
    Published<int> value{1};
    QWidget widget;
    PublishedBridge bridge(&widget);
    std::vector<int> seen;
    bridge.watchAndApply(value, [&](int v) { seen.push_back(v); });
    value.set(2);
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
}

TEST(PublishedBridgeTest, ChangesFromAnotherThreadArriveQueuedOnTheGuiThread) {
    Published<int> value{0};
    QWidget widget;
    PublishedBridge bridge(&widget);
    std::vector<int> seen;
    bool onGui = true;
    bridge.watch(value, [&](int v) {
        if (QThread::currentThread() != widget.thread()) onGui = false;
        seen.push_back(v);
    });
    std::thread other([&] { value.set(7); });
    other.join();
    EXPECT_TRUE(seen.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(seen, (std::vector<int>{7}));
    EXPECT_TRUE(onGui);
}

TEST(PublishedBridgeTest, NothingArrivesAfterTheOwnerIsGone) {
    Published<int> value{0};
    int calls = 0;
    {
        QWidget widget;
        PublishedBridge bridge(&widget);
        bridge.watch(value, [&](int) { ++calls; });
        std::thread other([&] { value.set(1); });
        other.join();
    }
    QCoreApplication::processEvents();
    value.set(2);
    EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace vantrel
