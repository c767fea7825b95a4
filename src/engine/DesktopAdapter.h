// The engine's view of the desktop (accessibility attributes, the window-server list, Spaces)
// presented on top of a native backend.
#pragma once

#include <memory>
#include <mutex>

#include "engine/WindowSystem.h"
#include "platform/api/NativeDesktop.h"

namespace vantrel {

// Elements carry the backend's own ids, so reads are lookups in a snapshot. Reads of elements
// answer from the snapshot the last list read (applications, window list, screens, Spaces)
// fetched, so that a capture reads the desktop once; a write, or an element the snapshot does
// not know, fetches a new one. Thread-safe like the backend under it.
class DesktopAdapter final : public WindowSystem {
  public:
    explicit DesktopAdapter(native::NativeDesktop& desktop);
    ~DesktopAdapter() override;

    // The element of a window the backend knows by id (for tools and tests), null when none.
    Element elementForWindow(native::WindowId window);
    std::optional<RunningApplication> applicationOfWindow(native::WindowId window);

    bool isProcessTrusted() override;
    void requestTrust() override;
    Element applicationElement(const RunningApplication& application) override;
    AttributeRead copyAttribute(const Element& element, std::string_view name) override;
    AXError setAttribute(const Element& element, std::string_view name,
                         const AttributeValue& value) override;
    // One placement per write in one backend call; an element not ours or a frame that is not
    // finite is an illegal argument and is not sent.
    std::vector<AXError> setFrames(const std::vector<FrameWrite>& writes,
                                   const std::function<bool()>& stopped = {}) override;
    std::optional<std::vector<WindowServerEntry>> windowList() override;
    std::vector<RunningApplication> runningApplications() override;
    std::optional<RunningApplication> frontmostApplication() override;
    // The application id itself stands for where it is installed.
    std::optional<std::string> applicationLocation(std::string_view bundleID) override;
    Result<RunningApplication> openApplication(const std::string& location,
                                               bool activates) override;
    bool terminate(const RunningApplication& application) override;
    bool openURL(std::string_view url) override;
    ScreenList screens() override;
    // One Space per workspace, in order, named by its number; none without workspaces.
    std::optional<PreferenceValue> spacesDisplayConfiguration() override;
    std::optional<std::int64_t> currentSpaceIndex() override;
    bool moveWindowToCurrentSpace(const Element& window) override;
    bool windowManagerTiles() override;
    Subscription observeScreenParameters(std::function<void()> handler) override;
    Subscription observeApplicationLaunches(
        std::function<void(const RunningApplication&)> handler) override;
    Subscription observeSpaceChanges(std::function<void()> handler) override;
    std::string fileManagerBundleID() const override;
    std::string dockBundleID() const override;
    std::string ownBundleID() const override;
    std::string accessibilitySettingsURL() const override;

  private:
    class AdapterElement;

    // A new snapshot, kept for the element reads that follow.
    std::shared_ptr<const native::Snapshot> fresh();
    // The kept snapshot, or a new one.
    std::shared_ptr<const native::Snapshot> kept();
    void forget();
    // The kept snapshot shows the window in that state.
    bool showsMinimized(native::WindowId window, bool minimized);
    const AdapterElement* ours(const Element& element) const;
    AttributeRead readApplication(const native::Snapshot& snapshot, native::AppHandle app,
                                  std::string_view name);
    AttributeRead readWindow(const native::Window& window, std::string_view name);
    AXError place(native::WindowId window, std::optional<Point> position, std::optional<Size> size);

    native::NativeDesktop& desktop_;
    std::mutex mutex_;
    std::shared_ptr<const native::Snapshot> snapshot_;
};

// The pieces of the adapter that are pure arithmetic, shared with tests.
namespace adapter {
RunningApplication runningApplication(const native::App& app);
// Monitors (desktop space, y down) as screens (bottom-left origin of the primary, y up).
ScreenList screenList(const std::vector<native::Monitor>& monitors);
// The Spaces preference tree of the workspaces: one display "Main" listing each workspace with
// the numbers of the windows on it (sticky ones on all).
std::optional<PreferenceValue> spacesOf(const native::Snapshot& snapshot);
AXError errorOf(native::PlaceResult result);
}  // namespace adapter

}  // namespace vantrel
