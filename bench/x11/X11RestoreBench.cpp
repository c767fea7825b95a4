// Placing windows under a private Xvfb + openbox: what a restore costs beyond its 50 ms gaps, per
// window, and how long a preset hotkey takes from the key press to the window's new frame.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "BenchDesktop.h"
#include "engine/PresetLayoutService.h"
#include "platform/x11/X11Hotkeys.h"

namespace {

using namespace vantrel;
using namespace vantrel::bench;
using testing::eventually;
using testing::XSession;
using Steady = std::chrono::steady_clock;

// Restores some of the windows through the engine, alternately to two layouts so that every window
// moves each time.
void BM_RestoreOverheadPerWindow(benchmark::State& state) {
    CountingClock clock;
    Engine engine(clock);
    if (!desktop().session || !engine.start()) {
        state.SkipWithError("no X session");
        return;
    }
    restoreOverheadPerWindow(state, *engine.service, clock, Rect{400, 300, 40, 0});
}
// The last window's final check waits for a quiet period once per restore: 20 and 100 windows
// separate that fixed part from what each window costs.
BENCHMARK(BM_RestoreOverheadPerWindow)
    ->Arg(20)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(11)
    ->UseRealTime();

// Watches one window from a connection of its own and notes when each new size arrives.
class ConfigureWatch {
  public:
    explicit ConfigureWatch(xcb_window_t window) : window_(window) {
        connection_ = xcb_connect(nullptr, nullptr);
        const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, window, XCB_CW_EVENT_MASK, &mask);
        // A move request to the window manager is sent to the root for SubstructureNotify too,
        // so it shows when Vantrel's request reached the server.
        const std::uint32_t rootMask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        xcb_change_window_attributes(connection_, root, XCB_CW_EVENT_MASK, &rootMask);
        const char name[] = "_NET_MOVERESIZE_WINDOW";
        auto* atom = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, sizeof name - 1, name), nullptr);
        moveResize_ = atom != nullptr ? atom->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(atom);
        std::free(
            xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
        thread_ = std::thread([this] { run(); });
    }
    ~ConfigureWatch() {
        stop_ = true;
        thread_.join();
        xcb_disconnect(connection_);
    }
    // When the first configure of this size after `since` arrived.
    std::optional<Steady::time_point> arrival(int width, int height, Steady::time_point since) {
        std::lock_guard lock(mutex_);
        for (const auto& seen : seen_)
            if (seen.at >= since && seen.width == width && seen.height == height) return seen.at;
        return std::nullopt;
    }
    // When the first move request for the window after `since` arrived.
    std::optional<Steady::time_point> request(Steady::time_point since) {
        std::lock_guard lock(mutex_);
        for (const auto at : requests_)
            if (at >= since) return at;
        return std::nullopt;
    }

  private:
    struct Seen {
        Steady::time_point at;
        int width;
        int height;
    };
    void run() {
        pollfd fd{xcb_get_file_descriptor(connection_), POLLIN, 0};
        while (!stop_) {
            ::poll(&fd, 1, 20);
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                const auto now = Steady::now();
                if ((event->response_type & 0x7F) == XCB_CLIENT_MESSAGE) {
                    const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                    if (message->window == window_ && message->type == moveResize_) {
                        std::lock_guard lock(mutex_);
                        requests_.push_back(now);
                    }
                } else if ((event->response_type & 0x7F) == XCB_CONFIGURE_NOTIFY) {
                    const auto* notify = reinterpret_cast<xcb_configure_notify_event_t*>(event);
                    if (notify->window == window_) {
                        std::lock_guard lock(mutex_);
                        seen_.push_back({now, notify->width, notify->height});
                    }
                }
                std::free(event);
            }
        }
    }
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t window_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<Seen> seen_;
    xcb_atom_t moveResize_ = XCB_ATOM_NONE;
    std::vector<Steady::time_point> requests_;
    std::thread thread_;
};

// The first key that types `keysym`; 0 when none does.
xcb_keycode_t keycodeOf(xcb_connection_t* connection, xcb_keysym_t keysym) {
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection);
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
    const xcb_keycode_t code = codes != nullptr ? codes[0] : 0;
    std::free(codes);
    xcb_key_symbols_free(symbols);
    return code;
}

