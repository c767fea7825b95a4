// Builds the X11 desktop and hotkeys on one display, with the GIO launcher.
#include "platform/x11/X11Backend.h"

#include <cstdlib>

#include "platform/freedesktop/GioLauncher.h"
#include "platform/x11/DisplayCheck.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11Hotkeys.h"

namespace vantrel::x11 {
namespace {

X11Options optionsWith(freedesktop::AppLauncher& launcher) {
    X11Options options;
    options.launcher = &launcher;
    return options;
}

class X11Backend final : public DesktopBackend {
  public:
    explicit X11Backend(BackendServices services)
        : log_(services.log),
          fdWatch_(services.fdWatch),
          desktop_(services.log, services.mainQueue, services.clock, optionsWith(launcher_)),
          hotkeys_(services.log, services.mainQueue) {}

    native::NativeDesktop& desktop() override { return desktop_; }
    HotkeySystem& hotkeys() override { return hotkeys_; }

    void start() override {
        if (const auto connected = desktop_.connect(); !connected)
            log_.line("Vantrel: Cannot use the X display: " + connected.error().message);
        desktopEvents_ = desktop_.watchEvents(fdWatch_);
        if (const auto connected = hotkeys_.connect(); !connected)
            log_.line("Vantrel: Global shortcuts are unavailable: " + connected.error().message);
        hotkeyEvents_ = hotkeys_.watchEvents(fdWatch_);
    }

    Subscription onSessionLost(std::function<void()> handler) override {
        auto shared = std::make_shared<std::function<void()>>(std::move(handler));
        Subscriptions both;
        both.push_back(desktop_.onConnectionLost([shared] { (*shared)(); }));
        both.push_back(hotkeys_.onConnectionLost([shared] { (*shared)(); }));
        return Subscription(
            [both = std::make_shared<Subscriptions>(std::move(both))] { both->clear(); });
    }

  private:
    Log& log_;
    FdWatch& fdWatch_;
    freedesktop::GioLauncher launcher_;
    X11Desktop desktop_;
    X11Hotkeys hotkeys_;
    Subscription desktopEvents_;
    Subscription hotkeyEvents_;
};

}  // namespace

BackendEntry backendEntry() {
    return BackendEntry{
        "x11",
        // Not Wayland sessions: through XWayland it would see only X11 programs' windows.
        {SessionType::x11, SessionType::unknown},
        [] { return displayProblem(std::getenv("DISPLAY")); },
        [](BackendServices services) -> std::unique_ptr<DesktopBackend> {
            return std::make_unique<X11Backend>(services);
        },
    };
}

}  // namespace vantrel::x11
