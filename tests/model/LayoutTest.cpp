// The layout records: shortcut texts, display keys and signatures, equality and hashing.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "model/ShortcutText.h"
#include "model/WindowLayout.h"

namespace vantrel {
namespace {

DisplayInfo display(std::uint32_t id, double width, double height, bool isMain = false) {
    return DisplayInfo{id, 0, 0, width, height, isMain, std::nullopt};
}

TEST(ShortcutText, ModifiersInFixedOrderThenTheLabelOrTheKeysName) {
    using namespace modifier;
    const struct {
        std::uint16_t key;
        std::uint64_t flags;
        const char* label;
        const char* text;
    } cases[] = {
        {18, kControl | kOption, "", "Ctrl+Alt+1"},
        {6, kCommand | kShift | kOption | kControl, "", "Ctrl+Alt+Shift+Super+Z"},
        // Bits other than the four modifiers (caps lock, function key) are not shown.
        {29, kCommand | 0x10000 | 0x800000, "", "Super+0"},
        // Every key the recorder takes has a name: arrows, function and special keys too.
        {123, kControl | kOption, "", "Ctrl+Alt+Left"},
        {96, 0, "", "F5"},
        {49, kCommand, "", "Super+Space"},
        {121, kOption, "", "Alt+Page Down"},
        {10, kControl, "", "Ctrl+?"},
        // The user's keyboard layout names the key: the Y position on a German keyboard.
        {16, kControl | kOption, "Z", "Ctrl+Alt+Z"},
    };
    for (const auto& c : cases) EXPECT_EQ(shortcutText(c.key, c.flags, c.label), c.text) << c.key;
    std::set<std::string> names;
    for (std::uint16_t code = 0; code < 128; ++code)
        if (keyName(code) != "?") names.insert(keyName(code));
    EXPECT_EQ(names.size(), 73u);  // no two keys share a name
    EXPECT_EQ(keyName(65535), "?");
}

TEST(DisplayConfiguration, IdentifierSortsByIdAndTruncatesSizesKeepingListOrderOnTies) {
    const DisplayConfiguration config{{display(5, 1920.7, 1080), display(2, 2560, 1440)}};
    EXPECT_EQ(config.identifier(), "2:2560x1440|5:1920x1080");
    EXPECT_EQ(DisplayConfiguration{}.identifier(), "");
    const DisplayConfiguration twins{{display(1, 800, 600), display(1, 1024, 768)}};
    EXPECT_EQ(twins.identifier(), "1:800x600|1:1024x768");
    // Odd lengths from a file still give whole numbers.
    const DisplayConfiguration odd{{display(1, -0.5, 1e20), display(2, -1919.9, 0.999)}};
    EXPECT_EQ(odd.identifier(), "1:0x100000000000000000000|2:-1919x0");
}

TEST(DisplayConfiguration, SizeSignatureMainFirstThenLargerFirstIgnoringIds) {
    const DisplayConfiguration mainSmall{{display(5, 1920.7, 1080, true), display(2, 2560, 1440)}};
    EXPECT_EQ(mainSmall.sizeSignature(), "2:1920x1080|2560x1440");
    const DisplayConfiguration noMain{{display(5, 1920.7, 1080), display(2, 2560, 1440)}};
    EXPECT_EQ(noMain.sizeSignature(), "2:2560x1440|1920x1080");
    EXPECT_EQ(DisplayConfiguration{}.sizeSignature(), "0:");
    // Equal areas keep their list order.
    const DisplayConfiguration rotated{{display(1, 1080, 1920), display(2, 1920, 1080)}};
    EXPECT_EQ(rotated.sizeSignature(), "2:1080x1920|1920x1080");
    // The same sizes on other displays share only the signature.
    const DisplayConfiguration office{{display(1, 1512, 982, true), display(7, 2560, 1440)}};
    const DisplayConfiguration home{{display(1, 1512, 982, true), display(9, 2560, 1440)}};
    EXPECT_EQ(office.sizeSignature(), home.sizeSignature());
    EXPECT_NE(office.identifier(), home.identifier());
}

WindowLayout sampleLayout() {
    WindowLayout layout;
    layout.id = *Uuid::parse("3F2504E0-4F89-41D3-9A0C-0305E82C3301");
    layout.name = "Work";
    layout.shortcutKeyCode = 18;
    layout.shortcutModifiers = 0xC0000;
    WindowState window;
    window.appBundleID = "org.example.Editor";
    window.appName = "Editor";
    window.frameY = 25;
    window.frameWidth = 1280;
    window.frameHeight = 775;
    window.relativeFrameX = 0.0;
    layout.windows = {window, window};
    layout.windows[1].windowIndex = 1;
    layout.displayConfiguration = DisplayConfiguration{{display(1, 1280, 800, true)}};
    layout.triggerApps = {"org.example.Editor"};
    layout.createdAt = Date{std::chrono::seconds{1'741'944'413}};
    layout.modifiedAt = layout.createdAt;
    return layout;
}

TEST(LayoutEquality, NegativeZeroEqualsZeroAndHashesAlike) {
    const WindowLayout a = sampleLayout();
    WindowLayout b = a;
    b.windows[0].frameX = -0.0;
    b.windows[0].relativeFrameX = -0.0;
    b.displayConfiguration->displays[0].frameY = -0.0;
    ASSERT_EQ(a, b);
    EXPECT_EQ(std::hash<WindowLayout>{}(a), std::hash<WindowLayout>{}(b));
    EXPECT_EQ(std::hash<WindowState>{}(a.windows[0]), std::hash<WindowState>{}(b.windows[0]));
    EXPECT_EQ(std::hash<DisplayConfiguration>{}(*a.displayConfiguration),
              std::hash<DisplayConfiguration>{}(*b.displayConfiguration));
}

TEST(LayoutEquality, SameIdWithAnyOtherDifferenceIsUnequal) {
    const WindowLayout base = sampleLayout();
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

TEST(LayoutHashing, PresenceAndCountsTakePart) {
    // An absent optional and a present zero, or one list split differently, must not collide.
    WindowState absent;
    WindowState zero;
    zero.windowNumber = 0;
    EXPECT_NE(std::hash<WindowState>{}(absent), std::hash<WindowState>{}(zero));
    WindowLayout joined;
    joined.triggerApps = {"ab"};
    WindowLayout split;
    split.triggerApps = {"a", "b"};
    EXPECT_NE(std::hash<WindowLayout>{}(joined), std::hash<WindowLayout>{}(split));
}

}  // namespace
}  // namespace vantrel
