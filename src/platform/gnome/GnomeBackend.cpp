// Builds the GNOME desktop and hotkeys on the extension's bus client, with the GIO launcher.
#include "platform/gnome/GnomeBackend.h"

#include <QCoreApplication>
#include <cstdlib>

#include "platform/freedesktop/GioLauncher.h"
#include "platform/freedesktop/SessionBus.h"
#include "platform/gnome/GnomeDesktop.h"
#include "platform/gnome/GnomeHotkeys.h"
#include "platform/gnome/GnomeShell.h"

namespace vantrel::gnome {
namespace {

// How long the start waits for the extension's first lists; it answers at once when enabled.
constexpr Duration kReadyTimeout = std::chrono::seconds{5};

compositor::CompositorOptions optionsWith(freedesktop::AppLauncher& launcher) {
    compositor::CompositorOptions options;
    options.launcher = &launcher;
    return options;
}

class GnomeBackend final : public DesktopBackend {
  public:
    explicit GnomeBackend(BackendServices services)
        : log_(services.log),
          shell_(services.log),
          desktop_(services.log, services.mainQueue, services.clock, shell_,
                   optionsWith(launcher_)),
          hotkeys_(services.log, shell_) {}
    // The shell client's thread calls into the desktop and hotkeys: it ends first.
    ~GnomeBackend() override { shell_.stop(); }

    native::NativeDesktop& desktop() override { return desktop_; }
    HotkeySystem& hotkeys() override { return hotkeys_; }

    void start() override {
        ShellHandlers handlers;
        // Registering comes first: the extension answers nobody else.
        handlers.appeared = [this] {
            desktop_.appeared();
            hotkeys_.appeared();
        };
        handlers.vanished = [this] { desktop_.vanished(); };
        handlers.windowsChanged = [this] { desktop_.windowsChanged(); };
        handlers.workspaceChanged = [this] { desktop_.windowsChanged(); };
        handlers.monitorsChanged = [this] { desktop_.monitorsChanged(); };
        handlers.appStarted = [this](const std::string& json) { desktop_.appStarted(json); };
        handlers.acceleratorActivated = [this](std::uint32_t action) {
            hotkeys_.activated(action);
        };
        if (const Status started = shell_.start(std::move(handlers)); !started)
            log_.line("Vantrel: Cannot talk to GNOME Shell: " + started.error().message);
        if (!freedesktop::sessionBusHasOwner(kShellService)) {
            log_.line(std::string("Vantrel: The GNOME Shell extension is not running: ") +
                      kEnableExtension);
            return;
        }
        // What starts next reads the desktop at once (the permission check, the display watch,
        // the restore at log-in): the extension's first lists come before. Qt D-Bus hands its
        // signals to the listener only once the event loop has run.
        QCoreApplication::processEvents();
        if (!desktop_.waitUntilReady(kReadyTimeout))
            log_.line(
                "Vantrel: The GNOME Shell extension has not answered yet; windows are "
                "arranged once it does");
    }

    // GNOME Shell is the Wayland compositor: when it ends, Qt's Wayland connection ends the
    // program.
    Subscription onSessionLost(std::function<void()>) override { return {}; }

  private:
    Log& log_;
    freedesktop::GioLauncher launcher_;
    GnomeShell shell_;
    GnomeDesktop desktop_;
    GnomeHotkeys hotkeys_;
};

}  // namespace

BackendEntry backendEntry() {
    return BackendEntry{
        "gnome",
        {SessionType::gnomeWayland},
        []() -> std::optional<std::string> {
            const char* display = std::getenv("WAYLAND_DISPLAY");
            if (display == nullptr || *display == '\0') return "No Wayland display is set";
            return std::nullopt;
        },
        [](BackendServices services) -> std::unique_ptr<DesktopBackend> {
            return std::make_unique<GnomeBackend>(services);
        },
    };
}

}  // namespace vantrel::gnome
