// The GNOME benchmarks' session: 50 test-client windows put at a grid by the backend before any
// timing, the engine per benchmark, and the remote desktop's keyboard.
#include "GnomeBenchDesktop.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include <cstdio>
#include <cstdlib>

#include "BenchClients.h"

namespace vantrel::bench {
namespace {

const QString kRemoteDesktop = QStringLiteral("org.gnome.Mutter.RemoteDesktop");

std::string text(const Rect& r) {
    return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) + "x" +
           std::to_string(r.height);
}

QDBusMessage callMutter(const QString& path, const QString& interface, const char* method,
                        const QVariantList& arguments = {}) {
    auto message = QDBusMessage::createMethodCall(kRemoteDesktop, path, interface,
                                                  QString::fromLatin1(method));
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, 10000);
}

}  // namespace

Rect startFrame(int window) {
    return Rect{128.0 * (window % 10), 60 + 148.0 * (window / 10), 110, 110};
}

bool Engine::start() {
    gnome::ShellHandlers handlers;
    // As GnomeBackend wires them: registering comes first, the grabs follow.
    handlers.appeared = [this] {
        desktop.appeared();
        hotkeys.appeared();
    };
    handlers.vanished = [this] { desktop.vanished(); };
    handlers.windowsChanged = [this] { desktop.windowsChanged(); };
    handlers.workspaceChanged = [this] { desktop.windowsChanged(); };
    handlers.monitorsChanged = [this] { desktop.monitorsChanged(); };
    handlers.acceleratorActivated = [this](std::uint32_t action) { hotkeys.activated(action); };
    if (!shell.start(std::move(handlers))) return false;
    if (!settle([&] { return desktop.ready(); })) return false;
    return startServices();
}

bool Engine::settle(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    return testing::eventually(
        [&] {
            // Qt D-Bus hands calls on only once the application's loop has run.
            QCoreApplication::processEvents();
            loop.runPending();
            return condition();
        },
        timeout);
}

bool Engine::focus(native::WindowId id) {
    const qulonglong mutterId = QString::fromStdString(desktop.uuidOf(id)).toULongLong();
    if (shell.call("Activate", {QVariant::fromValue(mutterId)}).type() !=
        QDBusMessage::ReplyMessage)
        return false;
    return settle([&] {
        const auto snapshot = desktop.snapshot();
        const native::Window* w = snapshot->window(id);
        return w != nullptr && w->focused;
    });
}

RemoteKeyboard::~RemoteKeyboard() {
    if (!session_.isEmpty())
        callMutter(session_, kRemoteDesktop + QStringLiteral(".Session"), "Stop");
}

std::string RemoteKeyboard::start() {
    const QDBusMessage created = callMutter(QStringLiteral("/org/gnome/Mutter/RemoteDesktop"),
                                            kRemoteDesktop, "CreateSession");
    if (created.type() != QDBusMessage::ReplyMessage || created.arguments().isEmpty())
        return "No remote desktop session: " + created.errorMessage().toStdString();
    session_ = created.arguments().at(0).value<QDBusObjectPath>().path();
    const QDBusMessage started =
        callMutter(session_, kRemoteDesktop + QStringLiteral(".Session"), "Start");
    if (started.type() != QDBusMessage::ReplyMessage)
        return "The remote desktop session did not start: " + started.errorMessage().toStdString();
    return {};
}

bool RemoteKeyboard::press(const std::vector<std::uint32_t>& keysyms) {
    const QString session = kRemoteDesktop + QStringLiteral(".Session");
    bool taken = true;
    const auto send = [&](std::uint32_t keysym, bool down) {
        taken = callMutter(session_, session, "NotifyKeyboardKeysym",
                           {QVariant::fromValue(keysym), down})
                        .type() == QDBusMessage::ReplyMessage &&
                taken;
    };
    for (const std::uint32_t keysym : keysyms) send(keysym, true);
    for (auto keysym = keysyms.rbegin(); keysym != keysyms.rend(); ++keysym) send(*keysym, false);
    return taken;
}

namespace {

// Puts each window at its start frame through the backend; a client busy with its first frames may
// miss one, so such windows are placed again (five times at most). Which window is elsewhere, if
// any.
std::string arrange(Engine& engine) {
    std::string misplaced;
    for (int round = 0;; ++round) {
        std::vector<native::Placement> placements;
        const auto snapshot = engine.desktop.snapshot();
        for (int i = 0; i < kWindows; ++i) {
            const native::WindowId id = engine.windowTitled(i);
            const native::Window* w = snapshot->window(id);
            const Rect f = startFrame(i);
            if (w != nullptr && near(w->frame, f)) continue;
            misplaced = "Bench window " + std::to_string(i) + " is at " +
                        (w == nullptr ? std::string("no frame") : text(w->frame));
            placements.push_back({id, Point{f.x, f.y}, Size{f.width, f.height}});
        }
        if (placements.empty()) return {};
        if (round == 5) return misplaced;
        // It returns once the extension listed each frame or it gave up waiting.
        engine.desktop.placeWindows(placements);
    }
}

// Starts the clients, waits until the extension lists each (it does once Mutter showed it) and puts
// each window at its start frame through the backend. The reason when it
// could not.
std::string openWindows(std::vector<testing::TestProcess>& clients) {
    if (std::string error = startClients(VANTREL_WAYLAND_TESTCLIENT, clients); !error.empty())
        return error;
    Engine engine;
    if (!engine.start()) return "The extension never listed the desktop";
    const bool listed = engine.settle(
        [&] {
            for (int i = 0; i < kWindows; ++i)
                if (engine.windowTitled(i) == 0) return false;
            return true;
        },
        std::chrono::seconds{120});
    if (!listed) return "The extension did not list every window";
    if (const std::string misplaced = arrange(engine); !misplaced.empty())
        return "GNOME Shell did not arrange the windows: " + misplaced;
    return {};
}

}  // namespace

}  // namespace vantrel::bench

// Qt D-Bus wants an application object, and the windows must be up before any benchmark runs.
int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    // The test client is a Qt program: on the Shell's Wayland display, not its XWayland.
    ::setenv("QT_QPA_PLATFORM", "wayland", 1);
    std::vector<vantrel::testing::TestProcess> clients;
    if (const std::string error = vantrel::bench::openWindows(clients); !error.empty()) {
        std::fprintf(stderr, "vantrel_bench_gnome: %s\n", error.c_str());
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
