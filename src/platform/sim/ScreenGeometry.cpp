// Parsing of screen geometry texts such as "1920x1080+0+0P,1280x1024+1920+0" into monitors.
#include <charconv>

#include "platform/sim/SimControl.h"

namespace vantrel {
namespace {

// Reads an optionally signed decimal number and moves past it.
std::optional<double> readNumber(std::string_view& text) {
    double value = 0;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (begin != end && *begin == '+') ++begin;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc{} || ptr == begin) return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(ptr - text.data()));
    return value;
}

bool take(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

}  // namespace

std::optional<std::vector<native::Monitor>> parseScreenGeometry(std::string_view geometry) {
    std::vector<native::Monitor> list;
    if (geometry.empty()) return list;
    std::uint32_t n = 1;
    while (true) {
        const auto comma = geometry.find(',');
        std::string_view item = geometry.substr(0, comma);
        const auto w = readNumber(item);
        if (!w || !take(item, 'x')) return std::nullopt;
        const auto h = readNumber(item);
        if (!h || item.empty() || (item.front() != '+' && item.front() != '-')) return std::nullopt;
        const auto x = readNumber(item);
        if (!x || item.empty() || (item.front() != '+' && item.front() != '-')) return std::nullopt;
        const auto y = readNumber(item);
        if (!y) return std::nullopt;
        const bool main = take(item, 'P');
        if (!item.empty()) return std::nullopt;
        const Rect frame{*x, *y, *w, *h};
        list.push_back(native::Monitor{n, "Display " + std::to_string(n), frame, frame, main});
        ++n;
        if (comma == std::string_view::npos) break;
        geometry.remove_prefix(comma + 1);
    }
    // Given in screen space: the desktop space is turned over the first monitor's height.
    const double axis = list.front().frame.height;
    for (auto& monitor : list) {
        monitor.frame.y = axis - monitor.frame.y - monitor.frame.height;
        monitor.workArea = monitor.frame;
    }
    return list;
}

}  // namespace vantrel
