// The triggers: display changes, application launches, and global hotkeys (translation,
// registration order and refusals, ids, rebuilds and presses).
#include <gtest/gtest.h>

#include <thread>
#include <tuple>

#include "AutomationFixture.h"
#include "automation/AppLaunchMonitor.h"
#include "automation/DisplayMonitor.h"
#include "automation/HotkeyService.h"
#include "platform/sim/SimulatedHotkeys.h"

namespace vantrel::testing {
namespace {

constexpr const char* kDual = "1920x1080+0+0P,1280x1024+1920+0";

class MonitorTest : public AutomationTest {
  protected:
    DisplayMonitor displayMonitor{seam, windowService, commands, worker, loop, log};
    AppLaunchMonitor launchMonitor{seam, commands, loop, log};
    SimWindowId live = 0;

    void SetUp() override {
        desktop.setScreens("1920x1080+0+0P");
        live = editorWindow();
    }

    // A layout that puts the editor's window at `frame` when these displays appear.
    static WindowLayout boundTo(const std::string& name, Rect frame, const char* geometry) {
        auto layout = editorLayout(name, frame);
        layout.triggerOnDisplayChange = true;
        layout.displayConfiguration = displays(geometry);
        return layout;
    }
};

// Start finds a layout bound to the displays it starts with and triggers nothing; a burst of
// changes is handled once, 500 ms after the last, restoring the first layout bound to exactly the
// new ones (a layout not bound, or without displays, is no match).
TEST_F(MonitorTest, ABurstOfChangesIsHandledOnceAfterTheDebounceByTheFirstBoundLayout) {
    auto notBound = boundTo("NotBound", {70, 70, 300, 300}, kDual);
    notBound.triggerOnDisplayChange = false;
    auto noDisplays = boundTo("NoDisplays", {70, 70, 300, 300}, kDual);
    noDisplays.displayConfiguration.reset();
    setLayouts({notBound, noDisplays, boundTo("Single", {5, 5, 500, 500}, "1920x1080+0+0P"),
                boundTo("Other", {70, 70, 300, 300}, "1920x1080+0+0P,1280x1000+1920+0"),
                boundTo("First", {10, 20, 500, 400}, kDual),
                boundTo("Second", {50, 60, 600, 500}, kDual)});
    displayMonitor.start();
    loop.advance(1s);
    EXPECT_EQ(displayMonitor.currentConfiguration.get(), displays("1920x1080+0+0P"));
    EXPECT_EQ(frameOf(live), (Rect{0, 0, 400, 300}));
    desktop.setScreens(kDual);
    loop.advance(100ms);
    desktop.setScreens("1920x1080+0+0P");
    loop.advance(100ms);
    desktop.setScreens(kDual);
    loop.advance(499ms);
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(displayMonitor.displayCount.get(), 1);
    loop.advance(1ms);
    loop.runPending();
    EXPECT_EQ(log.lines(),
              (std::vector<std::string>{"DisplayMonitor: Monitor connected (now 2 displays)",
                                        "DisplayMonitor: Found 2 layouts to trigger"}));
    EXPECT_EQ(displayMonitor.displayCount.get(), 2);
    EXPECT_EQ(displayMonitor.currentConfiguration.get(), displays(kDual));
    EXPECT_EQ(frameOf(live), (Rect{10, 20, 500, 400}));
}

// The same count in another size, with a layout bound to it, triggers nothing. Ending the watch, at
// quit, drops a change still waiting out its debounce.
TEST_F(MonitorTest, ChangesWithoutATriggeringLayoutAreOnlyReportedAndEndingTheWatchDropsThem) {
    setLayouts({boundTo("A", {10, 20, 500, 400}, "2560x1440+0+0P")});
    displayMonitor.start();
    desktop.setScreens("2560x1440+0+0P");
    loop.advance(1s);
    EXPECT_EQ(log.take(), std::vector<std::string>{"DisplayMonitor: Display arrangement changed"});
    EXPECT_EQ(displayMonitor.currentConfiguration.get(), displays("2560x1440+0+0P"));

    desktop.setScreens(kDual);
    loop.advance(1s);
    log.take();
    desktop.setScreens("1920x1080+0+0P");
    loop.advance(1s);
    EXPECT_EQ(log.take(),
              std::vector<std::string>{"DisplayMonitor: Monitor disconnected (now 1 displays)"});

    desktop.setScreens(kDual);
    loop.advance(200ms);
    displayMonitor.cancelSubscriptions();
    loop.advance(1s);
    EXPECT_TRUE(log.lines().empty());
}

// Only the whole identifier, in its case, triggers.
TEST_F(MonitorTest, ALaunchRestoresTheFirstListingLayoutAsItWasHalfASecondLater) {
    const auto mail = app("org.example.Mail", 20, false);
    auto other = editorLayout("Other", {70, 70, 300, 300});
    auto first = editorLayout("First", {10, 20, 500, 400});
    auto second = editorLayout("Second", {50, 60, 600, 500});
    other.triggerApps = {"org.example.mail", "org.example", "org.example.Mail.Helper"};
    first.triggerApps = second.triggerApps = {"org.example.Mail"};
    setLayouts({other, first, second});
    launchMonitor.start();

    desktop.simulateLaunch(mail);
    loop.runPending();
    EXPECT_EQ(log.lines(), std::vector<std::string>{
                               "AppLaunchMonitor: App launched org.example.Mail, found 2 layouts "
                               "to trigger"});
    setLayouts({});  // deleted during the wait: the layout as it was is restored
    loop.advance(499ms);
    EXPECT_EQ(frameOf(live), (Rect{0, 0, 400, 300}));
    loop.advance(1ms);
    loop.runPending();
    EXPECT_EQ(frameOf(live), (Rect{10, 20, 500, 400}));
}

// Two layouts that launch each other's trigger: a launch that a triggered restore made itself
// triggers nothing, so they cannot restore one another for ever; the user's next launch does.
TEST_F(MonitorTest, ALaunchMadeByATriggeredRestoreTriggersNothing) {
    const auto a = app("org.example.A", 30, false);
    const auto b = app("org.example.B", 31, false);
    window(a, "a", {0, 0, 100, 100});
    window(b, "b", {0, 0, 100, 100});
    const auto launching = [](const char* name, const char* trigger, const char* other) {
        auto layout = namedLayout(name, {windowState(other, 0, {5, 5, 200, 200})});
        layout.triggerApps = {trigger};
        layout.launchMissingApps = true;
        layout.closeOtherApps = true;
        return layout;
    };
    setLayouts({launching("LA", "org.example.A", "org.example.B"),
                launching("LB", "org.example.B", "org.example.A")});
    launchMonitor.start();
    desktop.simulateLaunch(a);
    loop.advance(30s);
    EXPECT_EQ(desktop.callCount("launch org.example.B"), 1u);
    EXPECT_EQ(desktop.callCount("launch org.example.A"), 0u);
    EXPECT_EQ(log.take(), (std::vector<std::string>{
                              "AppLaunchMonitor: App launched org.example.A, found 1 layouts to "
                              "trigger",
                              "AppLaunchMonitor: App launched org.example.B by the triggered "
                              "restore of LA; not triggering again, to stop a cycle"}));

    desktop.setRunning(b, false);
    desktop.simulateLaunch(b);
    loop.advance(1s);
    EXPECT_EQ(desktop.callCount("launch org.example.A"), 1u);
}

constexpr std::uint64_t kCmdOpt = modifier::kCommand | modifier::kOption;
constexpr std::uint32_t kCmdOptMask = 0x900;

class HotkeyServiceTest : public AutomationTest {
  protected:
    SimulatedHotkeys hotkeys;
    std::optional<HotkeyService> service;

