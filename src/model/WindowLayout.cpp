// Derived texts and hashing of the layout records.
#include "model/WindowLayout.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <string_view>
#include <utility>

namespace vantrel {
namespace {

// A length truncated toward zero, as a whole number: 1920.7 -> "1920". Lengths read from a file
// may be far beyond any integer type, so the digits come from the double itself.
void appendTruncated(std::string& out, double length) {
    double whole = std::trunc(length);
    if (whole == 0) whole = 0;  // -0.5 truncates to -0, which reads as 0
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, whole, std::chars_format::fixed);
    out.append(buffer, result.ptr);
}

void appendSize(std::string& out, const DisplayInfo& display) {
    appendTruncated(out, display.frameWidth);
    out.push_back('x');
    appendTruncated(out, display.frameHeight);
}

// Feeds fields one after another into one hash, so that equal values hash equally.
class Hasher {
  public:
    void add(std::uint64_t word) {
        // splitmix64 finaliser on each word, then a multiply-rotate chain: order matters.
        word += 0x9E3779B97F4A7C15ULL;
        word = (word ^ (word >> 30)) * 0xBF58476D1CE4E5B9ULL;
        word = (word ^ (word >> 27)) * 0x94D049BB133111EBULL;
        word ^= word >> 31;
        state_ = std::rotl(state_ ^ word, 23) * 0x9E3779B97F4A7C15ULL;
    }
    void add(bool value) { add(std::uint64_t{value}); }
    void add(std::int64_t value) { add(static_cast<std::uint64_t>(value)); }
    void add(std::uint32_t value) { add(std::uint64_t{value}); }
    void add(std::uint16_t value) { add(std::uint64_t{value}); }
    void add(double value) {
        // 0.0 and -0.0 are equal, so they must hash alike.
        add(std::bit_cast<std::uint64_t>(value == 0 ? 0.0 : value));
    }
    void add(const std::string& text) { add(std::uint64_t{std::hash<std::string_view>{}(text)}); }
    void add(const Uuid& uuid) { add(std::uint64_t{std::hash<Uuid>{}(uuid)}); }
    void add(Date date) { add(static_cast<std::uint64_t>(date.time_since_epoch().count())); }
    void add(const DisplayInfo& value) { add(std::uint64_t{std::hash<DisplayInfo>{}(value)}); }
    void add(const DisplayConfiguration& value) {
        add(std::uint64_t{std::hash<DisplayConfiguration>{}(value)});
    }
    void add(const WindowState& value) { add(std::uint64_t{std::hash<WindowState>{}(value)}); }

    template <typename T>
    void add(const std::optional<T>& value) {
        add(value.has_value());
        if (value) add(*value);
    }
    template <typename T>
    void add(const std::vector<T>& values) {
        add(std::uint64_t{values.size()});
        for (const auto& value : values) add(value);
    }

    std::size_t value() const { return static_cast<std::size_t>(state_); }

  private:
    std::uint64_t state_ = 0;
};

}  // namespace

std::string DisplayConfiguration::identifier() const {
    std::vector<const DisplayInfo*> sorted;
    sorted.reserve(displays.size());
    for (const auto& display : displays) sorted.push_back(&display);
    std::stable_sort(sorted.begin(), sorted.end(), [](const DisplayInfo* a, const DisplayInfo* b) {
        return a->displayID < b->displayID;
    });
    std::string text;
    for (const DisplayInfo* display : sorted) {
        if (!text.empty()) text.push_back('|');
        text += std::to_string(display->displayID);
        text.push_back(':');
        appendSize(text, *display);
    }
    return text;
}

std::string DisplayConfiguration::sizeSignature() const {
    std::vector<const DisplayInfo*> sorted;
    sorted.reserve(displays.size());
    for (const auto& display : displays) sorted.push_back(&display);
    // The main display first, then larger before smaller. A NaN area would break the ordering
    // the sort relies on, so it counts as the smallest.
    const auto area = [](const DisplayInfo* display) {
        const double product = display->frameWidth * display->frameHeight;
        return std::isnan(product) ? -HUGE_VAL : product;
    };
    std::stable_sort(sorted.begin(), sorted.end(), [&](const DisplayInfo* a, const DisplayInfo* b) {
        if (a->isMain != b->isMain) return a->isMain;
        return area(a) > area(b);
    });
    std::string text = std::to_string(displays.size()) + ":";
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        if (i != 0) text.push_back('|');
        appendSize(text, *sorted[i]);
    }
    return text;
}

}  // namespace vantrel

std::size_t std::hash<vantrel::DisplayInfo>::operator()(
    const vantrel::DisplayInfo& value) const noexcept {
    vantrel::Hasher hasher;
    hasher.add(value.displayID);
    hasher.add(value.frameX);
    hasher.add(value.frameY);
    hasher.add(value.frameWidth);
    hasher.add(value.frameHeight);
    hasher.add(value.isMain);
    hasher.add(value.name);
    return hasher.value();
}

std::size_t std::hash<vantrel::DisplayConfiguration>::operator()(
    const vantrel::DisplayConfiguration& value) const noexcept {
    vantrel::Hasher hasher;
    hasher.add(value.displays);
    return hasher.value();
}

std::size_t std::hash<vantrel::WindowState>::operator()(
    const vantrel::WindowState& value) const noexcept {
    vantrel::Hasher hasher;
    hasher.add(value.appBundleID);
    hasher.add(value.appName);
    hasher.add(value.windowTitle);
    hasher.add(value.windowIndex);
    hasher.add(value.frameX);
    hasher.add(value.frameY);
    hasher.add(value.frameWidth);
    hasher.add(value.frameHeight);
    hasher.add(value.displayID);
    hasher.add(value.isMinimized);
    hasher.add(value.isFullscreen);
    hasher.add(value.spaceIndex);
    hasher.add(value.spaceUUID);
    hasher.add(value.isOnAllSpaces);
    hasher.add(value.windowNumber);
    hasher.add(value.relativeFrameX);
    hasher.add(value.relativeFrameY);
    hasher.add(value.relativeFrameWidth);
    hasher.add(value.relativeFrameHeight);
    return hasher.value();
}

std::size_t std::hash<vantrel::WindowLayout>::operator()(
    const vantrel::WindowLayout& value) const noexcept {
    vantrel::Hasher hasher;
    hasher.add(value.id);
    hasher.add(value.name);
    hasher.add(value.shortcutKeyCode);
    hasher.add(value.shortcutModifiers);
    hasher.add(value.windows);
    hasher.add(value.displayConfiguration);
    hasher.add(value.triggerOnDisplayChange);
    hasher.add(value.triggerApps);
    hasher.add(value.launchMissingApps);
    hasher.add(value.closeOtherApps);
    hasher.add(value.restoreAtLogin);
    hasher.add(value.createdAt);
    hasher.add(value.modifiedAt);
    return hasher.value();
}
