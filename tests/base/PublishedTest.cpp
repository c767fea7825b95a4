// Published values: observers hear of a change before it takes effect.
#include <gtest/gtest.h>

#include <optional>

#include "base/Published.h"

namespace vantrel {
namespace {

TEST(Published, WillChangeObserversSeeTheOldValueStillStored) {
    Published<int> value(1);
    std::vector<std::pair<int, int>> seen;  // (stored, announced)
    auto sub = value.onWillChange([&](const int& next) { seen.emplace_back(value.get(), next); });
    value.set(2);
    value.set(2);  // every assignment is announced
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}}));
    EXPECT_EQ(value.get(), 2);
}

TEST(Published, DidChangeObserversSeeTheNewValueStored) {
    Published<std::optional<std::string>> value;
    std::optional<std::string> seen;
    auto sub = value.onDidChange([&](const auto&) { seen = value.get(); });
    value.set("Could not restore layout");
    EXPECT_EQ(seen, "Could not restore layout");
}

TEST(Published, EndedSubscriptionStopsNotifications) {
    Published<bool> value(false);
    int calls = 0;
    auto sub = value.onWillChange([&](const bool&) { ++calls; });
    value.set(true);
    sub.reset();
    value.set(false);
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace vantrel
