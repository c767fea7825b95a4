// Points, sizes and rectangles in points (doubles), with the rectangle arithmetic the engine and
// the backends share.
#pragma once

#include <optional>

namespace vantrel {

struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double area() const { return width * height; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The overlap of two rectangles; none when they do not meet. Rectangles that only touch meet in
// an empty rectangle, which is not none. Negative sizes are read as extending the other way.
std::optional<Rect> intersection(const Rect& a, const Rect& b);

// True when every coordinate is a finite number.
bool isFinite(const Point& point);
bool isFinite(const Size& size);

}  // namespace vantrel
