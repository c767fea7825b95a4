// The X11 backend against a real window manager, through the engine's adapter: capture,
// placement, closing, windows that vanish, desktops, launches, screens and desktop entries.
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <thread>

#include "X11Fixture.h"
#include "base/NotificationCenter.h"
#include "base/PollLoop.h"
#include "engine/SpaceService.h"
#include "engine/WindowService.h"
#include "platform/x11/X11Hotkeys.h"

namespace vantrel::testing {
namespace {

std::string pidText() {
    return std::to_string(::getpid());
}

TEST_F(X11DesktopTest, CapturesTheWindowsOfSeveralApplications) {
    const auto a1 = open({"--instance", "alpha", "--class", "Alpha", "--title", "Alpha one",
                          "--pid", pidText(), "--geometry", "400x300+100+100"});
    const auto a2 = open({"--instance", "alpha", "--class", "Alpha", "--title", "Alpha two",
                          "--geometry", "500x350+700+120"});
    const auto b = open({"--instance", "beta", "--class", "Beta", "--title", "Beta", "--geometry",
                         "450x320+300+600"});

    const auto states = service_->captureWindows();
    ASSERT_EQ(states.size(), 3u);
    const auto screens = desktop_->screens();
    ASSERT_EQ(screens.screens.size(), 1u);
    const std::uint32_t display = *screens.screens[0].screenNumber;

    struct Expected {
        xcb_window_t window;
        const char* title;
        const char* app;
        std::int64_t index;
        double x, y;
    };
    for (const Expected& e : {Expected{a1, "Alpha one", "Alpha", 0, 100, 100},
                              Expected{a2, "Alpha two", "Alpha", 1, 700, 120},
                              Expected{b, "Beta", "Beta", 0, 300, 600}}) {
        SCOPED_TRACE(e.title);
        const WindowState* state = stateOf(states, e.title);
        ASSERT_NE(state, nullptr);
        EXPECT_EQ(state->appBundleID, e.app);
        EXPECT_EQ(state->windowIndex, e.index);
        // The frame's corner is where the client asked the window manager to put it.
        EXPECT_EQ(state->frameX, e.x);
        EXPECT_EQ(state->frameY, e.y);
        const ToolGeometry tool = session_->geometry(e.window);
        EXPECT_EQ(state->frameX, tool.frameX());
        EXPECT_EQ(state->frameY, tool.frameY());
        EXPECT_EQ(state->frameWidth, tool.frameWidth());
        EXPECT_EQ(state->frameHeight, tool.frameHeight());
        EXPECT_EQ(state->displayID, display);
        EXPECT_EQ(state->windowNumber, std::optional<std::uint32_t>(e.window));
        EXPECT_EQ(state->spaceIndex, std::optional<std::int64_t>(1));
        EXPECT_FALSE(state->isMinimized);
    }
    // Process ids come from the server, whatever the client claims in _NET_WM_PID.
    ASSERT_TRUE(applicationOf(a1) && applicationOf(b));
    EXPECT_EQ(applicationOf(a1)->processIdentifier, client(a1).process.pid());
    EXPECT_EQ(applicationOf(b)->processIdentifier, client(b).process.pid());
}

TEST_F(X11DesktopTest, NamesApplicationsByTheirInstalledEntries) {
    const auto delta = open({"--instance", "delta", "--class", "DeltaWM", "--title", "D"});
    const auto epsilon =
        open({"--instance", "vantrel-test-epsilon", "--class", "Eps", "--title", "E"});
    const auto deltaApp = applicationOf(delta);
    const auto epsilonApp = applicationOf(epsilon);
    ASSERT_TRUE(deltaApp && epsilonApp);
    EXPECT_EQ(deltaApp->bundleID, "vantrel-test-delta");
    EXPECT_EQ(deltaApp->localizedName, "Delta Test");
    EXPECT_EQ(epsilonApp->bundleID, "vantrel-test-epsilon");
}

TEST_F(X11DesktopTest, ACaptureSeesWhatOtherClientsChangedJustBefore) {
    const auto w = open({"--class", "Alpha", "--title", "Before", "--geometry", "400x300+100+100"});
    ASSERT_EQ(service_->captureWindows().size(), 1u);
    // Between captures the application renames its window and the user moves it.
    client(w).process.writeLine("title After");
    ASSERT_TRUE(eventually([&] {
        return XSession::run("xprop -id " + XSession::hex(w) + " _NET_WM_NAME").find("After") !=
               std::string::npos;
    }));
    XSession::run("xdotool windowmove " + XSession::hex(w) + " 900 500");
    ASSERT_TRUE(eventually([&] { return session_->geometry(w).frameX() == 900; }));
    // The very next capture, with no time for anything to expire, has both.
    const auto states = service_->captureWindows();
    ASSERT_EQ(states.size(), 1u);
    EXPECT_EQ(states[0].windowTitle, "After");
    const ToolGeometry tool = session_->geometry(w);
    EXPECT_EQ(states[0].frameX, tool.frameX());
    EXPECT_EQ(states[0].frameY, tool.frameY());
}

TEST_F(X11DesktopTest, AsksEachWindowToCloseAndNeverKills) {
    const auto polite = open({"--class", "Gamma", "--title", "Polite"});
    const auto stubborn = open({"--class", "Gamma", "--title", "Stubborn", "--refuse-close"});
    const auto app = applicationOf(polite);
    ASSERT_TRUE(app.has_value());
    EXPECT_TRUE(desktop_->terminate(*app));
    EXPECT_EQ(client(polite).process.readLine(std::chrono::milliseconds{3000}), "close-requested");
    EXPECT_EQ(client(stubborn).process.readLine(std::chrono::milliseconds{3000}), "close-refused");
    EXPECT_TRUE(client(polite).process.waitForExit(std::chrono::milliseconds{3000}));
    // The one that said no is still there, and still listed.
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
    const auto here = open({"--class", "Alpha", "--title", "Here"});
    const auto there = open({"--class", "Beta", "--title", "There"});
    XSession::run("wmctrl -i -r " + XSession::hex(there) + " -t 1");
    const auto current = [&] {
        const auto found = currentSpace(parseSpaces(desktop_->spacesDisplayConfiguration()),
                                        onScreenWindowNumbers(desktop_->windowList()));
        return found ? found->index : 0;
    };
    ASSERT_TRUE(eventually([&] {
        const auto spaces = parseSpaces(desktop_->spacesDisplayConfiguration());
        return spaces.size() >= 2 && spaces[1].windowNumbers == std::vector<std::uint32_t>{there};
    }));
    EXPECT_EQ(current(), 1);
    EXPECT_EQ(desktop_->currentSpaceIndex(), 1);
    int changes = 0;
    const Subscription watch = desktop_->observeSpaceChanges([&] { ++changes; });
    XSession::run("wmctrl -s 1");
    EXPECT_TRUE(eventually([&] { return current() == 2; }));
    EXPECT_TRUE(pumpUntil([&] { return changes > 0; }));
    EXPECT_EQ(desktop_->currentSpaceIndex(), 2);
    XSession::run("wmctrl -s 0");
    EXPECT_TRUE(eventually([&] { return current() == 1; }));
    // Brought to the current desktop, as the Space prompt promises.
    EXPECT_TRUE(desktop_->moveWindowToCurrentSpace(element(there)));
    EXPECT_TRUE(eventually([&] {
        return XSession::run("xprop -id " + XSession::hex(there) + " _NET_WM_DESKTOP")
                   .find("= 0") != std::string::npos;
    }));
    (void)here;
}

// Our own windows (the menu, Preferences) are this program's, whatever their class says, and
// never a regular application's: not captured, not closed.
TEST_F(X11DesktopTest, OwnWindowsAreNeverARegularApplication) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    ASSERT_EQ(xcb_connection_has_error(c), 0);
    const xcb_window_t own = xcb_generate_id(c);
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, own, screen->root, 100, 100, 400, 300, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    const char wmClass[] = "vantrel\0Vantrel";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, own, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof wmClass, wmClass);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, own, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 11,
                        "Preferences");
    xcb_map_window(c, own);
    xcb_flush(c);
    open({"--class", "Other", "--title", "Other"});
    ASSERT_TRUE(eventually([&] { return applicationOf(own).has_value(); }));
    EXPECT_EQ(applicationOf(own)->bundleID, "vantrel");
    EXPECT_EQ(applicationOf(own)->activationPolicy, ActivationPolicy::accessory);
    const auto states = service_->captureWindows();
    EXPECT_EQ(stateOf(states, "Preferences"), nullptr);
    EXPECT_NE(stateOf(states, "Other"), nullptr);
    xcb_disconnect(c);
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
    // It was not ours to start by hand: close it the polite way.
    EXPECT_TRUE(desktop_->terminate(*launched));

    // A launch that started but shows no window in time has still started.
    X11Options impatient;
    impatient.launcher = &launcher_;
    impatient.launchTimeout = Duration{0};
    X11Desktop desktop(log_, loop_, clock_, impatient);
    ASSERT_TRUE(desktop.connect().ok());
    const auto running = [&]() -> std::optional<native::App> {
        const auto snapshot = desktop.snapshot();
        for (const auto& app : snapshot->apps)
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
            const double x = i % 2 == 0 ? 500 : 200;
            EXPECT_EQ(desktop_->setAttribute(window, attribute::kPosition, Point{x, 150}),
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

TEST(X11DesktopLosingTheServer, ReportsItOnceAndFailsCleanly) {
    char pattern[] = "/tmp/vantrel-x11-lost-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    std::string error;
    auto session = XSession::start(pattern, error);
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
    EXPECT_TRUE(desktop.snapshot()->windows.empty());
    EXPECT_TRUE(desktop.snapshot()->monitors.empty());
    EXPECT_EQ(desktop.placeWindows({{window->window, Point{1, 1}, std::nullopt}}),
              std::vector{native::PlaceResult::refused});
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
    std::filesystem::remove_all(pattern);
}

TEST(X11DesktopWithoutServer, FailsCleanlyBeforeConnecting) {
    MemoryLog log;
    ManualLoop loop;
    X11Desktop desktop(log, loop, loop);
    EXPECT_FALSE(desktop.capabilities().canMove);
    EXPECT_TRUE(desktop.snapshot()->apps.empty());
    EXPECT_EQ(desktop.snapshot()->workspaces.count, 0);
    EXPECT_EQ(desktop.setMinimized(1, true), native::PlaceResult::refused);
    EXPECT_EQ(desktop.fileDescriptor(), -1);
}

}  // namespace
}  // namespace vantrel::testing
