// Whole-application scenarios: start-up, a hotkey, a display, a launch, onboarding and quitting.
#include <gtest/gtest.h>

#include "AppHarness.h"
#include "platform/api/Backend.h"

namespace vantrel::testing {
namespace {

constexpr const char* kDual = "1920x1080+0+0P,1280x1024+1920+0";
constexpr std::uint64_t kCmdOpt = modifier::kCommand | modifier::kOption;
constexpr std::uint32_t kCmdOptMask = 0x900;

class AppScenarioTest : public ::testing::Test {
  protected:
    AppHarness h;
    SimWindowId live = 0;
    WindowLayout byHotkey =
        namedLayout("Hotkey", {windowState("org.example.Editor", 0, {10, 20, 500, 400})});
    WindowLayout byDisplay =
        namedLayout("Display", {windowState("org.example.Editor", 0, {30, 40, 600, 500})});
    WindowLayout byLaunch =
        namedLayout("Launch", {windowState("org.example.Editor", 0, {50, 60, 700, 600})});
    SimAppId mail = 0;

    void SetUp() override {
        h.desktop.setScreens("1920x1080+0+0P");
        const auto editor = h.desktop.addApplication(
            SimApp{"org.example.Editor", "Editor", 10, native::AppRole::regular, false, false});
        SimWindow w;
        w.title = "doc";
        w.position = {0, 0};
        w.size = {400, 300};
        live = h.desktop.addWindow(editor, w);
        mail = h.desktop.addApplication(
            SimApp{"org.example.Mail", "Mail", 20, native::AppRole::regular, false, true}, false);

        byHotkey.shortcutKeyCode = 18;
        byHotkey.shortcutModifiers = kCmdOpt;
        byDisplay.triggerOnDisplayChange = true;
        byDisplay.displayConfiguration = displays(kDual);
        byLaunch.triggerApps = {"org.example.Mail"};
        h.writeLayoutFile({byHotkey, byDisplay, byLaunch});
    }

