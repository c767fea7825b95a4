// The fifteen preset window positions, the shortcut assigned to one, and the stored shortcut map.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

enum class PresetLayout {
    maximize,
    leftHalf,
    rightHalf,
    topHalf,
    bottomHalf,
    topLeftQuarter,
    topRightQuarter,
    bottomLeftQuarter,
    bottomRightQuarter,
    center,
    leftThird,
    centerThird,
    rightThird,
    leftTwoThirds,
    rightTwoThirds,
};

// Every preset, in the order the quick-layout list shows them.
const std::array<PresetLayout, 15>& allPresetLayouts();

// The raw value: the map key of its shortcut and also its display name ("Left Half").
std::string_view rawValue(PresetLayout preset);
std::string_view displayName(PresetLayout preset);
// The tooltip of the preset's button ("Left 50%").
std::string_view helpText(PresetLayout preset);
// A symbol name; the UI maps it to a theme icon or draws the preset.
std::string_view iconName(PresetLayout preset);

// Exactly one of the fifteen raw values, letter case included; anything else is no preset.
std::optional<PresetLayout> presetLayoutFromRawValue(std::string_view text);

// A key combination: virtual key code and modifier flags, as layouts carry them.
struct PresetShortcut {
    std::uint16_t keyCode = 0;
    std::uint64_t modifiers = 0;

    friend bool operator==(const PresetShortcut&, const PresetShortcut&) = default;
};

// Keyed by text, not by preset: a key that is no raw value is kept and written back unchanged.
using PresetShortcutMap = std::map<std::string, PresetShortcut, std::less<>>;

// {"Left Half":{"keyCode":123,"modifiers":786432}}; absent when a key is not valid UTF-8.
std::optional<std::string> encodePresetShortcuts(const PresetShortcutMap& shortcuts);
// The whole map, or nothing when any part is malformed, missing or out of range.
std::optional<PresetShortcutMap> decodePresetShortcuts(std::string_view json);

}  // namespace vantrel

template <>
struct std::hash<vantrel::PresetShortcut> {
    std::size_t operator()(const vantrel::PresetShortcut& value) const noexcept;
};
