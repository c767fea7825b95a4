// The values of the native backend interface: one typed snapshot of the desktop, placements and
// what a backend can do.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/Geometry.h"
#include "base/Time.h"

namespace vantrel::native {

// A window's id: the same for as long as the window exists (an X window id, a compositor's id).
using WindowId = std::uint64_t;
// One running application instance, for as long as it runs.
using AppHandle = std::uint64_t;

// How an application takes part in the desktop; only regular ones own ordinary windows.
enum class AppRole { regular, accessory, background };

struct App {
    AppHandle handle = 0;
    // The application's identity (its desktop entry id); none when the backend cannot tell.
    std::optional<std::string> id;
    std::optional<std::string> name;
    std::int32_t pid = 0;
    AppRole role = AppRole::regular;
    bool hidden = false;

    friend bool operator==(const App&, const App&) = default;
};

// Coordinates: one desktop space for windows and monitors alike, its origin at the top-left
// corner of the primary (first) monitor, y growing downwards, in the desktop's own units.
struct Window {
    WindowId id = 0;
    AppHandle app = 0;
    std::optional<std::string> title;
    Rect frame;  // the outer frame, decorations included
    // The workspace (from 0) the window lives on; none when it is on every one (sticky) or the
    // desktop does not say.
    std::optional<std::int64_t> workspace;
    bool sticky = false;
    bool minimized = false;
    bool maximized = false;
    bool fullScreen = false;
    bool focused = false;
    // The window the application works in: the focused one, else its frontmost ordinary one.
    bool main = false;
    // Stacking band: 0 for ordinary windows, above for docks and always-on-top ones, below 0
    // for windows kept under the others.
    std::int64_t layer = 0;

    friend bool operator==(const Window&, const Window&) = default;
};

struct Monitor {
    // Stable over restarts and reconnections (from the panel's EDID where there is one).
    std::optional<std::uint32_t> id;
    std::optional<std::string> name;
    Rect frame;
    Rect workArea;      // the frame less panels and docks
    bool main = false;  // the monitor new windows and menus go to

    friend bool operator==(const Monitor&, const Monitor&) = default;
};

struct Workspaces {
    std::int64_t count = 0;  // 0 when the desktop has no workspaces
    // From 0; none when the desktop does not state it.
    std::optional<std::int64_t> current;
};

// The whole desktop as one consistent read.
struct Snapshot {
    std::vector<App> apps;        // the platform's order
    std::vector<Window> windows;  // by application in `apps` order, each in the platform's order
    // The windows shown on the current workspace (not minimised, not the desktop background),
    // front to back.
    std::vector<WindowId> stacking;
    std::vector<Monitor> monitors;  // the primary first
    Workspaces workspaces;
    std::optional<AppHandle> frontmost;

    // Builds the indexes below; backends call it once the vectors are filled.
    void index();
    const App* app(AppHandle handle) const;
    const Window* window(WindowId id) const;
    // The application's windows, in its order.
    std::vector<const Window*> windowsOf(AppHandle handle) const;

  private:
    std::unordered_map<AppHandle, std::size_t> appIndex_;
    std::unordered_map<WindowId, std::size_t> windowIndex_;
};

// Where to put one window's outer frame, in the desktop space; what is not given is kept.
struct Placement {
    WindowId window = 0;
    std::optional<Point> position;
    std::optional<Size> size;
    // Waited (on the backend's clock) before this one is sent: applications take one move at a
    // time better when given a moment between windows.
    Duration delay{};
};

enum class PlaceResult {
    placed,       // the window is at the frame asked for (or already was)
    gone,         // no such window (any more)
    refused,      // the desktop kept it elsewhere (a tiling or stubborn window manager)
    unsupported,  // this desktop cannot move windows
    notSent,      // the batch was stopped before this placement was sent
};

// What a backend can do, asked instead of tried and failed.
struct Capabilities {
    bool canMove = false;  // a window manager that honours placement runs
    bool canMinimize = false;
    bool hasWorkspaces = false;
    bool tiles = false;  // it keeps tiled windows where its own layout puts them
};

// The platform's fixed identifiers.
struct Identity {
    std::string fileManager;        // never quit, and gets no preset placement without windows
    std::string dock;               // the dock or panel, never quit
    std::string own;                // this program
    std::string accessSettingsUri;  // where the user learns to grant window access
};

// Asked before each placement of a batch is sent: true ends the batch there.
using StopCheck = std::function<bool()>;

}  // namespace vantrel::native
