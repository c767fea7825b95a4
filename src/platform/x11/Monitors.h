// RandR monitors and the screen list built from them.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/api/NativeTypes.h"
#include "platform/x11/X11Geometry.h"

namespace vantrel::x11 {

// One RandR monitor as the server reports it, in root coordinates.
struct MonitorInfo {
    std::string name;
    Rect root;
    bool primary = false;
    std::vector<std::uint8_t> edid;
};

// The active monitors (RandR 1.5), with the EDID of each monitor's first output. Empty when
// RandR is missing or the request failed.
std::vector<MonitorInfo> readMonitors(xcb_connection_t* connection, xcb_window_t root,
                                      xcb_atom_t edidAtom);

// The monitors, primary first, in the desktop space (relative to the primary's top-left corner);
// work areas within the manager's work area on a single monitor (or without struts), else less
// the struts.
std::vector<native::Monitor> buildMonitors(std::vector<MonitorInfo> monitors,
                                           const std::vector<Strut>& struts,
                                           const std::optional<Rect>& workarea, double rootWidth,
                                           double rootHeight);

// The primary monitor in root coordinates: the origin of the accessibility space.
Rect primaryRootFrame(const std::vector<MonitorInfo>& monitors, double rootWidth,
                      double rootHeight);

}  // namespace vantrel::x11
