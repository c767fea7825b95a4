// The layout file at scale: 1,000 layouts of 20 windows each (about 14 MB of JSON).
// Target on a 2-core machine: a load plus a save through LayoutStorage under 150 ms.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "base/Clock.h"
#include "base/Log.h"
#include "model/LayoutJson.h"
#include "model/LayoutStorage.h"

namespace vantrel {
namespace {

constexpr int kLayouts = 1000;
constexpr int kWindowsPerLayout = 20;

class NullLog final : public Log {
  public:
    void line(std::string_view) override {}
};

// Layouts filled the way captures fill them: every optional present, fractional frames.
std::vector<WindowLayout> makeLayouts() {
    std::mt19937 random(42);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const Date date{std::chrono::seconds{1'741'944'413}};
    std::vector<WindowLayout> layouts;
    for (int l = 0; l < kLayouts; ++l) {
        WindowLayout layout;
        layout.id = Uuid::random();
        layout.name = "Layout " + std::to_string(l);
        layout.shortcutKeyCode = static_cast<std::uint16_t>(l % 50);
        layout.shortcutModifiers = 0xC0000;
        for (int w = 0; w < kWindowsPerLayout; ++w) {
            WindowState window;
            window.appBundleID = "org.example.Application" + std::to_string(w % 7);
            window.appName = "Application " + std::to_string(w % 7);
            window.windowTitle = "Document " + std::to_string(w) + " — notes.txt";
            window.windowIndex = w % 3;
            window.frameX = std::floor(unit(random) * 2560);
            window.frameY = std::floor(unit(random) * 1440) + 0.5;
            window.frameWidth = 800;
            window.frameHeight = 600;
            window.displayID = 1 + static_cast<std::uint32_t>(w % 2);
            window.spaceIndex = 1 + w % 4;
            window.spaceUUID = "B2F1C9A4-1D2E-4F00-9C11-5E0A7D3B8C21";
            window.windowNumber = static_cast<std::uint32_t>(4000 + w);
            window.relativeFrameX = unit(random);
            window.relativeFrameY = unit(random);
            window.relativeFrameWidth = 0.3125;
            window.relativeFrameHeight = 1.0 / 3;
            layout.windows.push_back(std::move(window));
        }
        layout.displayConfiguration =
            DisplayConfiguration{{DisplayInfo{1, 0, 0, 2560, 1440, true, "DP-1"},
                                  DisplayInfo{2, 2560, 0, 1920, 1080, false, "HDMI-1"}}};
        layout.triggerApps = {"org.example.Application1"};
        layout.createdAt = date;
        layout.modifiedAt = date;
        layouts.push_back(std::move(layout));
    }
    return layouts;
}

const std::vector<WindowLayout>& layouts() {
    static const auto value = makeLayouts();
    return value;
}

void BM_DecodeLayoutFile(benchmark::State& state) {
    const std::string text = *encodeLayoutFile(layouts());
    for (auto _ : state) {
        auto decoded = decodeLayoutFile(text);
        if (!decoded || decoded->size() != kLayouts) state.SkipWithError("decoding failed");
        benchmark::DoNotOptimize(decoded);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
    state.counters["file_MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_DecodeLayoutFile)->Unit(benchmark::kMillisecond);

void BM_EncodeLayoutFile(benchmark::State& state) {
    const auto& list = layouts();
    std::size_t size = 0;
    for (auto _ : state) {
        auto text = encodeLayoutFile(list);
        size = text ? text->size() : 0;
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}
BENCHMARK(BM_EncodeLayoutFile)->Unit(benchmark::kMillisecond);

// What the layout manager does at start-up and after each change, on a real file system.
void BM_LoadAndSave(benchmark::State& state) {
    namespace fs = std::filesystem;
    std::string folder = (fs::temp_directory_path() / "vantrel-bench-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    NullLog log;
    SystemClock clock;
    LayoutStorage storage(log, clock, fs::path(folder));
    (void)storage.save(layouts());
    for (auto _ : state) {
        auto loaded = storage.load();
        if (loaded.size() != kLayouts) state.SkipWithError("load failed");
        (void)storage.save(loaded);
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}
BENCHMARK(BM_LoadAndSave)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vantrel

BENCHMARK_MAIN();