    void startService() {
        service.emplace(hotkeys, manager, commands, preferences, loop, center, log);
        service->start();
    }

    static WindowLayout withShortcut(const std::string& name, std::optional<std::uint16_t> key,
                                     std::optional<std::uint64_t> modifiers = kCmdOpt) {
        auto layout = editorLayout(name, {10, 20, 500, 400});
        layout.shortcutKeyCode = key;
        layout.shortcutModifiers = modifiers;
        return layout;
    }

    std::vector<std::uint32_t> registeredIDs() const {
        std::vector<std::uint32_t> ids;
        for (const auto& r : hotkeys.registered()) ids.push_back(r.id.id);
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    // The log line of a shortcut that does not work, `whose` naming its owner.
    static std::string refusal(const std::string& whose, const std::string& why) {
        return "HotkeyService: The shortcut " + whose + " does not work: " + why;
    }
};

// A bare key would take every "3" typed anywhere: refused; a function key may stand alone. Every
// modifier translates; caps lock, function and other bits are ignored. Names that are no preset
// are kept in the map but register nothing. The earlier registration keeps a contested
// combination, and the others are named.
TEST_F(HotkeyServiceTest, StartRegistersLayoutShortcutsInListOrderThenKnownPresetsNamingRefusals) {
    preferences.setPresetShortcuts({{"Left Half", PresetShortcut{123, kCmdOpt}},
                                    {"Maximize", PresetShortcut{18, kCmdOpt}},
                                    {"Center", PresetShortcut{8, kCmdOpt}},
                                    {"left half", PresetShortcut{1, kCmdOpt}},
                                    {"Diagonal", PresetShortcut{2, kCmdOpt}}});
    const auto every = kCmdOpt | modifier::kControl | modifier::kShift | 0x10000 | 0x800000 | 0x100;
    const auto first = withShortcut("First", 18);
    const auto second = withShortcut("Second", 18);
    setLayouts({first, withShortcut("Every", 21, every), withShortcut("NoMods", 19, std::nullopt),
                withShortcut("Bare", 20, 0), withShortcut("F5", 96, 0), second,
                withShortcut("NoKey", std::nullopt)});
    hotkeys.holdElsewhere(8, kCmdOptMask);
    startService();

    EXPECT_TRUE(hotkeys.handlerInstalled());
    std::vector<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>> registered;
    for (const auto& r : hotkeys.registered())
        registered.emplace_back(r.keyCode, r.modifierMask, r.id.id);
    EXPECT_EQ(registered,
              (decltype(registered){{18, 0x900, 1}, {21, 0x1B00, 2}, {96, 0, 3}, {123, 0x900, 4}}));
    const std::string refused = "HotkeyService: Failed to register hotkey: -9878";
    EXPECT_EQ(
        log.lines(),
        (std::vector<std::string>{
            refusal("3 of the layout Bare", "Add Ctrl, Alt or Super: only F1 to F12 work alone"),
            refused, refusal("Alt+Super+1 of the layout Second", "Used by the layout First"),
            refused,
            refusal("Alt+Super+C of the quick layout Center", "Another program uses this shortcut"),
            refused,
            refusal("Alt+Super+1 of the quick layout Maximize", "Used by the layout First")}));
    EXPECT_EQ(service->nextHotKeyID(), 5U);
    EXPECT_FALSE(service->failureOf(first.id));
    EXPECT_EQ(service->failureOf(second.id)->text(), "Used by the layout First");
    EXPECT_EQ(service->failureOf(PresetLayout::center)->text(),
              "Another program uses this shortcut");
}

// Releasing a combination and taking it again lets a press in between reach another program
// (on X11 the first key xdotool types sends a keyboard notice): kept combinations stay held.
TEST_F(HotkeyServiceTest, RebuildsKeepUnchangedCombinationsAndNeverReuseIds) {
    setLayouts({withShortcut("A", 18), withShortcut("B", 19)});
    startService();
    auto edited = manager.layouts.get()[1];
    edited.name = "B2";
    manager.updateLayout(edited);  // posts "layoutsDidChange"
    hotkeys.changeKeyboard({});
    EXPECT_EQ(registeredIDs(), (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(hotkeys.unregisterCalls(), 0);

    edited.shortcutKeyCode = 20;
    manager.updateLayout(edited);
    preferences.setPresetShortcut(PresetLayout::rightHalf, PresetShortcut{124, kCmdOpt});
    EXPECT_EQ(registeredIDs(), (std::vector<std::uint32_t>{1, 3, 4}));
    EXPECT_EQ(hotkeys.unregisterCalls(), 1);

    service->unregisterAll();
    EXPECT_TRUE(hotkeys.registered().empty());
    service->shortcutsDidChange();
    EXPECT_EQ(registeredIDs(), (std::vector<std::uint32_t>{5, 6, 7}));
}

// A layout's press restores the layout as listed at the press; a preset's places the frontmost
// window. Once the service is gone, no press does anything.
TEST_F(HotkeyServiceTest, APressFromAnyThreadRunsTheActionLaterOnTheMainQueueWithTheCurrentLayout) {
    const auto live = editorWindow();
    setLayouts({withShortcut("A", 18)});
    preferences.setPresetShortcut(PresetLayout::leftHalf, PresetShortcut{123, kCmdOpt});
    startService();
    int status = -1;
    std::thread platform([&] { status = hotkeys.press(18, kCmdOptMask); });
    platform.join();
    EXPECT_EQ(status, hotkey_status::kNoError);
    loop.runPending();
    EXPECT_EQ(frameOf(live), (Rect{10, 20, 500, 400}));

    // Edited without a rebuild: the hotkey still finds the layout by id.
    auto list = manager.layouts.get();
    list[0].windows[0].frameX = 99;
    manager.layouts.set(list);
    EXPECT_EQ(hotkeys.press(18, kCmdOptMask), hotkey_status::kNoError);
    EXPECT_EQ(frameOf(live), (Rect{10, 20, 500, 400}));
    loop.runPending();
    EXPECT_EQ(frameOf(live), (Rect{99, 20, 500, 400}));
    EXPECT_EQ(hotkeys.press(123, kCmdOptMask), hotkey_status::kNoError);
    loop.runPending();
    EXPECT_EQ(frameOf(live), (Rect{0, 0, 720, 900}));

    // Presses without an action are not handled.
    EXPECT_EQ(hotkeys.pressIdentifier(std::nullopt), hotkey_status::kEventNotHandled);
    EXPECT_EQ(hotkeys.pressIdentifier(HotkeyID{kHotkeySignature, 99}),
              hotkey_status::kEventNotHandled);
    // The signature is not compared.
    EXPECT_EQ(hotkeys.pressIdentifier(HotkeyID{0, 1}), hotkey_status::kNoError);

    setLayouts({});  // deleted without a rebuild: the press finds the layout gone
    desktop.clearCalls();
    loop.runPending();
    EXPECT_EQ(desktop.callCount("place "), 0U);
    // Destruction releases everything; queued or later presses do nothing.
    setLayouts({withShortcut("A", 18)});
    service->shortcutsDidChange();
    const auto id = hotkeys.registered()[0].id;
    EXPECT_EQ(hotkeys.press(18, kCmdOptMask), hotkey_status::kNoError);
    service.reset();
    loop.runPending();  // the action queued before the service went away
    EXPECT_EQ(desktop.callCount("place "), 0U);
    EXPECT_TRUE(hotkeys.registered().empty());
    EXPECT_FALSE(hotkeys.handlerInstalled());
    EXPECT_EQ(hotkeys.pressIdentifier(id), hotkey_status::kEventNotHandled);
    // No rebuild follows a change any more.
    manager.saveLayouts();
    EXPECT_TRUE(hotkeys.registered().empty());
}

}  // namespace
}  // namespace vantrel::testing
