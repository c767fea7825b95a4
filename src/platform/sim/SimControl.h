// The test side of the simulated desktop: builds the world, injects faults, reads back the calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Time.h"
#include "engine/WindowSystemTypes.h"

namespace vantrel {

using SimAppId = std::uint64_t;
using SimWindowId = std::uint32_t;  // also the window's window-server number

// An application of the simulated desktop, running or merely installed.
struct SimApp {
    std::optional<std::string> bundleID;
    std::optional<std::string> name;
    std::int32_t pid = 0;
    ActivationPolicy policy = ActivationPolicy::regular;
    bool hidden = false;
    // Where it is installed; applications without a location cannot be launched.
    std::optional<std::string> location;
};

// A window with every attribute the engine reads. Position and size are in the accessibility
// space (top-left origin, y down).
struct SimWindow {
    std::optional<std::string> title;  // none: the title read answers "no value"
    bool main = false;
    Point position;
    Size size{800, 600};
    bool minimized = false;
    bool fullscreen = false;
    bool onScreen = true;  // listed by the window server (unless minimized)
    std::int64_t layer = 0;
    std::optional<SimWindowId> number;  // chosen by the desktop when absent
};

// One Space of the simulated Spaces preferences.
struct SimSpace {
    std::optional<std::string> uuid;  // an entry without one is skipped by readers
    std::vector<std::int64_t> windows;
    std::optional<std::int64_t> type;
};

// What a fault applies to: an application element or a window element.
struct SimTarget {
    enum class Kind { application, window };
    Kind kind = Kind::window;
    std::uint64_t id = 0;

    static SimTarget app(SimAppId id) { return {Kind::application, id}; }
    static SimTarget window(SimWindowId id) { return {Kind::window, id}; }
};

// How a launch through openApplication behaves.
struct SimLaunch {
    Duration delay = 0ns;              // slept through the clock before the launch completes
    int windowsAfterChecks = 0;        // "AXWindows" answers an empty list this many times
    std::optional<std::string> error;  // the launch fails with this text
};

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
    // Whether a polite terminate request is accepted (then the application quits at once).
    virtual void setTerminateAccepted(SimAppId app, bool accepted) = 0;
    // A launch by the user: the application runs and launch observers hear of it.
    virtual void simulateLaunch(SimAppId app) = 0;

    // --- Permission ----------------------------------------------------------------------
    virtual void setTrusted(bool trusted) = 0;
    // A tiling window manager: it answers windowManagerTiles() with true.
    virtual void setTiling(bool tiling) = 0;

    // --- Screens -------------------------------------------------------------------------
    // "WxH+X+Y" per screen, comma-separated, in screen space (bottom-left origin, y up); a
    // trailing "P" marks the main screen. Screens are numbered 1, 2, ... Visible frames equal the
    // frames. False (and nothing changes) when the text does not parse. Observers are told.
    virtual bool setScreens(std::string_view geometry) = 0;
    virtual void setScreens(ScreenList screens) = 0;

    // --- Window server and Spaces --------------------------------------------------------
    virtual void setWindowListAvailable(bool available) = 0;
    // Replaces the list derived from the windows; none goes back to the derived list.
    virtual void setWindowServerEntries(std::optional<std::vector<WindowServerEntry>> entries) = 0;
    // Window-server bounds of one window that differ from its accessibility frame.
    virtual void setServerBounds(SimWindowId window, WindowBounds bounds) = 0;
    virtual void setSpaces(const std::vector<SimSpace>& spaces) = 0;
    virtual void setSpacesData(std::optional<PreferenceValue> displayConfiguration) = 0;
    // The current Space as the platform states it (from 1); none leaves it unsaid. Observers of
    // Space changes are told.
    virtual void setCurrentSpace(std::optional<std::int64_t> index) = 0;

    // --- Faults --------------------------------------------------------------------------
    // The next `times` reads of the attribute (all of them when negative) give `result`: an error
    // code, no value, or a value of the wrong kind.
    virtual void failRead(SimTarget target, std::string_view attribute, AttributeRead result,
                          int times = -1) = 0;
    // The next `times` writes of the attribute are refused with `error`.
    virtual void failWrite(SimTarget target, std::string_view attribute, AXError error,
                           int times = -1) = 0;
    virtual void clearFaults() = 0;

    // --- Recorded calls ------------------------------------------------------------------
    // Every seam call in order, e.g. "copy w:7 AXTitle", "set w:7 AXPosition 10,20".
    virtual std::vector<std::string> calls() const = 0;
    // How many recorded calls start with `prefix`.
    virtual std::size_t callCount(std::string_view prefix) const = 0;
    virtual void clearCalls() = 0;
};

// Parses a screen geometry text (see setScreens); none when it is malformed.
std::optional<ScreenList> parseScreenGeometry(std::string_view geometry);

}  // namespace vantrel
