// Rectangle arithmetic.
#include "base/Geometry.h"

#include <algorithm>
#include <cmath>

namespace vantrel {
namespace {

Rect standardized(const Rect& r) {
    Rect s = r;
    if (s.width < 0) {
        s.x += s.width;
        s.width = -s.width;
    }
    if (s.height < 0) {
        s.y += s.height;
        s.height = -s.height;
    }
    return s;
}

bool finite(const Rect& r) {
    return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) &&
           std::isfinite(r.height);
}

}  // namespace

std::optional<Rect> intersection(const Rect& a, const Rect& b) {
    // Nothing overlaps a rectangle that has no real coordinates.
    if (!finite(a) || !finite(b)) return std::nullopt;
    const Rect p = standardized(a);
    const Rect q = standardized(b);
    const double left = std::max(p.x, q.x);
    const double right = std::min(p.x + p.width, q.x + q.width);
    const double bottom = std::max(p.y, q.y);
    const double top = std::min(p.y + p.height, q.y + q.height);
    if (right < left || top < bottom) return std::nullopt;
    return Rect{left, bottom, right - left, top - bottom};
}

bool isFinite(const Point& point) {
    return std::isfinite(point.x) && std::isfinite(point.y);
}

bool isFinite(const Size& size) {
    return std::isfinite(size.width) && std::isfinite(size.height);
}

}  // namespace vantrel
