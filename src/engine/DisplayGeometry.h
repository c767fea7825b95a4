// Display rules shared by capture and restore: screen numbers, display choice, relative frames.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/WindowSystemTypes.h"
#include "model/WindowLayout.h"

namespace vantrel {

// A frame as fractions of a display's frame; all four present or none.
struct RelativeFrame {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    friend bool operator==(const RelativeFrame&, const RelativeFrame&) = default;
};

// A screen's display identifier; 0 when the platform gives it none.
std::uint32_t screenNumber(const Screen& screen);

// The display showing the largest part of a window frame (accessibility space; screen frames are
// flipped into it). Ties keep the earlier screen; no overlap, or a winner without a number, gives
// the main screen's number, or 0 without a main screen.
std::uint32_t displayForFrame(const ScreenList& screens, const Rect& frame);

// The frame as fractions of the frame of the first screen numbered displayID; none when there is
// no such screen or its frame has no area.
std::optional<RelativeFrame> relativeFrame(const ScreenList& screens, const Rect& frame,
                                           std::uint32_t displayID);

// The frame a relative frame stands for on the display it was captured on, or on the main screen
// when that display is gone (a 1440 x 900 frame at the origin when there is no main screen).
// The stored y fraction mixes the window's y-down position with the display's y-up origin; with
// the displays the layout was saved on, the window's true place on its display is recovered and
// carried over, without them the fraction is applied as it stands.
Rect absoluteFrame(const ScreenList& screens, std::uint32_t displayID,
                   const RelativeFrame& relative,
                   const std::optional<DisplayConfiguration>& saved = std::nullopt);

// One DisplayInfo per screen, in screen-list order.
std::vector<DisplayInfo> displayInfos(const ScreenList& screens);

}  // namespace vantrel
