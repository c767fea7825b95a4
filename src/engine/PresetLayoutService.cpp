// Preset geometry, the window's screen, and placement with the flip between the two coordinate
// spaces (screen frames grow upwards from the bottom-left, window positions downwards).
#include "engine/PresetLayoutService.h"

#include <string>

namespace vantrel {
namespace {

// Height of the primary (first) display, the axis of the flip; 0 without displays.
double primaryHeight(const ScreenList& screens) {
    return screens.screens.empty() ? 0 : screens.screens.front().frame.height;
}

const std::vector<Element>* windowList(const AttributeRead& read) {
    const auto* windows = read.as<std::vector<Element>>();
    return windows != nullptr && !windows->empty() ? windows : nullptr;
}

}  // namespace

Rect presetFrame(const Rect& v, PresetLayout preset) {
    const double x = v.x, y = v.y, w = v.width, h = v.height;
    switch (preset) {
        case PresetLayout::maximize:
            return {x, y, w, h};
        case PresetLayout::leftHalf:
            return {x, y, w * 0.5, h};
        case PresetLayout::rightHalf:
            return {x + w * 0.5, y, w * 0.5, h};
        case PresetLayout::topHalf:
            return {x, y + h * 0.5, w, h * 0.5};
        case PresetLayout::bottomHalf:
            return {x, y, w, h * 0.5};
        case PresetLayout::topLeftQuarter:
            return {x, y + h * 0.5, w * 0.5, h * 0.5};
        case PresetLayout::topRightQuarter:
            return {x + w * 0.5, y + h * 0.5, w * 0.5, h * 0.5};
        case PresetLayout::bottomLeftQuarter:
            return {x, y, w * 0.5, h * 0.5};
        case PresetLayout::bottomRightQuarter:
            return {x + w * 0.5, y, w * 0.5, h * 0.5};
        case PresetLayout::center:
            return {x + (w - w * 0.7) * 0.5, y + (h - h * 0.7) * 0.5, w * 0.7, h * 0.7};
        case PresetLayout::leftThird:
            return {x, y, w / 3, h};
        case PresetLayout::centerThird:
            return {x + w / 3, y, w / 3, h};
        case PresetLayout::rightThird:
            return {x + (w + w) / 3, y, w / 3, h};
        case PresetLayout::leftTwoThirds:
            return {x, y, (w + w) / 3, h};
        case PresetLayout::rightTwoThirds:
            return {x + w / 3, y, (w + w) / 3, h};
    }
    return {x, y, w, h};
}

PresetLayoutService::PresetLayoutService(WindowService& windowService, WindowSystem& windowSystem,
                                         Log& log)
    : windowService_(windowService), windowSystem_(windowSystem), log_(log) {}

Rect PresetLayoutService::presetFrame(const Screen& screen, PresetLayout preset) {
    return vantrel::presetFrame(screen.visibleFrame, preset);
}

std::optional<Screen> PresetLayoutService::screenOfWindow(const Element& window) {
    return screenOfWindow(window, windowSystem_.screens());
}

std::optional<Screen> PresetLayoutService::screenOfWindow(const Element& window,
                                                          const ScreenList& screens) {
    const AttributeRead positionRead = windowSystem_.copyAttribute(window, attribute::kPosition);
    const AttributeRead sizeRead = windowSystem_.copyAttribute(window, attribute::kSize);
    if (!positionRead.ok() || !sizeRead.ok()) return std::nullopt;
    const auto* point = positionRead.as<Point>();
    const auto* size = sizeRead.as<Size>();
    const Point p = point != nullptr ? *point : Point{};
    const Size s = size != nullptr ? *size : Size{};
    const Rect inScreenSpace{p.x, primaryHeight(screens) - p.y - s.height, s.width, s.height};

    const Screen* best = nullptr;
    double bestArea = 0;
    for (const auto& screen : screens.screens) {
        const auto overlap = intersection(inScreenSpace, screen.frame);
        if (!overlap) continue;
        if (overlap->area() > bestArea) {
            bestArea = overlap->area();
            best = &screen;
        }
    }
    if (best == nullptr) return std::nullopt;
    return *best;
}

bool PresetLayoutService::apply(PresetLayout preset) {
    if (!windowService_.hasAccessibilityPermission.get()) {
        log_.line("PresetLayoutService: No accessibility permission");
        return false;
    }
    const auto application = windowSystem_.frontmostApplication();
    if (!application) {
        log_.line("PresetLayoutService: No frontmost application");
        return false;
    }
    const Element appElement = windowSystem_.applicationElement(*application);
    // The file manager's desktop counts as its focused window; without real windows leave it.
    if (application->bundleID == windowSystem_.fileManagerBundleID()) {
        const AttributeRead read = windowSystem_.copyAttribute(appElement, attribute::kWindows);
        if (windowList(read) == nullptr) {
            log_.line("PresetLayoutService: Finder has no windows");
            return false;
        }
    }

    Element window;
    const AttributeRead focused =
        windowSystem_.copyAttribute(appElement, attribute::kFocusedWindow);
    if (const auto* element = focused.as<Element>(); element != nullptr && *element) {
        window = *element;
    } else {
        const AttributeRead read = windowSystem_.copyAttribute(appElement, attribute::kWindows);
        const auto* windows = windowList(read);
        if (windows == nullptr) {
            log_.line("PresetLayoutService: Could not get windows for " +
                      application->localizedName.value_or("app"));
            return false;
        }
        window = windows->front();
    }

    const ScreenList screens = windowSystem_.screens();
    std::optional<Screen> target = screenOfWindow(window, screens);
    if (!target && screens.mainScreen() != nullptr) target = *screens.mainScreen();
    if (!target && !screens.screens.empty()) target = screens.screens.front();
    // No display at all: there is nowhere to put the window.
    if (!target) return false;

    const Rect frame = presetFrame(*target, preset);
    const Point position{frame.x, primaryHeight(screens) - frame.y - frame.height};
    const Size size{frame.width, frame.height};
    // Position and size in one request, so the window manager moves and sizes the window at once.
    const AXError error =
        isFinite(position) && isFinite(size)
            ? windowSystem_.setFrames({FrameWrite{window, position, size}}).front()
            : AXError::illegalArgument;
    if (error != AXError::success)
        log_.line("PresetLayoutService: Failed to set position and size: " + toString(error));
    return true;
}

}  // namespace vantrel
