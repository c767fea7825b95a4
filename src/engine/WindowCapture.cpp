// Capture: the open windows as WindowState records, and the connected displays.
#include <cmath>
#include <unordered_map>

#include "engine/WindowService.h"

namespace vantrel {
namespace {

// Window-server entries grouped by owner, each group in list order.
using EntriesByOwner = std::unordered_map<std::int32_t, std::vector<WindowServerEntry>>;

EntriesByOwner groupByOwner(std::optional<std::vector<WindowServerEntry>> list) {
    EntriesByOwner byOwner;
    if (!list) return byOwner;
    for (auto& entry : *list)
        if (entry.ownerPID) byOwner[*entry.ownerPID].push_back(std::move(entry));
    return byOwner;
}

// Bounds within 5 points of the window on every side pair the two; a missing bound counts as 0.
std::optional<std::uint32_t> matchEntry(const std::vector<WindowServerEntry>& entries,
                                        Point position, Size size) {
    for (const auto& entry : entries) {
        if (!entry.bounds || !entry.number) continue;
        const WindowBounds& b = *entry.bounds;
        if (std::abs(b.x.value_or(0) - position.x) < 5 &&
            std::abs(b.y.value_or(0) - position.y) < 5 &&
            std::abs(b.width.value_or(0) - size.width) < 5 &&
            std::abs(b.height.value_or(0) - size.height) < 5)
            return entry.number;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> matchIn(const EntriesByOwner& byOwner, std::int32_t pid,
                                     Point position, Size size) {
    const auto it = byOwner.find(pid);
    if (it == byOwner.end()) return std::nullopt;
    return matchEntry(it->second, position, size);
}

// A point value as a point; anything else, or a point without real coordinates, is the origin.
Point pointOf(const AttributeRead& read) {
    const auto* point = read.as<Point>();
    return point != nullptr && isFinite(*point) ? *point : Point{};
}

bool boolOf(const AttributeRead& read) {
    const auto* value = read.as<bool>();
    return value != nullptr && *value;
}

}  // namespace

// What one capture reads once and shares between all windows.
struct WindowService::WindowContext {
    ScreenList screens;
    EntriesByOwner windowServer;
    SpacesSnapshot spaces;
};

std::vector<WindowState> WindowService::captureWindows() {
    spaces_.start();  // the first capture or restore starts the Space tracker's refresh
    if (!hasAccessibilityPermission.get()) {
        log_.line("WindowService: No accessibility permission");
        return {};
    }
    // The window-server list and the Spaces are read once: windows do not change mid-capture.
    const WindowContext context{windowSystem_.screens(), groupByOwner(windowSystem_.windowList()),
                                spaces_.snapshot()};
    std::vector<WindowState> states;
    for (const auto& application : windowSystem_.runningApplications()) {
        if (application.activationPolicy != ActivationPolicy::regular) continue;
        if (!application.bundleID) continue;
        const Element element = windowSystem_.applicationElement(application);
        const AttributeRead read = windowSystem_.copyAttribute(element, attribute::kWindows);
        const auto* windows = read.as<std::vector<Element>>();
        if (windows == nullptr) continue;
        for (std::size_t i = 0; i < windows->size(); ++i) {
            if (auto state = makeWindowState((*windows)[i], application,
                                             static_cast<std::int64_t>(i), context))
                states.push_back(std::move(*state));
        }
    }
    return states;
}

std::optional<WindowState> WindowService::makeWindowState(const Element& window,
                                                          const RunningApplication& application,
                                                          std::int64_t index,
                                                          const WindowContext& context) {
    if (!application.bundleID) return std::nullopt;
    const AttributeRead titleRead = windowSystem_.copyAttribute(window, attribute::kTitle);
    const auto* title = titleRead.as<std::string>();
    if (title == nullptr || title->empty()) {
        // An untitled window survives only as the main window or the first in the list.
        const bool isMain = boolOf(windowSystem_.copyAttribute(window, attribute::kMain));
        if (!isMain && index != 0) return std::nullopt;
    }

    const AttributeRead positionRead = windowSystem_.copyAttribute(window, attribute::kPosition);
    if (!positionRead.ok()) return std::nullopt;
    const Point position = pointOf(positionRead);

    const AttributeRead sizeRead = windowSystem_.copyAttribute(window, attribute::kSize);
    const auto* sizeValue = sizeRead.as<Size>();
    if (sizeValue == nullptr || !isFinite(*sizeValue)) return std::nullopt;
    const Size size = *sizeValue;
    // Windows under 100 points are palettes, toolbars and popovers; leave them out.
    if (size.width < 100 || size.height < 100) return std::nullopt;

    WindowState state;
    state.isMinimized = boolOf(windowSystem_.copyAttribute(window, attribute::kMinimized));
    state.isFullscreen = boolOf(windowSystem_.copyAttribute(window, attribute::kFullScreen));
    const Rect frame{position.x, position.y, size.width, size.height};
    state.displayID = vantrel::displayForFrame(context.screens, frame);
    // The position and size just read are those the window server is matched against.
    state.windowNumber =
        matchIn(context.windowServer, application.processIdentifier, position, size);
    if (state.windowNumber) {
        if (context.spaces.isWindowOnAllSpaces(*state.windowNumber)) {
            state.isOnAllSpaces = true;
        } else if (auto space = context.spaces.spaceForWindow(*state.windowNumber)) {
            state.spaceIndex = space->index;
            state.spaceUUID = space->uuid;
        }
    }
    if (auto relative = vantrel::relativeFrame(context.screens, frame, state.displayID)) {
        state.relativeFrameX = relative->x;
        state.relativeFrameY = relative->y;
        state.relativeFrameWidth = relative->width;
        state.relativeFrameHeight = relative->height;
    }
    state.appBundleID = *application.bundleID;
    state.appName = application.localizedName.value_or(*application.bundleID);
    if (title != nullptr) state.windowTitle = *title;
    state.windowIndex = index;
    state.frameX = position.x;
    state.frameY = position.y;
    state.frameWidth = size.width;
    state.frameHeight = size.height;
    return state;
}

std::vector<DisplayInfo> WindowService::currentDisplayConfiguration() {
    return displayInfos(windowSystem_.screens());
}

std::uint32_t WindowService::displayForFrame(double x, double y, double width, double height) {
    return vantrel::displayForFrame(windowSystem_.screens(), Rect{x, y, width, height});
}

std::optional<RelativeFrame> WindowService::relativeFrame(double x, double y, double width,
                                                          double height, std::uint32_t displayID) {
    return vantrel::relativeFrame(windowSystem_.screens(), Rect{x, y, width, height}, displayID);
}

std::optional<std::uint32_t> WindowService::matchWindowNumber(const Element& window,
                                                              std::int32_t pid) {
    const AttributeRead positionRead = windowSystem_.copyAttribute(window, attribute::kPosition);
    const AttributeRead sizeRead = windowSystem_.copyAttribute(window, attribute::kSize);
    if (!positionRead.ok() || !sizeRead.ok()) return std::nullopt;
    const auto* size = sizeRead.as<Size>();
    const Size windowSize = size != nullptr && isFinite(*size) ? *size : Size{};
    return matchIn(groupByOwner(windowSystem_.windowList()), pid, pointOf(positionRead),
                   windowSize);
}

}  // namespace vantrel
