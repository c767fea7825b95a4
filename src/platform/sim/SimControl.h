// The test side of the simulated desktop: builds the world, injects faults, reads back the calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Time.h"
#include "platform/api/NativeTypes.h"

namespace vantrel {

using SimAppId = std::uint64_t;     // also the application's native handle
using SimWindowId = std::uint32_t;  // also the window's native id

// An application of the simulated desktop, running or merely installed.
struct SimApp {
    std::optional<std::string> id;
    std::optional<std::string> name;
    std::int32_t pid = 0;
    native::AppRole role = native::AppRole::regular;
    bool hidden = false;
    bool installed = false;  // only installed applications can be launched
};

// A window. Position and size are in the desktop space (top-left origin, y down).
struct SimWindow {
    std::optional<std::string> title;
    bool main = false;
    Point position;
    Size size{800, 600};
    bool minimized = false;
    bool fullscreen = false;
    bool onScreen = true;  // stacked on screen (unless minimised)
    std::int64_t layer = 0;
    std::optional<SimWindowId> number;      // chosen by the desktop when absent
    std::optional<std::int64_t> workspace;  // from 0
    bool sticky = false;                    // on every workspace
};

// How a launch behaves.
struct SimLaunch {
    Duration delay = 0ns;              // slept through the clock before the launch completes
    int windowsAfterSnapshots = 0;     // the next snapshots show the application windowless
    std::optional<std::string> error;  // the launch fails with this text
};

// The writes a fault can refuse: a placement with a position, one with a size only, minimising.
enum class SimWrite { move, resize, minimize };

class SimControl {
  public:
    virtual ~SimControl() = default;

    // --- Applications and windows --------------------------------------------------------
    virtual SimAppId addApplication(SimApp app, bool running = true) = 0;
    virtual void setRunning(SimAppId app, bool running) = 0;
    virtual bool isRunning(SimAppId app) const = 0;
    virtual SimWindowId addWindow(SimAppId app, SimWindow window) = 0;
    virtual void removeWindow(SimWindowId window) = 0;
    virtual SimWindow window(SimWindowId window) const = 0;
    virtual void setFrontmost(std::optional<SimAppId> app) = 0;
    virtual void setFocusedWindow(SimAppId app, std::optional<SimWindowId> window) = 0;
    virtual void setLaunch(SimAppId app, SimLaunch launch) = 0;
    // Whether a polite close is accepted (then the application quits at once).
    virtual void setTerminateAccepted(SimAppId app, bool accepted) = 0;
    // A launch by the user: the application runs and launch observers hear of it.
    virtual void simulateLaunch(SimAppId app) = 0;

    // --- Capabilities --------------------------------------------------------------------
    // Whether windows may be moved and minimised (the window-access permission).
    virtual void setTrusted(bool trusted) = 0;
    virtual void setTiling(bool tiling) = 0;

    // --- Monitors and workspaces ---------------------------------------------------------
    // "WxH+X+Y" per monitor, comma-separated, in screen space (bottom-left origin, y up, as the
    // engine sees screens); a trailing "P" marks the main one. Numbered 1, 2, ...; work areas
    // equal the frames. False (and nothing changes) when the text does not parse. Observers
    // are told.
    virtual bool setScreens(std::string_view geometry) = 0;
    virtual void setMonitors(std::vector<native::Monitor> monitors) = 0;
    // `count` workspaces (0: the desktop has none).
    virtual void setWorkspaces(std::int64_t count) = 0;
    // Puts the window on one workspace (from 0), on none, or on every one.
    virtual void setWorkspace(SimWindowId window, std::optional<std::int64_t> workspace,
                              bool sticky = false) = 0;
    // The current workspace (from 0); none leaves it unsaid. Observers are told.
    virtual void setCurrentWorkspace(std::optional<std::int64_t> index) = 0;

    // --- Faults --------------------------------------------------------------------------
    // The next `times` writes of the kind to the window (all when negative) answer `result`.
    virtual void failWrite(SimWindowId window, SimWrite what, native::PlaceResult result,
                           int times = -1) = 0;

    // --- Recorded calls ------------------------------------------------------------------
    // Every backend call in order, e.g. "snapshot", "place w:7 10,20 800x600".
    virtual std::vector<std::string> calls() const = 0;
    // How many recorded calls start with `prefix`.
    virtual std::size_t callCount(std::string_view prefix) const = 0;
    virtual void clearCalls() = 0;
};

// Parses a screen geometry text (see setScreens) into monitors; none when it is malformed.
std::optional<std::vector<native::Monitor>> parseScreenGeometry(std::string_view geometry);

}  // namespace vantrel
