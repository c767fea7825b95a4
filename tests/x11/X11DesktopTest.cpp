// The X11 backend against a real window manager, through the engine's adapter, beyond what the
// contract suite asks of every backend: application processes, reads right after
// changes, closing, windows that vanish, desktops, launches, threads, a lost server. (Our own
// windows left alone: the end-to-end test's welcome window.)
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "X11Fixture.h"
#include "base/PollLoop.h"
#include "platform/x11/X11Hotkeys.h"

namespace vantrel::testing {
namespace {

// The process is the one the server knows, whatever _NET_WM_PID claims. (Names from installed
// entries: X11Identity, and the launch below.) A title another client changed is read afresh, as
// are frames: the contract (its harness sizes windows with xdotool).
TEST_F(X11DesktopTest, TakesTheProcessFromTheServerAndSeesATitleChangedJustBefore) {
    const auto w =
        open({"--class", "Alpha", "--title", "Before", "--pid", std::to_string(::getpid())});
    const auto app = applicationOf(w);
    ASSERT_TRUE(app.has_value());
    EXPECT_EQ(app->processIdentifier, client(w).process.pid());
    ASSERT_EQ(service_->captureWindows().size(), 1u);
    client(w).process.writeLine("title After");
    ASSERT_TRUE(eventually([&] {
        return XSession::run("xprop -id " + XSession::hex(w) + " _NET_WM_NAME").find("After") !=
               std::string::npos;
    }));
    // The very next capture, with no time for anything to expire, has it.
    const auto states = service_->captureWindows();
    ASSERT_EQ(states.size(), 1u);
    EXPECT_EQ(states[0].windowTitle, "After");
}

// The window that agrees goes (the contract's ClosesAnApplicationPolitely); one that says no stays.
TEST_F(X11DesktopTest, AsksEachWindowToCloseAndNeverKills) {
    const auto stubborn = open({"--class", "Gamma", "--title", "Stubborn", "--refuse-close"});
    EXPECT_TRUE(desktop_->terminate(*applicationOf(stubborn)));
    EXPECT_EQ(client(stubborn).process.readLine(std::chrono::milliseconds{3000}), "close-refused");
    EXPECT_FALSE(client(stubborn).process.waitForExit(std::chrono::milliseconds{200}));
    EXPECT_NE(element(stubborn), nullptr);
}

TEST_F(X11DesktopTest, AWindowThatVanishesIsAFailedReadNotACrash) {
    std::vector<xcb_window_t> ids;
    for (int i = 0; i < 6; ++i)
        ids.push_back(open({"--class", "Vanish", "--title", "V" + std::to_string(i), "--geometry",
                            "300x200+" + std::to_string(50 + 60 * i) + "+100"}));
    const Element gone = element(ids[0]);
    // Windows close one by one while captures run.
    std::thread closer([&] {
        for (auto id : ids) client(id).process.writeLine("quit");
    });
    for (int i = 0; i < 20; ++i) (void)service_->captureWindows();
    closer.join();
    EXPECT_TRUE(eventually([&] {
        return desktop_->copyAttribute(gone, attribute::kPosition).error ==
               AXError::invalidUIElement;
    }));
    EXPECT_EQ(desktop_->setAttribute(gone, attribute::kPosition, Point{10, 10}),
              AXError::invalidUIElement);
    EXPECT_EQ(desktop_->setAttribute(gone, attribute::kMinimized, true), AXError::invalidUIElement);
    EXPECT_TRUE(eventually([&] { return service_->captureWindows().empty(); }));
}

TEST_F(X11DesktopTest, FollowsTheCurrentDesktop) {
    open({"--class", "Alpha", "--title", "Here"});
    const auto there = open({"--class", "Beta", "--title", "There"});
    XSession::run("wmctrl -i -r " + XSession::hex(there) + " -t 1");
    ASSERT_TRUE(eventually([&] {
        const auto spaces = parseSpaces(desktop_->spacesDisplayConfiguration());
        return spaces.size() >= 2 && spaces[1].windowNumbers == std::vector<std::uint32_t>{there};
    }));
    EXPECT_EQ(desktop_->currentSpaceIndex(), 1);
    int changes = 0;
    const Subscription watch = desktop_->observeSpaceChanges([&] { ++changes; });
    XSession::run("wmctrl -s 1");
    EXPECT_TRUE(pumpUntil([&] { return changes > 0; }));
    EXPECT_TRUE(eventually([&] { return desktop_->currentSpaceIndex() == 2; }));
    // Bringing a window to the current desktop: the end-to-end test's workspace prompt.
}

// Each new application once, through the main loop watching the connection.
TEST_F(X11DesktopTest, AnnouncesEachNewApplicationOnceOnTheMainLoop) {
    PollLoop poll(clock_);
    X11Desktop desktop(log_, poll, clock_);
    ASSERT_TRUE(desktop.connect().ok());
    const Subscription watch = desktop.watchEvents(poll);
    std::vector<std::string> launched;
    const Subscription observation = desktop.observeAppLaunches([&](const native::App& app) {
        EXPECT_TRUE(poll.isMainThread());
        launched.push_back(app.id.value_or("?"));
        if (launched.size() == 2) poll.quit();
    });
    open({"--class", "Launched", "--title", "L1"});
    open({"--class", "Launched", "--title", "L2"});
    open({"--class", "Other", "--title", "O"});
    poll.runFor(std::chrono::seconds{10});
    EXPECT_EQ(launched, (std::vector<std::string>{"Launched", "Other"}));
}

TEST_F(X11DesktopTest, LaunchesOnlyInstalledEntries) {
    const auto location = desktop_->applicationLocation("vantrel-test-delta");
    ASSERT_TRUE(location.has_value());
    EXPECT_FALSE(desktop_->applicationLocation("vantrel-not-installed").has_value());
    EXPECT_FALSE(desktop_->openApplication("/bin/sh", false).ok());
    const auto launched = desktop_->openApplication(*location, false);
    ASSERT_TRUE(launched.ok()) << launched.error().message;
    EXPECT_EQ(launched->bundleID, "vantrel-test-delta");
    EXPECT_EQ(launched->localizedName, "Delta Test");
    EXPECT_TRUE(desktop_->terminate(*launched));  // not ours to start by hand: closed politely

    // A launch that started but shows no window in time has still started.
    X11Options impatient;
    impatient.launcher = &launcher_;
    impatient.launchTimeout = Duration{0};
    X11Desktop desktop(log_, loop_, clock_, impatient);
    ASSERT_TRUE(desktop.connect().ok());
    const auto running = [&]() -> std::optional<native::App> {
        for (const auto& app : desktop.snapshot()->apps)
            if (app.id == "vantrel-test-delta") return app;
        return std::nullopt;
    };
    ASSERT_TRUE(eventually([&] { return !running(); }));
    const auto slow = desktop.launch(*location, false);
    ASSERT_TRUE(slow.ok()) << slow.error().message;
    EXPECT_EQ(slow->id, "vantrel-test-delta");
    ASSERT_TRUE(eventually([&] { return running().has_value(); }));
    // A window manager may drop a close that arrives while it still sets a new window up: ask
    // until it is gone.
    EXPECT_TRUE(eventually([&] {
        const auto opened = running();
        return !opened || !desktop.closeApplication(opened->handle);
    }));
    EXPECT_TRUE(eventually([&] { return !running(); }));
}

TEST_F(X11DesktopTest, ServesTheRestoreWorkerAndTheMainThreadTogether) {
    const auto w = open({"--class", "Alpha", "--title", "Shared", "--geometry", "400x300+100+100"});
    const Element window = element(w);
    std::atomic<bool> done{false};
    // The worker places the window back and forth while the main thread reads events.
    std::thread worker([&] {
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(desktop_->setAttribute(window, attribute::kPosition,
                                             Point{i % 2 == 0 ? 500.0 : 200.0, 150}),
                      AXError::success);
            (void)service_->captureWindows();
        }
        done = true;
    });
    while (!done) {
        x11_->processEvents();
        (void)desktop_->windowList();
        loop_.runPending();
    }
    worker.join();
    EXPECT_EQ(session_->geometry(w).frameX(), 200);
}

// A backend that lost its X server fails every call cleanly; the desktop and the hotkeys each
// report the loss once, on the main loop.
TEST(X11DesktopWithoutTheServer, ReportsALossOnceAndFailsCleanly) {
    std::string error;
    auto session = XSession::start("", error);
    ASSERT_NE(session, nullptr) << error;
    auto window = session->openWindow({"--class", "Alpha", "--title", "Doomed"});
    ASSERT_TRUE(window.has_value());
    MemoryLog log;
    ManualLoop loop;
    SystemClock clock;
    X11Desktop desktop(log, loop, clock);
    X11Hotkeys hotkeys(log, loop);
    ASSERT_TRUE(desktop.connect().ok());
    ASSERT_TRUE(hotkeys.connect().ok());
    int desktopLost = 0;
    int hotkeysLost = 0;
    const Subscription a = desktop.onConnectionLost([&] {
        EXPECT_TRUE(loop.isMainThread());
        ++desktopLost;
    });
    const Subscription b = hotkeys.onConnectionLost([&] { ++hotkeysLost; });
    ASSERT_TRUE(eventually([&] { return desktop.snapshot()->window(window->window) != nullptr; }));

    session.reset();  // the X server goes away
    EXPECT_TRUE(eventually([&] {
        desktop.processEvents();
        hotkeys.processEvents();
        loop.runPending();
        return desktopLost > 0 && hotkeysLost > 0;
    }));
    EXPECT_FALSE(desktop.capabilities().canMove);
    const auto snapshot = desktop.snapshot();
    EXPECT_TRUE(snapshot->apps.empty() && snapshot->windows.empty());
    EXPECT_EQ(desktop.placeWindows({{window->window, Point{1, 1}, std::nullopt}}),
              std::vector{native::PlaceResult::refused});
    EXPECT_EQ(desktop.setMinimized(window->window, true), native::PlaceResult::refused);
    EXPECT_EQ(desktop.fileDescriptor(), -1);
    EXPECT_EQ(hotkeys.registerHotkey(0, 0, HotkeyID{1, 1}).status, hotkey_status::kInvalidHotkey);
    EXPECT_EQ(hotkeys.fileDescriptor(), -1);
    loop.runPending();
    EXPECT_EQ(desktopLost, 1);
    EXPECT_EQ(hotkeysLost, 1);
    auto lines = log.lines();
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"X11Desktop: Lost the connection to the X server",
                                               "X11Hotkeys: Lost the connection to the X server"}));
}

}  // namespace
}  // namespace vantrel::testing
