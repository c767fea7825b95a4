// Coordinate conversions and strut arithmetic for the X11 backend.
#include "platform/x11/X11Geometry.h"

#include <algorithm>

namespace vantrel::x11 {

Rect frameFromClient(const Rect& client, const Extents& frame, const Extents& shadow) {
    return Rect{client.x - frame.left + shadow.left, client.y - frame.top + shadow.top,
                client.width + frame.left + frame.right - shadow.left - shadow.right,
                client.height + frame.top + frame.bottom - shadow.top - shadow.bottom};
}

Rect clientFromFrame(const Rect& outer, const Extents& frame, const Extents& shadow) {
    return Rect{outer.x + frame.left - shadow.left, outer.y + frame.top - shadow.top,
                outer.width - frame.left - frame.right + shadow.left + shadow.right,
                outer.height - frame.top - frame.bottom + shadow.top + shadow.bottom};
}

Point rootToDesktop(Point root, const Rect& primary) {
    return Point{root.x - primary.x, root.y - primary.y};
}

Point desktopToRoot(Point desktop, const Rect& primary) {
    return Point{desktop.x + primary.x, desktop.y + primary.y};
}

Strut strutFromLegacy(const std::array<double, 4>& strut, double rootWidth, double rootHeight) {
    return Strut{strut[0], strut[1],       strut[2], strut[3],      0, rootHeight - 1,
                 0,        rootHeight - 1, 0,        rootWidth - 1, 0, rootWidth - 1};
}

namespace {

// True when the closed band [start, end] meets the half-open range [low, low + length).
bool bandMeets(double start, double end, double low, double length) {
    return end >= low && start < low + length;
}

}  // namespace

Rect visibleArea(const Rect& monitor, const std::vector<Strut>& struts, double rootWidth,
                 double rootHeight) {
    double left = monitor.x;
    double right = monitor.x + monitor.width;
    double top = monitor.y;
    double bottom = monitor.y + monitor.height;
    for (const Strut& s : struts) {
        // A left strut reserves x in [0, s[0]) over rows [s[4], s[5]], and so on for each edge.
        if (s[0] > 0 && bandMeets(s[4], s[5], monitor.y, monitor.height) && monitor.x < s[0])
            left = std::max(left, s[0]);
        if (s[1] > 0 && bandMeets(s[6], s[7], monitor.y, monitor.height) &&
            monitor.x + monitor.width > rootWidth - s[1])
            right = std::min(right, rootWidth - s[1]);
        if (s[2] > 0 && bandMeets(s[8], s[9], monitor.x, monitor.width) && monitor.y < s[2])
            top = std::max(top, s[2]);
        if (s[3] > 0 && bandMeets(s[10], s[11], monitor.x, monitor.width) &&
            monitor.y + monitor.height > rootHeight - s[3])
            bottom = std::min(bottom, rootHeight - s[3]);
    }
    if (right < left) right = left;
    if (bottom < top) bottom = top;
    return Rect{left, top, right - left, bottom - top};
}

}  // namespace vantrel::x11
