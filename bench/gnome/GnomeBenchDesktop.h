// The headless GNOME Shell the GNOME benchmarks share: 50 Qt Wayland test-client windows of 10
// applications in a known arrangement, the engine over a fresh backend, and key presses through
// Mutter's remote desktop. Run them inside a fresh GNOME Shell, from the source folder:
//   VANTREL_BUILD_DIR=build tests/gnome/with-gnome-shell.sh build/bench/gnome/vantrel_bench_gnome
#pragma once

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "BenchClients.h"
#include "BenchEngine.h"
#include "platform/gnome/GnomeDesktop.h"
#include "platform/gnome/GnomeHotkeys.h"
#include "platform/gnome/GnomeShell.h"

namespace vantrel::bench {

// Window i is titled "Bench window i" and starts at this frame: 50 tiles in the 1280x800 output
// below the Shell's top bar, apart, each at least the 100 px the capture takes.
Rect startFrame(int window);

// The GNOME backend as GnomeBackend composes it, made before the engine over it.
struct WithGnomeDesktop : EngineContext {
    using EngineContext::EngineContext;
    gnome::GnomeShell shell{log};
    gnome::GnomeDesktop desktop{log, loop, clock, shell};
    gnome::GnomeHotkeys hotkeys{log, shell};
};

// A fresh client of the extension and the engine over the desktop it lists, permission granted.
struct Engine : WithGnomeDesktop, EngineServices {
    explicit Engine(Clock& engineClock)
        : WithGnomeDesktop(engineClock), EngineServices(desktop, *this) {}
    Engine() : EngineServices(desktop, *this) {}
    // The client's thread calls into the desktop and hotkeys: it ends first.
    ~Engine() { shell.stop(); }
    bool start();
    // Lets Qt deliver calls and runs the engine's queue until `condition` holds; false at the
    // deadline.
    bool settle(const std::function<bool()>& condition,
                std::chrono::milliseconds timeout = std::chrono::seconds{60});
    native::WindowId windowTitled(int window) { return bench::windowTitled(desktop, window); }
    // Activates the window through the extension and waits until the backend sees it focused.
    bool focus(native::WindowId id);
};

// Key presses as Mutter takes them from a remote desktop session of the bench's own
// (org.gnome.Mutter.RemoteDesktop): they reach the Shell's accelerator grabs as a keyboard's do.
class RemoteKeyboard {
  public:
    RemoteKeyboard() = default;
    RemoteKeyboard(const RemoteKeyboard&) = delete;
    RemoteKeyboard& operator=(const RemoteKeyboard&) = delete;
    ~RemoteKeyboard();
    // Creates and starts the session; the reason when Mutter refused.
    std::string start();
    // Presses the keysyms in order and releases them in reverse; whether Mutter took every event.
    bool press(const std::vector<std::uint32_t>& keysyms);

  private:
    QString session_;
};

}  // namespace vantrel::bench
