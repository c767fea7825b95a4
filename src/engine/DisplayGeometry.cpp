// Display choice and the relative-frame formulas. The stored relative fields combine window frames
// (y down) and screen frames (y up) as they stand, as layout files hold them; choosing a display
// and placing on one flip the screen frames into the window space.
#include "engine/DisplayGeometry.h"

namespace vantrel {
namespace {

const Screen* firstScreenNumbered(const ScreenList& screens, std::uint32_t displayID) {
    for (const auto& screen : screens.screens)
        if (screenNumber(screen) == displayID) return &screen;
    return nullptr;
}

// The height of the primary (first) screen: the axis between the two spaces.
double primaryHeight(const ScreenList& screens) {
    return screens.screens.empty() ? 0 : screens.screens.front().frame.height;
}

// The top of a screen-space frame in the window space (y down from the primary's top).
double topInWindowSpace(double primaryHeight, double y, double height) {
    return primaryHeight - (y + height);
}

// Where on its display, as a fraction of the display's height, a stored relative y put the
// window's top; none when the saved displays do not have that display.
std::optional<double> savedTopFraction(const DisplayConfiguration& saved, std::uint32_t displayID,
                                       double relativeY) {
    const DisplayInfo* display = nullptr;
    const DisplayInfo* primary = nullptr;
    for (const auto& info : saved.displays) {
        if (display == nullptr && info.displayID == displayID) display = &info;
        if (primary == nullptr && info.isMain) primary = &info;
    }
    if (primary == nullptr && !saved.displays.empty()) primary = &saved.displays.front();
    if (display == nullptr || !(display->frameHeight > 0)) return std::nullopt;
    const double y = display->frameY + relativeY * display->frameHeight;  // inverts the capture
    const double top =
        topInWindowSpace(primary->frameHeight, display->frameY, display->frameHeight);
    return (y - top) / display->frameHeight;
}

}  // namespace

std::uint32_t screenNumber(const Screen& screen) {
    return screen.screenNumber.value_or(0);
}

std::uint32_t displayForFrame(const ScreenList& screens, const Rect& frame) {
    double bestArea = 0;
    std::uint32_t chosen = 0;
    const double axis = primaryHeight(screens);
    for (const auto& screen : screens.screens) {
        const Rect& s = screen.frame;
        const Rect flipped{s.x, topInWindowSpace(axis, s.y, s.height), s.width, s.height};
        const auto overlap = intersection(frame, flipped);
        if (!overlap) continue;
        const double area = overlap->area();
        if (area > bestArea) {
            bestArea = area;
            chosen = screenNumber(screen);
        }
    }
    if (chosen != 0) return chosen;
    const Screen* main = screens.mainScreen();
    return main != nullptr ? screenNumber(*main) : 0;
}

std::optional<RelativeFrame> relativeFrame(const ScreenList& screens, const Rect& frame,
                                           std::uint32_t displayID) {
    const Screen* screen = firstScreenNumbered(screens, displayID);
    if (screen == nullptr) return std::nullopt;
    const Rect& s = screen->frame;
    // Written as negations so that a NaN width or height also counts as no area.
    if (!(s.width > 0) || !(s.height > 0)) return std::nullopt;
    return RelativeFrame{(frame.x - s.x) / s.width, (frame.y - s.y) / s.height,
                         frame.width / s.width, frame.height / s.height};
}

Rect absoluteFrame(const ScreenList& screens, std::uint32_t displayID,
                   const RelativeFrame& relative,
                   const std::optional<DisplayConfiguration>& saved) {
    const Screen* main = screens.mainScreen();
    std::uint32_t target = 0;
    if (firstScreenNumbered(screens, displayID) != nullptr)
        target = displayID;
    else if (main != nullptr)
        target = screenNumber(*main);

    Rect f{0, 0, 1440, 900};
    if (const Screen* screen = firstScreenNumbered(screens, target))
        f = screen->frame;
    else if (main != nullptr)
        f = main->frame;
    Rect placed{f.x + relative.x * f.width, f.y + relative.y * f.height, relative.width * f.width,
                relative.height * f.height};
    if (const auto fraction =
            saved ? savedTopFraction(*saved, displayID, relative.y) : std::nullopt) {
        const double axis = screens.screens.empty() ? f.height : primaryHeight(screens);
        placed.y = topInWindowSpace(axis, f.y, f.height) + *fraction * f.height;
    }
    return placed;
}

std::vector<DisplayInfo> displayInfos(const ScreenList& screens) {
    std::vector<DisplayInfo> infos;
    infos.reserve(screens.screens.size());
    for (std::size_t i = 0; i < screens.screens.size(); ++i) {
        const Screen& screen = screens.screens[i];
        infos.push_back(DisplayInfo{screenNumber(screen), screen.frame.x, screen.frame.y,
                                    screen.frame.width, screen.frame.height, screens.mainIndex == i,
                                    screen.localizedName});
    }
    return infos;
}

}  // namespace vantrel
