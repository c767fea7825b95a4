// Coordinate conversions between X root-window pixels and the desktop space, and struts.
#pragma once

#include <array>
#include <vector>

#include "base/Geometry.h"

namespace vantrel::x11 {

// Decoration widths around a client window (left, right, top, bottom), in pixels.
struct Extents {
    double left = 0;
    double right = 0;
    double top = 0;
    double bottom = 0;
    friend bool operator==(const Extents&, const Extents&) = default;
};

// The outer frame of a client: grown by the window manager's decorations and shrunk by the
// shadow margins a client-side-decorated window draws inside its own area.
Rect frameFromClient(const Rect& client, const Extents& frame, const Extents& shadow);
// The inverse: the client rectangle that gives this outer frame.
Rect clientFromFrame(const Rect& outer, const Extents& frame, const Extents& shadow);

// Root coordinates (top-left of the X screen, y down) relative to the primary monitor's
// top-left corner (the desktop space), and back. The primary monitor is given in root
// coordinates.
Point rootToDesktop(Point root, const Rect& primary);
Point desktopToRoot(Point desktop, const Rect& primary);

// _NET_WM_STRUT_PARTIAL: left, right, top, bottom, then the start/end of each band.
using Strut = std::array<double, 12>;
// A _NET_WM_STRUT (4 values) as a partial strut covering the whole edge.
Strut strutFromLegacy(const std::array<double, 4>& strut, double rootWidth, double rootHeight);
// The monitor less the parts that the struts reserve. Struts are in root coordinates and
// reserve a band along an edge of the whole X screen.
Rect visibleArea(const Rect& monitor, const std::vector<Strut>& struts, double rootWidth,
                 double rootHeight);

}  // namespace vantrel::x11
