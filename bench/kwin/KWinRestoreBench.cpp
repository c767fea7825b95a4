// Placing Wayland windows through KWin's script: what a restore costs beyond its 50 ms gaps, per
// window; one placement from the request until the backend counts it placed and until KWin's own
// D-Bus shows it; a preset shortcut invoked through kglobalaccel until KWin shows the new frame.
#include <benchmark/benchmark.h>

#include "KWinBenchDesktop.h"
#include "KWinCalls.h"
#include "engine/PresetLayoutService.h"
#include "platform/kwin/KWinHotkeys.h"

namespace {

using namespace vantrel;
using namespace vantrel::bench;

// The grid's windows shifted stay inside the 1280x800 output.
void BM_RestoreOverheadPerWindow(benchmark::State& state) {
    restoreOverhead<Engine>(state, "KWin's script never reported the desktop",
                            Rect{300, 200, 40, 0});
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
// returns (the backend waits for KWin's report of the frame).
void BM_RequestToFrameApplied(benchmark::State& state) {
    Engine engine;
    const native::WindowId id = engine.start() ? engine.windowTitled(0) : 0;
    if (id == 0) {
        state.SkipWithError("KWin's script never reported the window");
        return;
    }
    FrameWatch watch(engine.desktop.uuidOf(id));
    const Rect frames[] = {{700, 420, 420, 300}, {80, 60, 320, 240}};
    std::vector<double> placed;
    std::vector<double> shown;
    int round = 0;
    for (auto _ : state) {
        const Rect& to = frames[round++ % 2];
        const auto start = Steady::now();
        // The output is at KWin's origin: desktop and KWin coordinates agree.
        const auto results = engine.desktop.placeWindows(
            {{id, Point{to.x, to.y}, Size{to.width, to.height}, Duration{}}});
        const auto returned = Steady::now();
        state.PauseTiming();
        std::optional<Steady::time_point> arrived;
        testing::eventually([&] { return (arrived = watch.arrival(to, start)).has_value(); },
                            std::chrono::milliseconds{3000});
        if (results.at(0) == native::PlaceResult::placed && arrived) {
            placed.push_back(milliseconds(returned - start));
            shown.push_back(milliseconds(*arrived - start));
        }
        state.ResumeTiming();
    }
    addFigures(state, "placed_ms", placed);
    addFigures(state, "kwin_shows_ms", shown);
    state.counters["measured"] = static_cast<double>(placed.size());
    state.counters["poll_ms"] = watch.pollMilliseconds();
}
BENCHMARK(BM_RequestToFrameApplied)->Unit(benchmark::kMillisecond)->Iterations(31);

// Activates the window (a KWin script of the bench's own) and waits until the backend sees it
// focused.
bool focus(Engine& engine, native::WindowId id) {
    testing::runKWinScript(
        "workspace.clientList().forEach(function (w) {\n"
        "  if (w.internalId == '" +
        engine.desktop.uuidOf(id) +
        "') workspace.activeClient = w;\n"
        "});\n");
    return engine.settle([&] {
        const auto snapshot = engine.desktop.snapshot();
        const native::Window* w = snapshot->window(id);
        return w != nullptr && w->focused;
    });
}

// Ctrl+Alt+1 (the 1 key is stored as 18) as a preset shortcut, invoked through kglobalaccel as
// KDE's own shortcut machinery does; the press reaches the preset service the way the hotkey
// service hands it over, on the main queue. Timed until KWin's D-Bus shows the preset's frame.
void BM_ShortcutToMoved(benchmark::State& state) {
    Engine engine;
    kwin::KWinHotkeys hotkeys(engine.log, engine.bridge);
    const native::WindowId id =
        engine.start([&] { hotkeys.start(); }) ? engine.windowTitled(49) : 0;
    const std::string uuid = engine.desktop.uuidOf(id);
    const bool focused = id != 0 && focus(engine, id);
    constexpr std::uint32_t kCtrlAlt = hotkey_modifier::kControl | hotkey_modifier::kOption;
    if (!focused || hotkeys.registerHotkey(18, kCtrlAlt, HotkeyID{kHotkeySignature, 1}).status !=
                        hotkey_status::kNoError) {
        state.SkipWithError("no focused window or no shortcut");
        return;
    }
    PresetLayoutService presets(*engine.service, engine.seam, engine.log);
    // Each preset's frame as KWin reports it, learnt once, untimed.
    const PresetLayout layouts[] = {PresetLayout::bottomRightQuarter, PresetLayout::leftHalf};
    Rect targets[2];
    for (int i = 0; i < 2; ++i) {
        const auto frame = presets.apply(layouts[i]) ? kwinFrame(uuid) : std::nullopt;
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
    const Subscription handler = hotkeys.installPressHandler([&](std::optional<HotkeyID>) {
        engine.loop.post([&] {
            presets.apply(layouts[next]);
            handled = true;
        });
        pressed.notify();
        return hotkey_status::kNoError;
    });
    FrameWatch watch(uuid);
    std::vector<double> applied;
    std::vector<double> shown;
    int round = 0;
    for (auto _ : state) {
        next = round++ % 2;
        handled = false;
        pressed.reset();
        const auto start = Steady::now();
        testing::invokeKWinShortcut("vantrel Ctrl+Alt+1");
        pressed.wait(std::chrono::seconds{3});
        // The main loop runs what the press posted: the preset returns once KWin placed it.
        engine.loop.runPending();
        const auto returned = Steady::now();
        state.PauseTiming();
        std::optional<Steady::time_point> arrived;
        testing::eventually(
            [&] { return (arrived = watch.arrival(targets[next], start)).has_value(); },
            std::chrono::milliseconds{3000});
        if (handled && arrived) {
            applied.push_back(milliseconds(returned - start));
            shown.push_back(milliseconds(*arrived - start));
        }
        state.ResumeTiming();
    }
    addFigures(state, "placed_ms", applied);
    addFigures(state, "kwin_shows_ms", shown);
    state.counters["measured"] = static_cast<double>(shown.size());
    state.counters["poll_ms"] = watch.pollMilliseconds();
}
BENCHMARK(BM_ShortcutToMoved)->Unit(benchmark::kMillisecond)->Iterations(21);

}  // namespace
