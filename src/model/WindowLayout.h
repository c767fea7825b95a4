// The layout records: a saved arrangement of windows, its windows and the displays it was made on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Time.h"
#include "base/Uuid.h"

namespace vantrel {

// Modifier-flag bits of a shortcut; other bits are carried but ignored.
namespace modifier {
inline constexpr std::uint64_t kShift = 0x20000;
inline constexpr std::uint64_t kControl = 0x40000;
inline constexpr std::uint64_t kOption = 0x80000;
inline constexpr std::uint64_t kCommand = 0x100000;
}  // namespace modifier

// One display connected at capture time. Frame in screen space (bottom-left origin, y up).
struct DisplayInfo {
    std::uint32_t displayID = 0;
    double frameX = 0;
    double frameY = 0;
    double frameWidth = 0;
    double frameHeight = 0;
    bool isMain = false;
    std::optional<std::string> name;

    friend bool operator==(const DisplayInfo&, const DisplayInfo&) = default;
};

// The displays connected at one moment, in the platform's screen order.
struct DisplayConfiguration {
    std::vector<DisplayInfo> displays;

    // Exact key of a set of displays: "id:WxH" sorted by id, joined with "|".
    std::string identifier() const;
    // Shape of a set of displays: "count:" then "WxH" main first, larger first, joined with "|".
    std::string sizeSignature() const;

    friend bool operator==(const DisplayConfiguration&, const DisplayConfiguration&) = default;
};

// One captured window. Frame in window space (top-left of the main display, y down).
struct WindowState {
    std::string appBundleID;
    std::string appName;
    std::optional<std::string> windowTitle;
    std::int64_t windowIndex = 0;
    double frameX = 0;
    double frameY = 0;
    double frameWidth = 0;
    double frameHeight = 0;
    std::uint32_t displayID = 0;
    bool isMinimized = false;
    bool isFullscreen = false;
    std::optional<std::int64_t> spaceIndex;
    std::optional<std::string> spaceUUID;
    bool isOnAllSpaces = false;
    std::optional<std::uint32_t> windowNumber;
    std::optional<double> relativeFrameX;
    std::optional<double> relativeFrameY;
    std::optional<double> relativeFrameWidth;
    std::optional<double> relativeFrameHeight;

    // Doubles compare by value, so 0.0 equals -0.0.
    friend bool operator==(const WindowState&, const WindowState&) = default;
};

// One saved layout, identified by `id`.
struct WindowLayout {
    Uuid id;
    std::string name;
    std::optional<std::uint16_t> shortcutKeyCode;
    std::optional<std::uint64_t> shortcutModifiers;
    std::vector<WindowState> windows;
    std::optional<DisplayConfiguration> displayConfiguration;
    bool triggerOnDisplayChange = false;
    std::vector<std::string> triggerApps;
    bool launchMissingApps = false;
    bool closeOtherApps = false;
    // Restored, launching its missing applications, when Vantrel starts. Stored only when set,
    // so files without it (and older versions reading it) keep working.
    bool restoreAtLogin = false;
    Date createdAt{};
    Date modifiedAt{};

    bool hasShortcut() const {
        return shortcutKeyCode.has_value() && shortcutModifiers.has_value();
    }

    friend bool operator==(const WindowLayout&, const WindowLayout&) = default;
};

}  // namespace vantrel

template <>
struct std::hash<vantrel::DisplayInfo> {
    std::size_t operator()(const vantrel::DisplayInfo& value) const noexcept;
};
template <>
struct std::hash<vantrel::DisplayConfiguration> {
    std::size_t operator()(const vantrel::DisplayConfiguration& value) const noexcept;
};
template <>
struct std::hash<vantrel::WindowState> {
    std::size_t operator()(const vantrel::WindowState& value) const noexcept;
};
template <>
struct std::hash<vantrel::WindowLayout> {
    std::size_t operator()(const vantrel::WindowLayout& value) const noexcept;
};
