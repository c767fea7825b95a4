// The adapter's element reads and writes, and the workspace calls it passes through.
#include "engine/DesktopAdapter.h"

namespace vantrel {

// An application (window 0) or one of its windows, by the backend's ids.
class DesktopAdapter::AdapterElement final : public ElementData {
  public:
    AdapterElement(const DesktopAdapter* adapter, native::AppHandle a, native::WindowId w)
        : owner(adapter), app(a), window(w) {}
    const DesktopAdapter* owner;
    native::AppHandle app;
    native::WindowId window;  // 0 for an application
};

DesktopAdapter::DesktopAdapter(native::NativeDesktop& desktop) : desktop_(desktop) {}

DesktopAdapter::~DesktopAdapter() = default;

std::shared_ptr<const native::Snapshot> DesktopAdapter::fresh() {
    auto snapshot = desktop_.snapshot();
    std::lock_guard lock(mutex_);
    snapshot_ = snapshot;
    return snapshot;
}

std::shared_ptr<const native::Snapshot> DesktopAdapter::kept() {
    {
        std::lock_guard lock(mutex_);
        if (snapshot_) return snapshot_;
    }
    return fresh();
}

bool DesktopAdapter::showsMinimized(native::WindowId window, bool minimized) {
    std::lock_guard lock(mutex_);
    const native::Window* found = snapshot_ ? snapshot_->window(window) : nullptr;
    return found != nullptr && found->minimized == minimized;
}

void DesktopAdapter::forget() {
    std::lock_guard lock(mutex_);
    snapshot_.reset();
}

const DesktopAdapter::AdapterElement* DesktopAdapter::ours(const Element& element) const {
    const auto* adapted = dynamic_cast<const AdapterElement*>(element.get());
    return adapted != nullptr && adapted->owner == this ? adapted : nullptr;
}

Element DesktopAdapter::elementForWindow(native::WindowId window) {
    const auto snapshot = fresh();
    const native::Window* found = snapshot->window(window);
    if (found == nullptr) return nullptr;
    return std::make_shared<AdapterElement>(this, found->app, window);
}

std::optional<RunningApplication> DesktopAdapter::applicationOfWindow(native::WindowId window) {
    const auto snapshot = fresh();
    const native::Window* found = snapshot->window(window);
    const native::App* app = found != nullptr ? snapshot->app(found->app) : nullptr;
    if (app == nullptr) return std::nullopt;
    return adapter::runningApplication(*app);
}

bool DesktopAdapter::isProcessTrusted() {
    return desktop_.capabilities().canMove;
}

void DesktopAdapter::requestTrust() {
    desktop_.requestAccess();
}

Element DesktopAdapter::applicationElement(const RunningApplication& application) {
    return std::make_shared<AdapterElement>(this, application.handle, 0);
}

AttributeRead DesktopAdapter::copyAttribute(const Element& element, std::string_view name) {
    const AdapterElement* adapted = ours(element);
    if (adapted == nullptr) return {AXError::illegalArgument, std::nullopt};
    auto snapshot = kept();
    if (adapted->window == 0) {
        if (snapshot->app(adapted->app) == nullptr) snapshot = fresh();
        return readApplication(*snapshot, adapted->app, name);
    }
    const native::Window* window = snapshot->window(adapted->window);
    if (window == nullptr) {
        snapshot = fresh();
        window = snapshot->window(adapted->window);
    }
    if (window == nullptr) return {AXError::invalidUIElement, std::nullopt};
    return readWindow(*window, name);
}

AttributeRead DesktopAdapter::readApplication(const native::Snapshot& snapshot,
                                              native::AppHandle app, std::string_view name) {
    if (snapshot.app(app) == nullptr) return {AXError::cannotComplete, std::nullopt};
    if (name == attribute::kWindows) {
        std::vector<Element> windows;
        for (const auto* window : snapshot.windowsOf(app))
            windows.push_back(std::make_shared<AdapterElement>(this, app, window->id));
        return {AXError::success, AttributeValue{std::move(windows)}};
    }
    if (name == attribute::kFocusedWindow) {
        for (const auto* window : snapshot.windowsOf(app))
            if (window->focused)
                return {AXError::success, AttributeValue{Element{std::make_shared<AdapterElement>(
                                              this, app, window->id)}}};
        return {AXError::noValue, std::nullopt};
    }
    return {AXError::attributeUnsupported, std::nullopt};
}

AttributeRead DesktopAdapter::readWindow(const native::Window& window, std::string_view name) {
    if (name == attribute::kTitle) {
        if (!window.title) return {AXError::noValue, std::nullopt};
        return {AXError::success, AttributeValue{*window.title}};
    }
    if (name == attribute::kMain) return {AXError::success, AttributeValue{window.main}};
    if (name == attribute::kPosition)
        return {AXError::success, AttributeValue{Point{window.frame.x, window.frame.y}}};
    if (name == attribute::kSize)
        return {AXError::success, AttributeValue{Size{window.frame.width, window.frame.height}}};
    if (name == attribute::kMinimized) return {AXError::success, AttributeValue{window.minimized}};
    if (name == attribute::kFullScreen)
        return {AXError::success, AttributeValue{window.fullScreen}};
    return {AXError::attributeUnsupported, std::nullopt};
}

AXError DesktopAdapter::setAttribute(const Element& element, std::string_view name,
                                     const AttributeValue& value) {
    const AdapterElement* adapted = ours(element);
    if (adapted == nullptr) return AXError::illegalArgument;
    if (adapted->window == 0) return AXError::attributeUnsupported;
    if (name == attribute::kMinimized) {
        const auto* minimized = std::get_if<bool>(&value);
        if (minimized == nullptr) return AXError::illegalArgument;
        // A restore asks every window to be what it already is: then what was read stays true.
        const bool already = showsMinimized(adapted->window, *minimized);
        const auto result = desktop_.setMinimized(adapted->window, *minimized);
        if (!already) forget();
        return adapter::errorOf(result);
    }
    if (name == attribute::kPosition) {
        const auto* point = std::get_if<Point>(&value);
        if (point == nullptr || !isFinite(*point)) return AXError::illegalArgument;
        return place(adapted->window, *point, std::nullopt);
    }
    if (name == attribute::kSize) {
        const auto* size = std::get_if<Size>(&value);
        if (size == nullptr || !isFinite(*size)) return AXError::illegalArgument;
        return place(adapted->window, std::nullopt, *size);
    }
    return AXError::attributeUnsupported;
}

AXError DesktopAdapter::place(native::WindowId window, std::optional<Point> position,
                              std::optional<Size> size) {
    const auto results = desktop_.placeWindows({native::Placement{window, position, size}});
    forget();
    return results.empty() ? AXError::cannotComplete : adapter::errorOf(results.front());
}

std::vector<AXError> DesktopAdapter::setFrames(const std::vector<FrameWrite>& writes,
                                               const std::function<bool()>& stopped) {
    std::vector<AXError> errors(writes.size(), AXError::illegalArgument);
    std::vector<native::Placement> placements;
    std::vector<std::size_t> sent;  // the write of each placement
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const FrameWrite& write = writes[i];
        const AdapterElement* adapted = ours(write.window);
        if (adapted == nullptr || adapted->window == 0 || !isFinite(write.position) ||
            !isFinite(write.size))
            continue;
        placements.push_back(
            native::Placement{adapted->window, write.position, write.size, write.delay});
        sent.push_back(i);
    }
    if (placements.empty()) return errors;
    const auto results = desktop_.placeWindows(placements, stopped);
    forget();
    for (std::size_t k = 0; k < sent.size(); ++k) {
        // A stopped request answers for the writes before the first one not sent.
        if (k < results.size() && results[k] == native::PlaceResult::notSent) {
            errors.resize(sent[k]);
            break;
        }
        errors[sent[k]] =
            k < results.size() ? adapter::errorOf(results[k]) : AXError::cannotComplete;
    }
    return errors;
}

