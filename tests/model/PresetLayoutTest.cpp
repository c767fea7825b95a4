// Presets and the JSON form of their shortcut map: exact raw values, strict whole-map decoding.
#include <gtest/gtest.h>

#include <limits>
#include <set>

#include "model/PresetLayout.h"

namespace vantrel {
namespace {

TEST(PresetLayout, EveryCaseRoundTripsThroughItsUniqueRawValueExactly) {
    const auto& all = allPresetLayouts();
    ASSERT_EQ(all.size(), 15u);
    std::set<std::string_view> raws;
    for (const auto preset : all) {
        raws.insert(rawValue(preset));
        EXPECT_EQ(presetLayoutFromRawValue(rawValue(preset)), preset) << rawValue(preset);
    }
    EXPECT_EQ(raws.size(), 15u);
    EXPECT_EQ(rawValue(PresetLayout::topLeftQuarter), "Top Left");
    // Case, spaces and near names do not match.
    for (const char* text : {"left half", "LEFT HALF", "Left Half ", " Left Half", "LeftHalf",
                             "leftHalf", "Top Left Quarter", ""})
        EXPECT_EQ(presetLayoutFromRawValue(text), std::nullopt) << '"' << text << '"';
}

TEST(PresetShortcutJson, EncodesTheDocumentedFormAndRoundTripsExtremesAndUnknownKeys) {
    EXPECT_EQ(encodePresetShortcuts({{"Left Half", {123, 786432}}}),
              R"({"Left Half":{"keyCode":123,"modifiers":786432}})");
    EXPECT_EQ(encodePresetShortcuts({}), "{}");
    EXPECT_EQ(decodePresetShortcuts("{}"), PresetShortcutMap{});
    const PresetShortcutMap map{
        {"Maximize", {0, 0}},
        {"Right Two Thirds", {65535, std::numeric_limits<std::uint64_t>::max()}},
        {"left half", {123, 0x100000}},  // not a raw value, but kept
        {"Ünïcode ⌘", {1, 2}},
    };
    const auto json = encodePresetShortcuts(map);
    ASSERT_TRUE(json);
    EXPECT_EQ(decodePresetShortcuts(*json), map);
    EXPECT_EQ(encodePresetShortcuts({{"Left\xff", {1, 2}}}), std::nullopt);
}

TEST(PresetShortcutJson, AnyFaultRejectsTheWholeMap) {
    const std::string good = R"("Maximize":{"keyCode":1,"modifiers":2})";
    std::vector<std::string> bad{"",
                                 "[]",
                                 "null",
                                 "\"{}\"",
                                 "{",
                                 "{}}",
                                 "{\"a\":{\"keyCode\":1,}",
                                 "{\"\xff\":{\"keyCode\":1,\"modifiers\":2}}"};
    for (const char* entry : {
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
         })
        bad.push_back("{" + good + "," + entry + "}");
    for (const auto& json : bad) EXPECT_EQ(decodePresetShortcuts(json), std::nullopt) << json;
}

}  // namespace
}  // namespace vantrel
