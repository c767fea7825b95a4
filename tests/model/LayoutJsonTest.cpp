// The layout records and their JSON form: shortcut texts, display keys, equality, strict
// decoding and hostile input.
#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <tuple>

#include "model/LayoutJson.h"
#include "model/ShortcutText.h"
#include "model/WindowLayout.h"

namespace vantrel {
namespace {

using namespace std::chrono_literals;

constexpr std::string_view kExample =
    R"([{"id": "3F2504E0-4F89-41D3-9A0C-0305E82C3301", "name": "Work", "shortcutKeyCode": 18, )"
    R"("shortcutModifiers": 786432, "windows": [{"appBundleID": "org.example.Browser", )"
    R"("appName": "Browser", "windowIndex": 0, "frameX": 0, "frameY": 25, "frameWidth": 1280, )"
    R"("frameHeight": 775, "displayID": 1, "isMinimized": false, "isFullscreen": false, )"
    R"("spaceIndex": 1, "isOnAllSpaces": false, "windowNumber": 4711, "relativeFrameX": 0, )"
    R"("relativeFrameY": 0.03125, "relativeFrameWidth": 1, "relativeFrameHeight": 0.96875}], )"
    R"("displayConfiguration": {"displays": [{"displayID": 1, "frameX": 0, "frameY": 0, )"
    R"("frameWidth": 1280, "frameHeight": 800, "isMain": true}]}, "triggerOnDisplayChange": )"
    R"(false, "triggerApps": [], "launchMissingApps": false, "closeOtherApps": false, )"
    R"("createdAt": "2025-03-14T09:26:53Z", "modifiedAt": "2025-03-14T09:26:53Z"}])";

// A layout object with the required keys only; `extra` is spliced in before the closing brace.
std::string minimalLayout(std::string_view extra = {}) {
    return std::string(
               R"({"id": "3f2504e0-4f89-41d3-9a0c-0305e82c3301", "name": "L", )"
               R"("windows": [], "triggerOnDisplayChange": true, "triggerApps": ["a"], )"
               R"("createdAt": "2025-03-14T09:26:53Z", "modifiedAt": "2025-03-14T09:26:53Z")") +
           std::string(extra) + "}";
}

std::string minimalWindow(std::string_view extra = {}) {
    return std::string(R"({"appBundleID": "b", "appName": "A", "windowIndex": 2, "frameX": 1.5, )"
                       R"("frameY": 2, "frameWidth": 3, "frameHeight": 4, "displayID": 5, )"
                       R"("isMinimized": false, "isFullscreen": true)") +
           std::string(extra) + "}";
}

// A layout file holding one minimal layout with `extra` spliced in.
std::string fileWith(std::string_view extra) {
    return "[" + minimalLayout(extra) + "]";
}

std::string decodeError(std::string_view text) {
    const auto result = decodeLayoutFile(text);
    return result ? "(decoded)" : result.error().message;
}

Date day(int year, unsigned month, unsigned dayOfMonth) {
    return std::chrono::sys_days{std::chrono::year{year} / std::chrono::month{month} /
                                 std::chrono::day{dayOfMonth}};
}

TEST(LayoutFileJson, DecodesTheExampleDocumentAndReEncodesEveryKeyValueInOrder) {
    const auto decoded = decodeLayoutFile(kExample);
    ASSERT_TRUE(decoded) << decoded.error().message;
    ASSERT_EQ(decoded->size(), 1u);
    const WindowLayout& layout = decoded->front();
    EXPECT_EQ(layout.id.toString(), "3F2504E0-4F89-41D3-9A0C-0305E82C3301");
    EXPECT_EQ(layout.createdAt, day(2025, 3, 14) + 9h + 26min + 53s);

    const auto encoded = encodeLayoutFile(*decoded);
    ASSERT_TRUE(encoded);
    // ordered_json compares objects member by member in order.
    EXPECT_EQ(nlohmann::ordered_json::parse(*encoded), nlohmann::ordered_json::parse(kExample));
    // Indented one key a line, each closing bracket on a line of its own.
    EXPECT_NE(encoded->find("\n    \"name\": \"Work\",\n    \"shortcutKeyCode\": 18,\n"),
              std::string::npos)
        << *encoded;
    EXPECT_TRUE(encoded->ends_with("Z\"\n  }\n]\n")) << *encoded;
}

TEST(LayoutFileJson, MissingOrNullOptionalKeysTakeTheirDefaultsAndUnknownKeysAreIgnored) {
    const auto decoded = decodeLayoutFile(fileWith(R"(, "closeOtherApps": null)"));
    ASSERT_TRUE(decoded) << decoded.error().message;
    const WindowLayout& layout = decoded->front();
    EXPECT_FALSE(layout.shortcutKeyCode || layout.shortcutModifiers || layout.displayConfiguration);
    EXPECT_FALSE(layout.launchMissingApps || layout.closeOtherApps || layout.restoreAtLogin);
    const auto json = nlohmann::ordered_json::parse(*encodeJson(layout));
    // Restore at log-in is written only when set, so files stay as older versions wrote them.
    EXPECT_FALSE(json.contains("shortcutKeyCode") || json.contains("shortcutModifiers") ||
                 json.contains("displayConfiguration") || json.contains("restoreAtLogin"));
    EXPECT_EQ(json["launchMissingApps"], false);
    EXPECT_EQ(json["closeOtherApps"], false);
    WindowLayout marked = layout;
    marked.restoreAtLogin = true;
    const auto again = decodeLayoutFile("[" + *encodeJson(marked) + "]");
    ASSERT_TRUE(again) << again.error().message;
    EXPECT_EQ(again->front(), marked);

    const auto window = decodeWindowState(minimalWindow(
        R"(, "windowTitle": null, "spaceIndex": null, "isOnAllSpaces": null, "future": )"
        R"({"nested": [1, {"deep": [null, true]}]}, "relativeFrameX": null)"));
    ASSERT_TRUE(window) << window.error().message;
    EXPECT_EQ(*window, *decodeWindowState(minimalWindow()));
}

// Every refused document: the message says what is wrong and where, and nothing is read.
TEST(LayoutFileJson, FailuresSayWhatAndWhere) {
    const std::string window = minimalWindow();
    const std::string twoWindows =
        R"(, "windows": [)" + window + ", " + window + ", " +
        R"({"appBundleID": "b", "appName": "A", "windowIndex": 2, "frameY": 2})" + "]";
    // Records never nest arrays in arrays, so the reader stops at the first unexpected one;
    // unknown keys are skipped, but not without a bound either.
    const std::string deep(100'000, '[');
    std::string unterminated = "[" + minimalLayout(R"(, "name": ")");
    unterminated.append(50'000'000, 'a');
    const std::pair<std::string, std::string> cases[] = {
        {"[" + minimalLayout() + ", " + minimalLayout(twoWindows) + "]",
         R"(layout 1: windows[2]: missing key "frameX")"},
        {R"([{"id": "3F2504E0-4F89-41D3-9A0C-0305E82C3301"}])", R"(layout 0: missing key "name")"},
        {fileWith(R"(, "name": 5)"), "layout 0: name: expected a string, found a number"},
        {fileWith(R"(, "name": null)"), "layout 0: name: expected a string, found null"},
        {fileWith(R"(, "id": "not-a-uuid")"),
         R"(layout 0: id: not a UUID such as "3F2504E0-4F89-41D3-9A0C-0305E82C3301")"},
        {fileWith(R"(, "createdAt": "2025-03-14 09:26:53")"),
         R"(layout 0: createdAt: not a date-time such as "2025-03-14T09:26:53Z")"},
        {fileWith(R"(, "triggerApps": ["a", 7])"),
         "layout 0: triggerApps[1]: expected a string, found a number"},
        {fileWith(R"(, "windows": {})"), "layout 0: windows: expected an array, found an object"},
        {fileWith(R"(, "displayConfiguration": {"displays": [{"displayID": 1}]})"),
         R"(layout 0: displayConfiguration: displays[0]: missing key "frameX")"},
        {fileWith(R"(, "shortcutKeyCode": 65536)"),
         "layout 0: shortcutKeyCode: out of range (0 to 65535)"},
        {R"({"layouts": []})", "expected an array of layouts, found an object"},
        {"[1]", "layout 0: expected an object, found a number"},
        {"", "line 1, column 1: unexpected end of the document"},
        {"[] []", "line 1, column 4: unexpected text after the document"},
        {"[\n" + minimalLayout() + ",\n]",
         "layout 1: line 3, column 1: expected a value, found ']'"},
        {"[" + minimalLayout().substr(0, 30),
         "layout 0: id: line 1, column 32: unterminated string"},
        {deep, "layout 0: expected an object, found an array"},
        {fileWith(", \"x\": " + deep + std::string(100'000, ']')),
         "layout 0: line 1, column 273: nesting deeper than 64 levels"},
        {fileWith(R"(, "name": )" + std::string(1'000'000, '9')),
         "layout 0: name: expected a string, found a number"},
        {unterminated, "layout 0: name: line 1, column 50000216: unterminated string"},
        {std::string(kMaxLayoutFileBytes + 1, ' '),
         "the document is too large (67108865 bytes, the limit is 67108864)"},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(decodeError(text), message) << text.substr(0, 200);
    auto noFullscreen = nlohmann::ordered_json::parse(window);
    noFullscreen.erase("isFullscreen");
    EXPECT_EQ(decodeWindowState(noFullscreen.dump()).error().message,
              "missing key \"isFullscreen\"");
    EXPECT_EQ(decodeDisplayConfiguration("{}").error().message, "missing key \"displays\"");
}

// One window read with `extra` keys: its index, display, x and title, or why it was refused.
std::string windowWith(const std::string& extra) {
    const auto window = decodeWindowState(minimalWindow(", " + extra));
    if (!window) return window.error().message;
    std::ostringstream out;
    out.precision(17);
    out << window->windowIndex << " " << window->displayID << " " << window->frameX << " "
        << window->windowTitle.value_or("-");
    return out.str();
}

// Numbers must fit their field; strings are strict UTF-8 and their escapes are decoded.
TEST(LayoutFileJson, ValuesMustFitTheirField) {
    const std::string int64Range = "out of range (-9223372036854775808 to 9223372036854775807)";
    const std::string utf8 = "windowTitle: line 1, column 195: invalid UTF-8 in a string";
    const std::vector<std::pair<std::string, std::string>> cases{
        // A whole number written as a float (as some JSON writers do) is still that number.
        {R"("windowIndex": 7.0)", "7 5 1.5 -"},
        {R"("windowIndex": 700e-2)", "7 5 1.5 -"},
        {R"("windowIndex": -0.0)", "0 5 1.5 -"},
        {R"("windowIndex": -9223372036854775808)", "-9223372036854775808 5 1.5 -"},
        {R"("windowIndex": 7.5)", "windowIndex: not a whole number"},
        {R"("windowIndex": 1e-99999999999)", "windowIndex: not a whole number"},
        {R"("windowIndex": 9223372036854775808)", "windowIndex: " + int64Range},
        {R"("windowIndex": 1e99999999999)", "windowIndex: " + int64Range},
        {R"("windowIndex": "7")", "windowIndex: expected a number, found a string"},
        {R"("displayID": -1)", "displayID: out of range (0 to 4294967295)"},
        {R"("frameX": 1e400)", "frameX: number out of range"},
        {R"("frameX": 123456789012345678901234567890)", "2 5 1.2345678901234568e+29 -"},
        {R"("windowTitle": "caf\u00e9 \ud83d\ude00 \"q\" \/ ✓")", "2 5 1.5 café 😀 \"q\" / ✓"},
        {"\"windowTitle\": \"\xC3\"", utf8},
        {"\"windowTitle\": \"\xC0\xAF\"", utf8},
        {"\"windowTitle\": \"\xED\xA0\x80\"", utf8},
        {"\"windowTitle\": \"\xF4\x90\x80\x80\"", utf8},
        {R"("windowTitle": "\ud83d")",
         "windowTitle: line 1, column 195: unpaired surrogate in a string"},
        {"\"windowTitle\": \"a\tb\"",
         "windowTitle: line 1, column 196: control character in a string"},
    };
    for (const auto& [extra, expected] : cases) EXPECT_EQ(windowWith(extra), expected) << extra;

    const auto modifiers =
        decodeWindowLayout(minimalLayout(R"(, "shortcutModifiers": 18446744073709551615)"));
    ASSERT_TRUE(modifiers);
    EXPECT_EQ(modifiers->shortcutModifiers, 18446744073709551615u);
    // Large but valid values still pass.
    const std::string name(8'000'000, 'n');
    const auto layout = decodeWindowLayout(minimalLayout(R"(, "name": ")" + name + "\""));
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->name.size(), name.size());
}

// Invalid UTF-8 in a record is mended on writing, other text escaped; a non-finite number cannot
// be written.
TEST(LayoutFileJson, WritingMendsInvalidUtf8AndRefusesNonFiniteNumbers) {
    WindowState window;
    window.windowTitle = std::string("bad \xFF\xC3 \"end\"\\\n\x01");
    const auto back = decodeWindowState(*encodeJson(window));
    ASSERT_TRUE(back) << back.error().message;
    EXPECT_EQ(back->windowTitle, "bad \uFFFD\uFFFD \"end\"\\\n\x01");
    WindowLayout layout;
    layout.windows.resize(3);
    layout.windows[2].relativeFrameY = std::numeric_limits<double>::infinity();
    const auto text = encodeLayoutFile({WindowLayout{}, layout});
    ASSERT_FALSE(text);
    EXPECT_EQ(text.error().message, "layout 1: windows[2]: relativeFrameY: not a finite number");
}

TEST(Dates, WrittenInWholeUtcSecondsAndReadInTheInternetForm) {
    const Date date = day(2025, 3, 14) + 9h + 26min + 53s;
    EXPECT_EQ(formatDate(date + 999ms), "2025-03-14T09:26:53Z");
    EXPECT_EQ(formatDate(Date{} - 500ms), "1969-12-31T23:59:59Z");

    WindowLayout layout;
    layout.createdAt = date + 250ms;
    layout.modifiedAt = date;
    const auto back = decodeWindowLayout(*encodeJson(layout));
    ASSERT_TRUE(back);
    EXPECT_NE(*back, layout);
    EXPECT_EQ(back->createdAt, date);
    for (const char* same :
         {"2025-03-14T09:26:53Z", "2025-03-14t09:26:53z", "2025-03-14T09:26:53.987654321Z",
          "2025-03-14T10:56:53+01:30", "2025-03-14T04:26:53-05:00"})
        EXPECT_EQ(parseDate(same), date) << same;
    EXPECT_EQ(parseDate("2016-12-31T23:59:60Z"), day(2017, 1, 1));
    EXPECT_EQ(parseDate("2024-02-29T00:00:00Z"), day(2024, 2, 29));
    for (const char* bad :
         {"", "2025-03-14", "2025-03-14T09:26:53", "2025-03-14 09:26:53Z", "2025-03-14T09:26Z",
          "2025-3-14T09:26:53Z", "2025-02-29T00:00:00Z", "2025-03-14T24:00:00Z",
          "2025-03-14T09:60:00Z", "2025-03-14T09:26:53.Z", "2025-03-14T09:26:53+0100",
          "2025-03-14T09:26:53+24:00", "2025-03-14T09:26:53ZZ", "+2025-03-14T09:26:53Z",
          "2300-01-01T00:00:00Z", "1600-01-01T00:00:00Z"})
        EXPECT_EQ(parseDate(bad), std::nullopt) << bad;
}

DisplayInfo display(std::uint32_t id, double width, double height, bool isMain = false) {
    return DisplayInfo{id, 0, 0, width, height, isMain, std::nullopt};
}

TEST(ShortcutText, ModifiersInFixedOrderThenTheLabelOrTheKeysName) {
    using namespace modifier;
    const std::tuple<std::uint16_t, std::uint64_t, const char*, const char*> cases[] = {
        {18, kControl | kOption, "", "Ctrl+Alt+1"},
        {6, kCommand | kShift | kOption | kControl, "", "Ctrl+Alt+Shift+Super+Z"},
        // Bits other than the four modifiers (caps lock, function key) are not shown.
        {29, kCommand | 0x10000 | 0x800000, "", "Super+0"},
        // Keys other than characters have names too; a code without one shows as "?".
        {123, kControl | kOption, "", "Ctrl+Alt+Left"},
        {10, kControl, "", "Ctrl+?"},
        // The user's keyboard layout names the key: the Y position on a German keyboard.
        {16, kControl | kOption, "Z", "Ctrl+Alt+Z"},
    };
    for (const auto& [key, flags, label, text] : cases)
        EXPECT_EQ(shortcutText(key, flags, label), text) << key;
}

// The identifier sorts by id; the size signature puts the main display first, then larger
// before smaller, without ids. Ties keep their list order.
TEST(DisplayConfiguration, IdentifierAndSizeSignature) {
    const std::tuple<std::vector<DisplayInfo>, const char*, const char*> cases[] = {
        {{display(5, 1920.7, 1080, true), display(2, 2560, 1440)},
         "2:2560x1440|5:1920x1080",
         "2:1920x1080|2560x1440"},
        {{display(5, 1920.7, 1080), display(2, 2560, 1440)},
         "2:2560x1440|5:1920x1080",
         "2:2560x1440|1920x1080"},
        {{}, "", "0:"},
        {{display(1, 800, 600), display(1, 1024, 768)},
         "1:800x600|1:1024x768",
         "2:1024x768|800x600"},
        {{display(2, 1080, 1920), display(1, 1920, 1080)},
         "1:1920x1080|2:1080x1920",
         "2:1080x1920|1920x1080"},
        // Odd lengths from a file still give whole numbers.
        {{display(1, -0.5, 1e20), display(2, -1919.9, 0.999)},
         "1:0x100000000000000000000|2:-1919x0",
         "2:-1919x0|0x100000000000000000000"},
    };
    for (const auto& [displays, identifier, signature] : cases) {
        EXPECT_EQ(DisplayConfiguration{displays}.identifier(), identifier);
        EXPECT_EQ(DisplayConfiguration{displays}.sizeSignature(), signature) << identifier;
    }
}

// The example document's layout with a second window and a trigger application.
WindowLayout sampleLayout() {
    WindowLayout layout = decodeLayoutFile(kExample).value().front();
    layout.windows.push_back(layout.windows[0]);
    layout.windows[1].windowIndex = 1;
    layout.triggerApps = {"org.example.Editor"};
    return layout;
}

TEST(LayoutEquality, NegativeZeroEqualsZeroAndSameIdWithAnyOtherDifferenceIsUnequal) {
    const WindowLayout base = sampleLayout();
    WindowLayout b = base;
    b.windows[0].frameX = -0.0;
    b.windows[0].relativeFrameX = -0.0;
    b.displayConfiguration->displays[0].frameY = -0.0;
    ASSERT_EQ(base, b);
    EXPECT_EQ(std::hash<WindowLayout>{}(base), std::hash<WindowLayout>{}(b));
    std::vector<std::function<void(WindowLayout&)>> changes{
        [](WindowLayout& l) { l.name = "Home"; },
        [](WindowLayout& l) { l.shortcutModifiers.reset(); },
        [](WindowLayout& l) { std::swap(l.windows[0], l.windows[1]); },
        [](WindowLayout& l) { l.windows[1].windowTitle = ""; },
        [](WindowLayout& l) { l.displayConfiguration.reset(); },
        [](WindowLayout& l) { l.displayConfiguration->displays[0].name = "Built-in"; },
        [](WindowLayout& l) { l.triggerApps.push_back("x"); },
        [](WindowLayout& l) { l.closeOtherApps = true; },
        [](WindowLayout& l) { l.restoreAtLogin = true; },
        [](WindowLayout& l) { l.modifiedAt += std::chrono::nanoseconds{1}; },
    };
    const std::size_t baseHash = std::hash<WindowLayout>{}(base);
    for (std::size_t i = 0; i < changes.size(); ++i) {
        WindowLayout changed = base;
        changes[i](changed);
        EXPECT_NE(changed, base) << "change " << i;
        EXPECT_NE(std::hash<WindowLayout>{}(changed), baseHash) << "change " << i;
    }
}

}  // namespace
}  // namespace vantrel