std::optional<std::vector<WindowServerEntry>> DesktopAdapter::windowList() {
    const auto snapshot = fresh();
    std::vector<WindowServerEntry> entries;
    entries.reserve(snapshot->stacking.size());
    for (const native::WindowId id : snapshot->stacking) {
        const native::Window* window = snapshot->window(id);
        if (window == nullptr) continue;
        const native::App* app = snapshot->app(window->app);
        const Rect& f = window->frame;
        entries.push_back(
            WindowServerEntry{static_cast<std::uint32_t>(id),
                              app != nullptr ? std::optional<std::int32_t>(app->pid) : std::nullopt,
                              window->layer, WindowBounds{f.x, f.y, f.width, f.height}});
    }
    return entries;
}

std::vector<RunningApplication> DesktopAdapter::runningApplications() {
    const auto snapshot = fresh();
    std::vector<RunningApplication> result;
    result.reserve(snapshot->apps.size());
    for (const auto& app : snapshot->apps) result.push_back(adapter::runningApplication(app));
    return result;
}

std::optional<RunningApplication> DesktopAdapter::frontmostApplication() {
    const auto snapshot = fresh();
    const native::App* app = snapshot->frontmost ? snapshot->app(*snapshot->frontmost) : nullptr;
    if (app == nullptr) return std::nullopt;
    return adapter::runningApplication(*app);
}

