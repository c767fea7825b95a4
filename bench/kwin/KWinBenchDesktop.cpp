// The KWin benchmarks' session: 50 test-client windows arranged by a KWin script of the bench's
// own, listed by the backend before any timing; the engine per benchmark; KWin's frame watched.
#include "KWinBenchDesktop.h"

#include <QCoreApplication>

#include <cstdio>

#include "BenchClients.h"
#include "KWinCalls.h"

namespace vantrel::bench {

using testing::TestProcess;

Rect startFrame(int window) {
    return Rect{60.0 * (window % 10), 50.0 * (window / 10), 300, 200};
}

Engine::~Engine() {
    if (loaded_) kwin::unloadScript();
}

bool Engine::start(const std::function<void()>& before) {
    // Qt D-Bus hands calls to the bridge only once the application's loop has run.
    QCoreApplication::processEvents();
    if (!bridge.start().ok()) return false;
    desktop.connect();
    if (before) before();
    loaded_ = kwin::loadScript(VANTREL_KWIN_SCRIPT).ok();
    if (!loaded_ || !settle([&] { return desktop.ready(); })) return false;
    return startServices();
}

bool Engine::settle(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    return testing::eventually(
        [&] {
            QCoreApplication::processEvents();
            loop.runPending();
            return condition();
        },
        timeout);
}

std::optional<Rect> kwinFrame(const std::string& uuid) {
    const QVariantMap info = testing::kwinWindowInfo(uuid);
    if (info.isEmpty()) return {};
    const auto value = [&](const char* key) { return info.value(QLatin1String(key)).toDouble(); };
    return Rect{value("x"), value("y"), value("width"), value("height")};
}

FrameWatch::FrameWatch(std::string uuid) : uuid_(std::move(uuid)) {
    thread_ = std::thread([this] { run(); });
}

FrameWatch::~FrameWatch() {
    stop_ = true;
    thread_.join();
}

void FrameWatch::run() {
    std::optional<Steady::time_point> previous;
    while (!stop_) {
        const auto frame = kwinFrame(uuid_);
        const auto now = Steady::now();
        {
            std::lock_guard lock(mutex_);
            if (frame && (seen_.empty() || !(seen_.back().frame == *frame)))
                seen_.push_back({now, *frame});
            if (previous) gaps_.push_back(milliseconds(now - *previous));
        }
        previous = now;
        // A short pause, so the watch does not keep KWin from drawing.
        std::this_thread::sleep_for(std::chrono::milliseconds{1});
    }
}

std::optional<Steady::time_point> FrameWatch::arrival(const Rect& frame, Steady::time_point since) {
    std::lock_guard lock(mutex_);
    for (const auto& seen : seen_)
        if (seen.at >= since && near(seen.frame, frame)) return seen.at;
    return std::nullopt;
}

double FrameWatch::pollMilliseconds() {
    std::lock_guard lock(mutex_);
    return median(gaps_);
}

namespace {

// Starts the clients, puts each at its start frame (one KWin script of the bench's own) and waits
// until the backend lists all of them there. The reason when it could not.
std::string openWindows(std::vector<TestProcess>& clients) {
    if (std::string error = startClients(VANTREL_WAYLAND_TESTCLIENT, clients); !error.empty())
        return error;
    testing::runKWinScript(
        "workspace.clientList().forEach(function (w) {\n"
        "  var m = /^Bench window (\\d+)$/.exec(w.caption);\n"
        "  if (!m) return;\n"
        "  var i = parseInt(m[1]);\n"
        "  w.frameGeometry = {x: 60 * (i % 10), y: 50 * Math.floor(i / 10), width: 300, "
        "height: 200};\n"
        "});\n");
    Engine engine;
    if (!engine.start()) return "The KWin script never reported the desktop";
    const bool arranged = engine.settle([&] {
        const auto snapshot = engine.desktop.snapshot();
        for (int i = 0; i < kWindows; ++i) {
            const native::Window* w = snapshot->window(engine.windowTitled(i));
            if (w == nullptr || !near(w->frame, startFrame(i))) return false;
        }
        return true;
    });
    return arranged ? std::string() : "KWin did not arrange the windows";
}

}  // namespace

}  // namespace vantrel::bench

// Qt D-Bus wants an application object, and the windows must be up before any benchmark runs.
int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    std::vector<vantrel::testing::TestProcess> clients;
    if (const std::string error = vantrel::bench::openWindows(clients); !error.empty()) {
        std::fprintf(stderr, "vantrel_bench_kwin: %s\n", error.c_str());
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