    // Launches and lets the permission check settle.
    AppDelegate& launchAndSettle(LaunchHooks hooks = {}) {
        auto& app = h.launch(std::move(hooks));
        h.loop.runPending();
        return app;
    }
};

TEST_F(AppScenarioTest, StartUpRegistersHotkeysBeforeLaunchEndsThenWritesTheSummary) {
    auto& app = h.create();
    EXPECT_EQ(h.hotkeys.registered().size(), 1U);
    h.log.take();
    app.applicationDidFinishLaunching();
    // The summary shows the permission as it is when printed, not as it was before the check.
    EXPECT_EQ(h.log.lines(), (std::vector<std::string>{"Vantrel started", "  - Layouts loaded: 3",
                                                       "  - Accessibility: granted"}));
}

// A layout marked to restore at log-in waits for the window manager, then launches what is
// missing and places the windows; it runs once.
TEST_F(AppScenarioTest, WithoutPermissionStartUpGoesOnAndRestoreAtLogInWaitsForIt) {
    const auto notes = h.desktop.addApplication(
        SimApp{"org.example.Notes", "Notes", 30, native::AppRole::regular, false, true}, false);
    auto atLogin = namedLayout("Desk", {windowState("org.example.Editor", 0, {70, 80, 640, 480}),
                                        windowState("org.example.Notes", 0, {5, 5, 300, 200})});
    atLogin.restoreAtLogin = true;
    h.writeLayoutFile({byHotkey, byDisplay, byLaunch, atLogin});
    h.desktop.setTrusted(false);
    auto& app = launchAndSettle();
    h.loop.advance(10s);
    EXPECT_TRUE(h.log.contains("  - Accessibility: not granted"));
    EXPECT_EQ(h.hotkeys.registered().size(), 1U);
    EXPECT_EQ(h.frameOf(live), (Rect{0, 0, 400, 300}));

    h.desktop.setTrusted(true);
    h.loop.advance(30s);
    EXPECT_TRUE(h.log.contains("LoginRestore: Restoring Desk"));
    EXPECT_EQ(h.frameOf(live), (Rect{70, 80, 640, 480}));
    EXPECT_EQ(h.desktop.callCount("launch org.example.Notes"), 1U);
    EXPECT_TRUE(h.desktop.isRunning(notes));
    // The file keeps the layout as the user set it.
    EXPECT_FALSE(app.layoutManager().layouts.get()[3].launchMissingApps);
}

TEST_F(AppScenarioTest, ADisplayAndALaunchRestoreTheirLayoutsAndAfterQuittingNothingTriggers) {
    // The hotkey's restore: AHotkeyRestoreOnTheSerialExecutor.
    auto& app = launchAndSettle();
    h.desktop.setScreens(kDual);
    h.loop.advance(1s);
    EXPECT_EQ(h.frameOf(live), (Rect{30, 40, 600, 500}));

    h.desktop.simulateLaunch(mail);
    h.loop.advance(1s);
    EXPECT_EQ(h.frameOf(live), (Rect{50, 60, 700, 600}));

    // After quitting nothing triggers (the log lines of each trigger: MonitorTest).
    app.applicationWillTerminate();
    const auto linesBefore = h.log.lines().size();
    EXPECT_EQ(h.hotkeys.press(18, kCmdOptMask), hotkey_status::kEventNotHandled);
    h.desktop.setScreens("1920x1080+0+0P");
    h.desktop.setRunning(mail, false);
    h.desktop.simulateLaunch(mail);
    h.loop.advance(2s);
    EXPECT_EQ(h.log.lines().size(), linesBefore);
    EXPECT_EQ(h.frameOf(live), (Rect{50, 60, 700, 600}));
}

// --- The places left for the user interface ------------------------------------------------

TEST_F(AppScenarioTest, LaunchStepsRunInOrderAndTheWelcomeWindowOpensOnFirstRun) {
    std::vector<std::string> steps;
    std::function<void()> onComplete;
    LaunchHooks hooks;
    hooks.installStatusItem = [&] {
        steps.push_back("status item");
        h.desktop.clearCalls();
    };
    hooks.startUpdater = [&] {
        // The permission was asked again between the status item and the updater.
        steps.push_back(h.desktop.callCount("capabilities") == 1 ? "updater" : "updater early");
    };
    hooks.openWelcomeWindow = [&](std::function<void()> done) {
        steps.push_back(h.log.contains("Vantrel started") ? "welcome late" : "welcome");
        onComplete = std::move(done);
    };
    hooks.showPopover = [&] { steps.push_back("popover"); };
    auto& app = h.launch(hooks);
    EXPECT_EQ(steps, (std::vector<std::string>{"status item", "updater", "welcome"}));

    ASSERT_TRUE(onComplete);
    onComplete();
    h.loop.advance(299ms);
    EXPECT_EQ(steps.size(), 3U);
    h.loop.advance(1ms);
    EXPECT_EQ(steps.back(), "popover");

    // The next launch opens no window.
    app.applicationWillTerminate();
    steps.clear();
    h.launch(hooks);
    EXPECT_EQ(steps, (std::vector<std::string>{"status item", "updater"}));
}

// The whole core with the restore and its launch on a real thread (checked by TSan builds).
TEST_F(AppScenarioTest, AHotkeyRestoreOnTheSerialExecutor) {
    SimWindow inbox;
    inbox.size = {300, 200};
    const auto inboxWindow = h.desktop.addWindow(mail, inbox);
    h.desktop.setLaunch(mail, SimLaunch{1s, 2, std::nullopt});
    byHotkey.launchMissingApps = true;
    byHotkey.windows.push_back(windowState("org.example.Mail", 0, {5, 5, 300, 200}));
    h.writeLayoutFile({byHotkey});
    int launchesOnMain = 0;
    auto launches = h.seam.observeApplicationLaunches(
        [&](const RunningApplication&) { launchesOnMain += h.loop.isMainThread() ? 1 : 0; });
    SerialExecutor threads(h.loop);
    auto& app = h.create(&threads);
    h.loop.runPending();
    app.applicationDidFinishLaunching();
    bool finished = false;
    auto observer = app.layoutManager().isRestoring.onDidChange([&](bool value) {
        if (!value) finished = true;
    });
    EXPECT_EQ(h.hotkeys.press(18, kCmdOptMask), hotkey_status::kNoError);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!finished && std::chrono::steady_clock::now() < deadline) {
        h.loop.runPending();
        std::this_thread::yield();
    }
    EXPECT_TRUE(finished);
    EXPECT_EQ(h.frameOf(live), (Rect{10, 20, 500, 400}));
    EXPECT_EQ(h.frameOf(inboxWindow), (Rect{5, 5, 300, 200}));
    EXPECT_EQ(launchesOnMain, 1);
    h.app.reset();  // before the worker it was given
}

// Start-up picks the backend by the kind of session: KWin's bus name is asked only for a Wayland
// session whose desktop names neither KDE nor GNOME.
TEST(SessionType, FromTheVariablesAndKWinOnTheBus) {
    using enum SessionType;
    struct Case {
        const char *type, *wayland, *display, *desktop;
        bool kwinOnBus;
        SessionType want;
        bool asks;
    };
    const Case cases[] = {
        {"x11", "wayland-0", nullptr, "KDE", true, x11, false},
        {nullptr, nullptr, ":0", nullptr, true, x11, false},
        {"tty", nullptr, nullptr, "KDE", true, unknown, false},
        {"", "", "", "", true, unknown, false},
        // Plasma before KWin is on the bus: the KWin backend says what is missing.
        {"wayland", nullptr, ":0", "KDE", false, kdeWayland, false},
        {nullptr, "wayland-0", ":1", "ubuntu:GNOME", true, gnomeWayland, false},
        {"wayland", "wayland-0", ":1", "kde:x-custom", false, kdeWayland, false},
        {"wayland", "wayland-0", ":1", nullptr, true, kdeWayland, true},
        {"tty", "wayland-0", ":1", "sway", false, otherWayland, true},
    };
    for (const auto& c : cases) {
        int asked = 0;
        const auto got = sessionTypeFrom({c.type, c.wayland, c.display, c.desktop}, [&] {
            ++asked;
            return c.kwinOnBus;
        });
        EXPECT_EQ(got, c.want) << (c.type ? c.type : "-") << " " << (c.desktop ? c.desktop : "-");
        EXPECT_EQ(asked, c.asks ? 1 : 0) << (c.desktop ? c.desktop : "-");
    }
}

}  // namespace
}  // namespace vantrel::testing