// Activates the window and waits until the backend sees its application in front.
bool focus(Engine& engine, xcb_window_t window) {
    XSession::run("wmctrl -i -a " + XSession::hex(window));
    return eventually([&] {
        const auto front = engine.seam.frontmostApplication();
        const auto owner = engine.seam.applicationOfWindow(window);
        return front && owner && front->bundleID == owner->bundleID;
    });
}

// A preset hotkey (F5) pressed through XTEST; the press reaches the preset service the way the
// hotkey service hands it over, on the main queue. Timed until the window manager reports the
// window's new size.
void BM_PresetHotkeyToNewFrame(benchmark::State& state) {
    Engine engine;
    if (!desktop().session || desktop().windows.empty() || !engine.start()) {
        state.SkipWithError("no X session");
        return;
    }
    const xcb_window_t target = desktop().windows.back().window;
    if (!focus(engine, target)) {
        state.SkipWithError("the window did not take the focus");
        return;
    }
    X11Hotkeys hotkeys(engine.log, engine.loop);
    PresetLayoutService presets(*engine.service, engine.seam, engine.log);
    constexpr std::uint32_t kF5 = 96;
    if (!hotkeys.connect().ok() || !hotkeys.registerHotkey(kF5, 0, HotkeyID{1, 1}).ref) {
        state.SkipWithError("cannot grab F5");
        return;
    }
    PresetLayout next = PresetLayout::leftHalf;
    bool applied = false;
    bool handled = false;
    const Subscription handler = hotkeys.installPressHandler([&](std::optional<HotkeyID>) {
        engine.loop.post([&] {
            applied = presets.apply(next);
            handled = true;
        });
        return 0;
    });
    xcb_connection_t* keyboard = xcb_connect(nullptr, nullptr);
    const xcb_keycode_t f5 = keycodeOf(keyboard, 0xffc2);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(keyboard)).data->root;
    ConfigureWatch watch(target);

    std::vector<double> latencies;
    std::vector<double> requests;
    int round = 0;
    for (auto _ : state) {
        next = round++ % 2 == 0 ? PresetLayout::bottomRightQuarter : PresetLayout::leftHalf;
        applied = false;
        handled = false;
        const auto start = Steady::now();
        xcb_test_fake_input(keyboard, XCB_KEY_PRESS, f5, XCB_CURRENT_TIME, root, 0, 0, 0);
        xcb_test_fake_input(keyboard, XCB_KEY_RELEASE, f5, XCB_CURRENT_TIME, root, 0, 0, 0);
        xcb_flush(keyboard);
        // The main loop: wait for the hotkey connection, read it, run what it posted.
        pollfd fd{hotkeys.fileDescriptor(), POLLIN, 0};
        const auto deadline = start + std::chrono::seconds{2};
        while (!handled && Steady::now() < deadline) {
            ::poll(&fd, 1, 10);
            hotkeys.processEvents();
            engine.loop.runPending();
        }
        state.PauseTiming();
        // The preset returns once the move is sent; a read through the backend waits until the
        // window manager has applied it, so the size read next is the new one.
        (void)engine.seam.windowList();
        auto* geometry =
            xcb_get_geometry_reply(keyboard, xcb_get_geometry(keyboard, target), nullptr);
        std::optional<Steady::time_point> arrived;
        if (applied && geometry != nullptr)
            eventually(
                [&] { return (arrived = watch.arrival(geometry->width, geometry->height, start)); },
                std::chrono::milliseconds{1000});
        std::free(geometry);
        if (arrived)
            latencies.push_back(
                std::chrono::duration<double, std::milli>(*arrived - start).count());
        if (const auto sent = watch.request(start))
            requests.push_back(std::chrono::duration<double, std::milli>(*sent - start).count());
        state.ResumeTiming();
    }
    xcb_disconnect(keyboard);
    state.counters["key_to_frame_ms"] = median(latencies);
    state.counters["measured"] = static_cast<double>(latencies.size());
    // Vantrel's own part: from the key to its request at the server (window managers that take
    // a ConfigureRequest instead do not show it; then 0 are measured).
    state.counters["key_to_request_ms"] = median(requests);
    state.counters["requests"] = static_cast<double>(requests.size());
}
BENCHMARK(BM_PresetHotkeyToNewFrame)->Unit(benchmark::kMillisecond)->Iterations(21);

}  // namespace
