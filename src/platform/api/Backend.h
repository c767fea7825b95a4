// The desktop backend as the composition root sees it: both seams of one kind of session, chosen
// at start-up by the session type. Each backend registers how to check for and make itself.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "base/FdWatch.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "base/Subscription.h"
#include "platform/api/HotkeySystem.h"
#include "platform/api/NativeDesktop.h"

namespace vantrel {

// The kind of session, as far as the choice of a backend goes: on Wayland, only the compositor can
// place other programs' windows, so each compositor is a session of its own.
enum class SessionType {
    x11,
    kdeWayland,    // KDE Plasma on Wayland: KWin
    gnomeWayland,  // GNOME Shell on Wayland
    otherWayland,  // another Wayland compositor
    unknown,       // no display named at all
};

// The variables a session is told by (nullptr for an unset one).
struct SessionEnvironment {
    const char* xdgSessionType = nullptr;
    const char* waylandDisplay = nullptr;
    const char* display = nullptr;
    const char* currentDesktop = nullptr;  // $XDG_CURRENT_DESKTOP: desktop names split by ':'
};

// A Wayland session when $XDG_SESSION_TYPE says so, else when $WAYLAND_DISPLAY is set; X11 when
// $XDG_SESSION_TYPE says so, else when $DISPLAY is set. A Wayland session is KDE Plasma's when
// $XDG_CURRENT_DESKTOP names KDE or KWin is on the session bus (asked only then), GNOME's when it
// names GNOME.
SessionType sessionTypeFrom(const SessionEnvironment& environment,
                            const std::function<bool()>& kwinOnBus);

// What every backend gets to build itself; all of it outlives the backend.
struct BackendServices {
    Log& log;
    MainQueue& mainQueue;
    Clock& clock;
    // Where a backend's connections are watched: the main loop.
    FdWatch& fdWatch;
};

class DesktopBackend {
  public:
    virtual ~DesktopBackend() = default;
    // The desktop in its own terms; the core presents it to the engine through one adapter.
    virtual native::NativeDesktop& desktop() = 0;
    virtual HotkeySystem& hotkeys() = 0;
    // Connects and starts delivering events on the main queue; a part that cannot start is
    // logged and stays unavailable. Main thread.
    virtual void start() = 0;
    // Called once on the main thread when the session is gone for good.
    [[nodiscard]] virtual Subscription onSessionLost(std::function<void()> handler) = 0;
};

struct BackendEntry {
    std::string name;
    // The sessions it serves, in no order. A Wayland session is never served through XWayland,
    // which shows only the windows of X11 programs.
    std::vector<SessionType> sessions;
    // Why it cannot run here, as a sentence for the user; none when it can. Asked before the
    // toolkit starts.
    std::function<std::optional<std::string>()> problem;
    std::function<std::unique_ptr<DesktopBackend>(BackendServices)> make;
};

// The backends this build has, in order of preference.
class BackendChoice {
  public:
    void add(BackendEntry entry) { entries_.push_back(std::move(entry)); }

    struct Chosen {
        const BackendEntry* entry = nullptr;
        // When none fits: the last problem heard, or that the build has no backend for it.
        std::string problem;
    };
    // The first backend for the session that can run in it.
    Chosen choose(SessionType session) const;
    // The one line Vantrel prints and exits on when `chosen` has no backend: the problem heard,
    // or what the session lacks.
    static std::string refusal(SessionType session, const Chosen& chosen);

  private:
    std::vector<BackendEntry> entries_;
};

}  // namespace vantrel
