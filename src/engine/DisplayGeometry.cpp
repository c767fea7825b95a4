// Display choice and the relative-frame formulas. Window frames (y down) and screen frames (y up)
// are combined as they stand: the capture and restore formulas invert each other exactly.
#include "engine/DisplayGeometry.h"

namespace vantrel {
namespace {

const Screen* firstScreenNumbered(const ScreenList& screens, std::uint32_t displayID) {
    for (const auto& screen : screens.screens)
        if (screenNumber(screen) == displayID) return &screen;
    return nullptr;
}

}  // namespace

std::uint32_t screenNumber(const Screen& screen) {
    return screen.screenNumber.value_or(0);
}

std::uint32_t displayForFrame(const ScreenList& screens, const Rect& frame) {
    double bestArea = 0;
    std::uint32_t chosen = 0;
    for (const auto& screen : screens.screens) {
        const auto overlap = intersection(frame, screen.frame);
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
                   const RelativeFrame& relative) {
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
    return Rect{f.x + relative.x * f.width, f.y + relative.y * f.height, relative.width * f.width,
                relative.height * f.height};
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
