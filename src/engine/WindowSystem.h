// The engine's view of the desktop: every operation the window engine needs, in the terms its
// algorithms were written in (accessibility elements, the window-server list, Spaces).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"
#include "base/Subscription.h"
#include "engine/WindowSystemTypes.h"

namespace vantrel {

// Implemented once, by DesktopAdapter over a native backend. Calls may come from the main thread
// and from the restore's worker thread, so implementations are thread-safe. No call throws.
class WindowSystem {
  public:
    WindowSystem() = default;
    WindowSystem(const WindowSystem&) = delete;
    WindowSystem& operator=(const WindowSystem&) = delete;
    virtual ~WindowSystem() = default;

    // --- Accessibility -------------------------------------------------------------------
    // True when this process may read and move other applications' windows.
    virtual bool isProcessTrusted() = 0;
    // Asks the system to prompt the user for the permission; the answer comes later.
    virtual void requestTrust() = 0;
    // The accessibility element of an application; always made, even if the application is gone.
    virtual Element applicationElement(const RunningApplication& application) = 0;
    virtual AttributeRead copyAttribute(const Element& element, std::string_view name) = 0;
    virtual AXError setAttribute(const Element& element, std::string_view name,
                                 const AttributeValue& value) = 0;
    // Writes position and size of many windows in one request, each after its delay; one result
    // per write, in order, once the desktop has answered them all. When `stopped` ends the
    // request early, the results cover only the writes sent before it.
    virtual std::vector<AXError> setFrames(const std::vector<FrameWrite>& writes,
                                           const std::function<bool()>& stopped = {}) = 0;

    // --- Window server -------------------------------------------------------------------
    // The on-screen windows without desktop elements, front to back; none when unavailable.
    virtual std::optional<std::vector<WindowServerEntry>> windowList() = 0;

    // --- Workspace -----------------------------------------------------------------------
    // Running applications in the platform's order.
    virtual std::vector<RunningApplication> runningApplications() = 0;
    virtual std::optional<RunningApplication> frontmostApplication() = 0;
    // Where the application with this identifier is installed, if anywhere.
    virtual std::optional<std::string> applicationLocation(std::string_view bundleID) = 0;
    // Launches the application and blocks until it runs or fails; never needs the main thread.
    virtual Result<RunningApplication> openApplication(const std::string& location,
                                                       bool activates) = 0;
    // Asks the application to quit politely; true when the request was accepted.
    virtual bool terminate(const RunningApplication& application) = 0;
    // Opens a URL (the permission settings); false when nothing was opened.
    virtual bool openURL(std::string_view url) = 0;

    // --- Screens -------------------------------------------------------------------------
    virtual ScreenList screens() = 0;

    // --- Spaces --------------------------------------------------------------------------
    // The "SpacesDisplayConfiguration" dictionary of the system's Spaces preferences; none when
    // the preferences or the key are missing.
    virtual std::optional<PreferenceValue> spacesDisplayConfiguration() = 0;
    // The current Space's index (from 1) where the platform states it; none leaves the engine to
    // work it out from the windows on screen.
    virtual std::optional<std::int64_t> currentSpaceIndex() { return std::nullopt; }
    // Moves a window to the current Space; false when the platform cannot.
    virtual bool moveWindowToCurrentSpace(const Element& /*window*/) { return false; }
    // Whether the window manager tiles: it keeps tiled windows where its own layout puts them,
    // so only floating windows can be placed.
    virtual bool windowManagerTiles() { return false; }

    // --- Events (delivered on the main thread) --------------------------------------------
    [[nodiscard]] virtual Subscription observeScreenParameters(std::function<void()> handler) = 0;
    [[nodiscard]] virtual Subscription observeApplicationLaunches(
        std::function<void(const RunningApplication&)> handler) = 0;
    // The current Space changed; platforms that do not say never call it.
    [[nodiscard]] virtual Subscription observeSpaceChanges(std::function<void()> /*handler*/) {
        return {};
    }

    // --- The platform's fixed identifiers ------------------------------------------------
    // The file manager, which is never quit and gets no preset placement without windows.
    virtual std::string fileManagerBundleID() const = 0;
    // The dock or panel, which is never quit.
    virtual std::string dockBundleID() const = 0;
    // This program, which never quits itself.
    virtual std::string ownBundleID() const = 0;
    // The address of the settings page where the user grants the accessibility permission.
    virtual std::string accessibilitySettingsURL() const = 0;
};

}  // namespace vantrel
