// Moves the focused window of the frontmost application to one of the fifteen preset positions.
#pragma once

#include <optional>

#include "base/Geometry.h"
#include "base/Log.h"
#include "engine/WindowService.h"
#include "engine/WindowSystem.h"
#include "model/PresetLayout.h"

namespace vantrel {

// The preset applied to a visible frame, in screen coordinates (bottom-left origin, y up).
Rect presetFrame(const Rect& visibleFrame, PresetLayout preset);

class PresetLayoutService {
  public:
    PresetLayoutService(WindowService& windowService, WindowSystem& windowSystem, Log& log);
    PresetLayoutService(const PresetLayoutService&) = delete;
    PresetLayoutService& operator=(const PresetLayoutService&) = delete;

    // Places the frontmost application's focused window; main thread. True when it got as far as
    // writing the position and size, whether or not those writes succeeded.
    bool apply(PresetLayout preset);
    // The preset on the screen's visible frame.
    static Rect presetFrame(const Screen& screen, PresetLayout preset);
    // The screen showing the largest part of the window, if any.
    std::optional<Screen> screenOfWindow(const Element& window);

  private:
    std::optional<Screen> screenOfWindow(const Element& window, const ScreenList& screens);

    WindowService& windowService_;
    WindowSystem& windowSystem_;
    Log& log_;
};

}  // namespace vantrel
