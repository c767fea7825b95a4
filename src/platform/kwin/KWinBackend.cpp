// Builds the KWin desktop on the bridge and the script, with the GIO launcher.
#include "platform/kwin/KWinBackend.h"

#include <QCoreApplication>
#include <cstdlib>

#include "platform/freedesktop/GioLauncher.h"
#include "platform/freedesktop/SessionBus.h"
#include "platform/kwin/KWinBridge.h"
#include "platform/kwin/KWinDesktop.h"
#include "platform/kwin/KWinHotkeys.h"
#include "platform/kwin/KWinScript.h"

namespace vantrel::kwin {
namespace {

// How long the start waits for the script's first report; KWin runs a loaded script at once.
constexpr Duration kReadyTimeout = std::chrono::seconds{5};

KWinOptions optionsWith(freedesktop::AppLauncher& launcher) {
    KWinOptions options;
    options.common.launcher = &launcher;
    options.outputNames = [] { return outputNames(); };
    return options;
}

class KWinBackend final : public DesktopBackend {
  public:
    explicit KWinBackend(BackendServices services)
        : log_(services.log),
          bridge_(services.log),
          desktop_(services.log, services.mainQueue, services.clock, bridge_,
                   optionsWith(launcher_)),
          hotkeys_(services.log, bridge_) {}
    ~KWinBackend() override {
        if (loaded_) unloadScript();
    }

    native::NativeDesktop& desktop() override { return desktop_; }
    HotkeySystem& hotkeys() override { return hotkeys_; }

    void start() override {
        if (const Status started = bridge_.start(); !started) {
            log_.line("Vantrel: Cannot talk to KWin: " + started.error().message);
            return;
        }
        desktop_.connect();
        hotkeys_.start();
        const auto file = scriptPath(std::getenv("VANTREL_KWIN_SCRIPT"), ownExecutable());
        if (!file) {
            log_.line("Vantrel: Cannot find the KWin script vantrel-kwin.js");
            return;
        }
        const Status loaded = loadScript(*file);
        loaded_ = loaded.ok();
        if (!loaded) {
            log_.line("Vantrel: " + loaded.error().message);
            return;
        }
        // What starts next reads the desktop at once (the display watch, the restore at log-in):
        // the script's first report, with the monitors' lasting ids, comes before. Qt D-Bus hands
        // KWin's calls to the bridge only once the event loop has run.
        QCoreApplication::processEvents();
        if (!desktop_.awaitReady(kReadyTimeout))
            log_.line(
                "Vantrel: KWin has not run the script yet; windows are arranged once it does");
    }

    // KWin is the Wayland compositor: when it ends, Qt's Wayland connection ends the program.
    Subscription onSessionLost(std::function<void()>) override { return {}; }

  private:
    Log& log_;
    freedesktop::GioLauncher launcher_;
    KWinBridge bridge_;
    KWinDesktop desktop_;
    KWinHotkeys hotkeys_;
    bool loaded_ = false;
};

}  // namespace

BackendEntry backendEntry() {
    return BackendEntry{
        "kwin",
        {SessionType::kdeWayland},
        []() -> std::optional<std::string> {
            const char* display = std::getenv("WAYLAND_DISPLAY");
            if (display == nullptr || *display == '\0') return "No Wayland display is set";
            if (!freedesktop::sessionBusHasOwner(kKWinService))
                return "KDE Plasma's KWin is not reachable on the session bus (org.kde.KWin)";
            if (!scriptPath(std::getenv("VANTREL_KWIN_SCRIPT"), ownExecutable()))
                return "The KWin script vantrel-kwin.js is not installed";
            return std::nullopt;
        },
        [](BackendServices services) -> std::unique_ptr<DesktopBackend> {
            return std::make_unique<KWinBackend>(services);
        },
    };
}

}  // namespace vantrel::kwin
