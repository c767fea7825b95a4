// The backend inside GNOME Shell through Vantrel's extension: capture of 50 Wayland windows in
// process, what a restore costs beyond its 50 ms gaps per window, one placement until the backend
// counts it placed, and a preset shortcut pressed through Mutter's remote desktop until the
// window is placed.
#include <benchmark/benchmark.h>

#include "GnomeBenchDesktop.h"
#include "engine/PresetLayoutService.h"

namespace {

using namespace vantrel;
using namespace vantrel::bench;

void BM_CaptureInProcess(benchmark::State& state) {
    captureInProcess<Engine>(state, "the extension never listed the desktop");
}
BENCHMARK(BM_CaptureInProcess)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The tiles shifted stay inside the output's work area and apart.
void BM_RestoreOverheadPerWindow(benchmark::State& state) {
    restoreOverhead<Engine>(state, "the extension never listed the desktop", Rect{8, 30, 8, 0});
}
// The last window's final check waits for a quiet period once per restore: 20 and 50 windows
// separate that fixed part from what each window costs.
BENCHMARK(BM_RestoreOverheadPerWindow)
    ->Arg(20)
    ->Arg(50)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(11)
    ->UseRealTime();

// One window to a new position and size, alternately two frames: timed is placeWindows until it
// returns (the backend waits until the extension lists the frame).
void BM_RequestToFrameApplied(benchmark::State& state) {
    Engine engine;
    const native::WindowId id = engine.start() ? engine.windowTitled(0) : 0;
    if (id == 0) {
        state.SkipWithError("the extension never listed the window");
        return;
    }
    const Rect frames[] = {{700, 420, 420, 300}, {80, 60, 320, 240}};
    std::vector<double> placed;
    int round = 0;
    for (auto _ : state) {
        const Rect& to = frames[round++ % 2];
        const auto start = Steady::now();
        // The output is at the Shell's origin: desktop and Shell coordinates agree.
        const auto results = engine.desktop.placeWindows(
            {{id, Point{to.x, to.y}, Size{to.width, to.height}, Duration{}}});
        const auto returned = Steady::now();
        if (results.at(0) == native::PlaceResult::placed)
            placed.push_back(milliseconds(returned - start));
    }
    addFigures(state, "placed_ms", placed);
    state.counters["measured"] = static_cast<double>(placed.size());
}
BENCHMARK(BM_RequestToFrameApplied)->Unit(benchmark::kMillisecond)->Iterations(31);

// The window's frame as the backend lists it; none when it does not.
std::optional<Rect> listedFrame(Engine& engine, native::WindowId id) {
    const auto snapshot = engine.desktop.snapshot();
    const native::Window* w = snapshot->window(id);
    return w != nullptr ? std::optional<Rect>(w->frame) : std::nullopt;
}

// Ctrl+Alt+1 (the 1 key is stored as 18) as a preset shortcut, grabbed by the extension and
// pressed on the remote desktop's keyboard; the press reaches the preset service the way the
// hotkey service hands it over, on the main queue. Timed from the first key event until the
// preset returned (the backend saw the window at the preset's frame); also from the extension's
// AcceleratorActivated signal as the backend heard it.
void BM_ShortcutToMoved(benchmark::State& state) {
    Engine engine;
    RemoteKeyboard keyboard;
    const native::WindowId id = engine.start() ? engine.windowTitled(49) : 0;
    const std::string noKeyboard = keyboard.start();
    constexpr std::uint32_t kCtrlAlt = hotkey_modifier::kControl | hotkey_modifier::kOption;
    const HotkeyRegistration grabbed =
        engine.hotkeys.registerHotkey(18, kCtrlAlt, HotkeyID{kHotkeySignature, 1});
    const char* missing = id == 0                                     ? "no window"
                          : !noKeyboard.empty()                       ? noKeyboard.c_str()
                          : grabbed.status != hotkey_status::kNoError ? "no shortcut"
                          : !engine.focus(id)                         ? "no focused window"
                                                                      : nullptr;
    if (missing != nullptr) {
        state.SkipWithError(missing);
        return;
    }
    PresetLayoutService presets(*engine.service, engine.seam, engine.log);
    // Each preset's frame as the backend lists it, learnt once, untimed.
    const PresetLayout layouts[] = {PresetLayout::bottomRightQuarter, PresetLayout::leftHalf};
    Rect targets[2];
    for (int i = 0; i < 2; ++i) {
        const auto frame = presets.apply(layouts[i]) ? listedFrame(engine, id) : std::nullopt;
        if (!frame) {
            state.SkipWithError("the preset did not apply");
            return;
        }
        targets[i] = *frame;
    }
    int next = 0;
    bool handled = false;
    // The app's main loop wakes when the hotkey service posts; so does this one.
    PressSignal pressed;
    const Subscription handler = engine.hotkeys.installPressHandler([&](std::optional<HotkeyID>) {
        engine.loop.post([&] {
            presets.apply(layouts[next]);
            handled = true;
        });
        pressed.notify();
        return hotkey_status::kNoError;
    });
    std::vector<double> moved;
    std::vector<double> fromSignal;
    std::vector<double> press;
    int unheard = 0, unhandled = 0, unmoved = 0;
    int round = 0;
    for (auto _ : state) {
        next = round++ % 2;
        handled = false;
        pressed.reset();
        const auto start = Steady::now();
        // Control_L, Alt_L, 1.
        keyboard.press({0xffe3, 0xffe9, 0x31});
        const auto heard = pressed.wait(std::chrono::seconds{3});
        // The main loop runs what the press posted: the preset returns once the window is there.
        engine.loop.runPending();
        const auto returned = Steady::now();
        state.PauseTiming();
        const auto frame = listedFrame(engine, id);
        if (handled && heard && frame && near(*frame, targets[next])) {
            moved.push_back(milliseconds(returned - start));
            fromSignal.push_back(milliseconds(returned - *heard));
            press.push_back(milliseconds(*heard - start));
        } else {
            ++(heard ? (frame && near(*frame, targets[next]) ? unhandled : unmoved) : unheard);
        }
        state.ResumeTiming();
    }
    addFigures(state, "moved_ms", moved);
    addFigures(state, "signal_to_moved_ms", fromSignal);
    addFigures(state, "press_ms", press);
    state.counters["measured"] = static_cast<double>(moved.size());
    state.counters["unheard"] = unheard;
    state.counters["unmoved"] = unmoved + unhandled;
    engine.hotkeys.unregisterHotkey(*grabbed.ref);
}
BENCHMARK(BM_ShortcutToMoved)->Unit(benchmark::kMillisecond)->Iterations(21);

}  // namespace
