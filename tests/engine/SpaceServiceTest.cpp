// Space tracking: reading the Spaces preferences, the current Space, the 5-second refresh.
#include <gtest/gtest.h>

#include "EngineFixture.h"

namespace vantrel::testing {
namespace {

using List = PreferenceValue::List;
using Dictionary = PreferenceValue::Dictionary;

PreferenceValue space(std::optional<std::string> uuid, List windows,
                      std::optional<PreferenceValue> type = std::nullopt) {
    Dictionary d;
    if (uuid) d.push_back({"uuid", PreferenceValue{*uuid}});
    d.push_back({"windows", PreferenceValue{std::move(windows)}});
    if (type) d.push_back({"type", *type});
    return PreferenceValue{std::move(d)};
}

PreferenceValue number(std::int64_t n) {
    return PreferenceValue{n};
}

std::vector<std::string> uuids(const std::vector<SpaceInfo>& spaces) {
    std::vector<std::string> result;
    for (const auto& s : spaces) result.push_back(s.uuid + "#" + std::to_string(s.index));
    return result;
}

TEST(SpaceParsing, NumbersSpacesAcrossDisplaysAndSkipsMalformedEntries) {
    Dictionary root{
        {"Display A", PreferenceValue{Dictionary{
                          {"Spaces", PreferenceValue{List{space("A1", {number(1), number(2)}),
                                                          space(std::nullopt, {number(9)}),
                                                          space("A2", {number(3)}, number(4))}}}}}},
        {"Not a display", PreferenceValue{std::string("x")}},
        {"Mixed list", PreferenceValue{Dictionary{
                           {"Spaces", PreferenceValue{List{space("M1", {}), number(3)}}}}}},
        {"Display B",
         PreferenceValue{Dictionary{
             {"Spaces", PreferenceValue{List{space("B1", {number(-1), number(4294967296),
                                                          number(4294967295), number(5)})}}}}}},
        {"Display C",
         PreferenceValue{Dictionary{
             {"Spaces", PreferenceValue{List{space("C1", {number(6), PreferenceValue{6.5}})}}}}}},
    };
    const auto spaces = parseSpaces(PreferenceValue{root});
    EXPECT_EQ(uuids(spaces), (std::vector<std::string>{"A1#1", "A2#2", "B1#3", "C1#4"}));
    EXPECT_FALSE(spaces[0].isFullscreen);
    EXPECT_TRUE(spaces[1].isFullscreen);
    EXPECT_EQ(spaces[2].windowNumbers, (std::vector<std::uint32_t>{4294967295u, 5}));
    EXPECT_TRUE(spaces[3].windowNumbers.empty());  // not a list of integers
    EXPECT_TRUE(parseSpaces(std::nullopt).empty());
    EXPECT_TRUE(parseSpaces(PreferenceValue{List{}}).empty());
}

TEST(SpaceLookups, AllSpacesFirstListingSpaceCurrentSpaceAndOnScreenNumbers) {
    const SpacesSnapshot single({SpaceInfo{"A", 1, {42}, false}});
    EXPECT_FALSE(single.isWindowOnAllSpaces(42));
    EXPECT_EQ(single.spaceForWindow(42)->uuid, "A");

    const SpacesSnapshot two(
        {SpaceInfo{"A", 1, {1, 2}, false}, SpaceInfo{"B", 2, {2, 3, 3}, false}});
    EXPECT_TRUE(two.isWindowOnAllSpaces(2));
    EXPECT_EQ(two.spaceForWindow(2), std::nullopt);
    EXPECT_EQ(two.spaceForWindow(3)->uuid, "B");
    EXPECT_FALSE(two.isWindowOnAllSpaces(3));  // listed twice in B, still only one Space
    EXPECT_EQ(two.spaceForWindow(7), std::nullopt);
    EXPECT_TRUE(SpaceInfo({"A", 1, {}, false}) == SpaceInfo({"A", 5, {9}, true}));

    // The current Space: best coverage of the on-screen numbers wins, earlier ones keep ties.
    const std::vector<SpaceInfo> spaces{{"A", 1, {1, 2}, false}, {"B", 2, {2, 3}, false}};
    EXPECT_EQ(currentSpace(spaces, {2, 3})->uuid, "B");
    EXPECT_EQ(currentSpace(spaces, {1, 3})->uuid, "A");
    EXPECT_EQ(currentSpace(spaces, {})->uuid, "A");
    EXPECT_EQ(currentSpace(spaces, {99})->uuid, "A");
    EXPECT_EQ(currentSpace({}, {1}), std::nullopt);
    EXPECT_EQ(currentSpace({}, {}), std::nullopt);
    EXPECT_EQ(currentSpace(spaces, {3, 3, 3})->uuid, "B");  // distinct numbers count

    // On screen: only layer-0 entries with numbers.
    const std::vector<WindowServerEntry> entries{{1, 10, 0, {}},
                                                 {2, 10, 25, {}},
                                                 {std::nullopt, 10, 0, {}},
                                                 {4, 10, std::nullopt, {}},
                                                 {5, 10, 0, {}}};
    EXPECT_EQ(onScreenWindowNumbers(entries), (std::vector<std::uint32_t>{1, 5}));
    EXPECT_TRUE(onScreenWindowNumbers(std::nullopt).empty());
}

class SpaceServiceTest : public EngineTest {};

TEST_F(SpaceServiceTest, StartRefreshesAndThenEveryFiveSeconds) {
    std::vector<std::optional<std::int64_t>> seen;
    auto watch = spaces.activeSpaceIndex.onDidChange([&](const auto& v) { seen.push_back(v); });
    EXPECT_EQ(spaces.totalSpaces.get(), 1);
    spaces.start();
    EXPECT_EQ(spaces.totalSpaces.get(), 1);  // no preferences yet
    EXPECT_EQ(spaces.activeSpaceIndex.get(), std::nullopt);

    const auto a = app("org.example.A", 10);
    const auto w = window(a, "w", {0, 0, 300, 300});
    desktop.setWorkspaces(3);
    desktop.setWorkspace(w, 1);
    loop.advance(4999ms);
    EXPECT_EQ(spaces.totalSpaces.get(), 1);
    loop.advance(1ms);
    EXPECT_EQ(spaces.totalSpaces.get(), 3);
    EXPECT_EQ(spaces.activeSpaceIndex.get(), 2);
    spaces.start();  // a second start adds no timer
    EXPECT_EQ(loop.pendingCount(), 1u);
    EXPECT_EQ(seen, (std::vector<std::optional<std::int64_t>>{std::nullopt, 2}));
    // A Space the platform states wins over the guess, and its change refreshes at once.
    desktop.setCurrentWorkspace(2);
    loop.runPending();
    EXPECT_EQ(spaces.activeSpaceIndex.get(), 3);
}

TEST_F(SpaceServiceTest, StartedOffTheMainThreadRefreshesOnItAndOutlivesNoService) {
    const auto w = window(app("org.example.A", 10), "w", {0, 0, 300, 300});
    desktop.setWorkspaces(2);
    desktop.setWorkspace(w, 1);
    std::thread([&] { spaces.start(); }).join();
    EXPECT_EQ(spaces.totalSpaces.get(), 1);
    loop.runPending();
    EXPECT_EQ(spaces.totalSpaces.get(), 2);
    EXPECT_EQ(spaces.activeSpaceIndex.get(), 2);
    // A service gone leaves no timer behind.
    const auto pending = loop.pendingCount();
    auto service2 = std::make_unique<SpaceService>(seam, loop);
    service2->start();
    service2.reset();
    EXPECT_EQ(loop.pendingCount(), pending);
    loop.advance(10s);
}

}  // namespace
}  // namespace vantrel::testing