std::optional<std::string> DesktopAdapter::applicationLocation(std::string_view bundleID) {
    if (!desktop_.isInstalled(bundleID)) return std::nullopt;
    return std::string(bundleID);
}

Result<RunningApplication> DesktopAdapter::openApplication(const std::string& location,
                                                           bool activates) {
    auto launched = desktop_.launch(location, activates);
    forget();
    if (!launched.ok()) return launched.error();
    return adapter::runningApplication(launched.value());
}

bool DesktopAdapter::terminate(const RunningApplication& application) {
    return desktop_.closeApplication(application.handle);
}

bool DesktopAdapter::openURL(std::string_view url) {
    return desktop_.openUri(url);
}

ScreenList DesktopAdapter::screens() {
    return adapter::screenList(fresh()->monitors);
}

std::optional<PreferenceValue> DesktopAdapter::spacesDisplayConfiguration() {
    return adapter::spacesOf(*fresh());
}

std::optional<std::int64_t> DesktopAdapter::currentSpaceIndex() {
    const auto snapshot = fresh();
    const auto& workspaces = snapshot->workspaces;
    if (!workspaces.current || *workspaces.current < 0 || *workspaces.current >= workspaces.count)
        return std::nullopt;
    return *workspaces.current + 1;
}

bool DesktopAdapter::moveWindowToCurrentSpace(const Element& element) {
    const AdapterElement* adapted = ours(element);
    if (adapted == nullptr || adapted->window == 0) return false;
    const bool moved = desktop_.moveToCurrentWorkspace(adapted->window);
    forget();
    return moved;
}

bool DesktopAdapter::windowManagerTiles() {
    return desktop_.capabilities().tiles;
}

Subscription DesktopAdapter::observeScreenParameters(std::function<void()> handler) {
    return desktop_.observeMonitors(std::move(handler));
}

Subscription DesktopAdapter::observeApplicationLaunches(
    std::function<void(const RunningApplication&)> handler) {
    return desktop_.observeAppLaunches([handler = std::move(handler)](const native::App& app) {
        handler(adapter::runningApplication(app));
    });
}

Subscription DesktopAdapter::observeSpaceChanges(std::function<void()> handler) {
    return desktop_.observeWorkspace(std::move(handler));
}

std::string DesktopAdapter::fileManagerBundleID() const {
    return desktop_.identity().fileManager;
}

std::string DesktopAdapter::dockBundleID() const {
    return desktop_.identity().dock;
}

std::string DesktopAdapter::ownBundleID() const {
    return desktop_.identity().own;
}

std::string DesktopAdapter::accessibilitySettingsURL() const {
    return desktop_.identity().accessSettingsUri;
}

}  // namespace vantrel
