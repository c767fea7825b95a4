// Presets and the JSON form of their shortcut map: exact raw values, strict whole-map decoding.
#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <unordered_set>

#include "model/PresetLayout.h"

namespace vantrel {
namespace {

TEST(PresetLayout, EveryCaseRoundTripsThroughItsUniqueRawValue) {
    const auto& all = allPresetLayouts();
    ASSERT_EQ(all.size(), 15u);
    EXPECT_EQ(all.front(), PresetLayout::maximize);
    EXPECT_EQ(all[5], PresetLayout::topLeftQuarter);
    EXPECT_EQ(all.back(), PresetLayout::rightTwoThirds);
    std::set<std::string_view> raws;
    for (const auto preset : all) {
        raws.insert(rawValue(preset));
        EXPECT_EQ(presetLayoutFromRawValue(rawValue(preset)), preset) << rawValue(preset);
        EXPECT_EQ(displayName(preset), rawValue(preset));
    }
    EXPECT_EQ(raws.size(), 15u);
    EXPECT_EQ(rawValue(PresetLayout::topLeftQuarter), "Top Left");
    EXPECT_EQ(helpText(PresetLayout::center), "Centered window");
    EXPECT_EQ(iconName(PresetLayout::bottomRightQuarter), "rectangle.inset.bottomright.filled");
}

TEST(PresetLayout, FromRawValueIsExactAndCaseSensitive) {
    for (const char* text : {"left half", "LEFT HALF", "Left Half ", " Left Half", "LeftHalf",
                             "leftHalf", "Top Left Quarter", ""})
        EXPECT_EQ(presetLayoutFromRawValue(text), std::nullopt) << '"' << text << '"';
}

TEST(PresetShortcutJson, EncodesTheDocumentedForm) {
    EXPECT_EQ(encodePresetShortcuts({{"Left Half", {123, 786432}}}),
              R"({"Left Half":{"keyCode":123,"modifiers":786432}})");
    EXPECT_EQ(encodePresetShortcuts({}), "{}");
}

TEST(PresetShortcutJson, RoundTripsFieldExtremesAndUnknownKeys) {
    const PresetShortcutMap map{
        {"Maximize", {0, 0}},
        {"Right Two Thirds", {65535, std::numeric_limits<std::uint64_t>::max()}},
        {"left half", {123, 0x100000}},  // not a raw value, but kept
        {"Ünïcode ⌘", {1, 2}},
    };
    const auto json = encodePresetShortcuts(map);
    ASSERT_TRUE(json);
    EXPECT_EQ(decodePresetShortcuts(*json), map);
}

TEST(PresetShortcutJson, AnyFaultRejectsTheWholeMap) {
    const char* good = R"("Maximize":{"keyCode":1,"modifiers":2})";
    for (const std::string bad : {
             R"("Left Half":{"keyCode":123})",
             R"("Left Half":{"modifiers":786432})",
             R"("Left Half":{"keyCode":65536,"modifiers":0})",
             R"("Left Half":{"keyCode":-1,"modifiers":0})",
             R"("Left Half":{"keyCode":12.5,"modifiers":0})",
             R"("Left Half":{"keyCode":12.0,"modifiers":0})",
             R"("Left Half":{"keyCode":"12","modifiers":0})",
             R"("Left Half":{"keyCode":null,"modifiers":0})",
             R"("Left Half":{"keyCode":1,"modifiers":18446744073709551616})",
             R"("Left Half":{"keyCode":1,"modifiers":-786432})",
             R"("Left Half":[123,786432])",
             R"("Left Half":null)",
         }) {
        const std::string json = "{" + std::string(good) + "," + bad + "}";
        EXPECT_EQ(decodePresetShortcuts(json), std::nullopt) << json;
    }
}

TEST(PresetShortcutJson, RejectsWhatIsNotAJsonObject) {
    for (const char* bad : {"", "[]", "null", "\"{}\"", "{", "{}}", "{\"a\":{\"keyCode\":1,}",
                            "{\"\xff\":{\"keyCode\":1,\"modifiers\":2}}"})
        EXPECT_EQ(decodePresetShortcuts(bad), std::nullopt) << bad;
    EXPECT_EQ(decodePresetShortcuts("{}"), PresetShortcutMap{});
}

TEST(PresetShortcutJson, AKeyThatIsNotUtf8CannotBeEncoded) {
    EXPECT_EQ(encodePresetShortcuts({{"Left\xff", {1, 2}}}), std::nullopt);
}

}  // namespace
}  // namespace vantrel
