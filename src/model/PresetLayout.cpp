// Preset names and texts, and the JSON form of the preset shortcut map.
#include "model/PresetLayout.h"

#include <limits>

#include <nlohmann/json.hpp>

namespace vantrel {
namespace {

struct PresetTexts {
    PresetLayout preset;
    std::string_view raw;
    std::string_view help;
    std::string_view icon;
};

constexpr std::array<PresetTexts, 15> kTexts{{
    {PresetLayout::maximize, "Maximize", "Fill the screen", "arrow.up.left.and.arrow.down.right"},
    {PresetLayout::leftHalf, "Left Half", "Left 50%", "rectangle.lefthalf.filled"},
    {PresetLayout::rightHalf, "Right Half", "Right 50%", "rectangle.righthalf.filled"},
    {PresetLayout::topHalf, "Top Half", "Top 50%", "rectangle.tophalf.filled"},
    {PresetLayout::bottomHalf, "Bottom Half", "Bottom 50%", "rectangle.bottomhalf.filled"},
    {PresetLayout::topLeftQuarter, "Top Left", "Top-left 25%", "rectangle.inset.topleft.filled"},
    {PresetLayout::topRightQuarter, "Top Right", "Top-right 25%",
     "rectangle.inset.topright.filled"},
    {PresetLayout::bottomLeftQuarter, "Bottom Left", "Bottom-left 25%",
     "rectangle.inset.bottomleft.filled"},
    {PresetLayout::bottomRightQuarter, "Bottom Right", "Bottom-right 25%",
     "rectangle.inset.bottomright.filled"},
    {PresetLayout::center, "Center", "Centered window", "rectangle.center.inset.filled"},
    {PresetLayout::leftThird, "Left Third", "Left 33%", "rectangle.split.3x1.fill"},
    {PresetLayout::centerThird, "Center Third", "Center 33%", "rectangle.split.3x1.fill"},
    {PresetLayout::rightThird, "Right Third", "Right 33%", "rectangle.split.3x1.fill"},
    {PresetLayout::leftTwoThirds, "Left Two Thirds", "Left 66%", "rectangle.split.3x1.fill"},
    {PresetLayout::rightTwoThirds, "Right Two Thirds", "Right 66%", "rectangle.split.3x1.fill"},
}};

// The table is in case order, so a case's value is its row.
const PresetTexts& textsOf(PresetLayout preset) {
    return kTexts.at(static_cast<std::size_t>(preset));
}

// A JSON integer in [0, max]; floats, negatives and other types are refused, as is overflow.
std::optional<std::uint64_t> unsignedMember(const nlohmann::json& object, const char* key,
                                            std::uint64_t max) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_number_unsigned()) return std::nullopt;
    const auto value = it->get<std::uint64_t>();
    if (value > max) return std::nullopt;
    return value;
}

}  // namespace

const std::array<PresetLayout, 15>& allPresetLayouts() {
    static constexpr std::array<PresetLayout, 15> kAll = [] {
        std::array<PresetLayout, 15> all{};
        for (std::size_t i = 0; i < kTexts.size(); ++i) all[i] = kTexts[i].preset;
        return all;
    }();
    return kAll;
}

std::string_view rawValue(PresetLayout preset) {
    return textsOf(preset).raw;
}
std::string_view displayName(PresetLayout preset) {
    return textsOf(preset).raw;
}
std::string_view helpText(PresetLayout preset) {
    return textsOf(preset).help;
}
std::string_view iconName(PresetLayout preset) {
    return textsOf(preset).icon;
}

std::optional<PresetLayout> presetLayoutFromRawValue(std::string_view text) {
    for (const auto& row : kTexts)
        if (row.raw == text) return row.preset;
    return std::nullopt;
}

std::optional<std::string> encodePresetShortcuts(const PresetShortcutMap& shortcuts) {
    auto object = nlohmann::json::object();
    for (const auto& [key, shortcut] : shortcuts)
        object[key] = {{"keyCode", shortcut.keyCode}, {"modifiers", shortcut.modifiers}};
    try {
        // Strict: a key that is not UTF-8 fails the whole encoding rather than being altered.
        return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::strict);
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

std::optional<PresetShortcutMap> decodePresetShortcuts(std::string_view json) {
    const auto root = nlohmann::json::parse(json.begin(), json.end(), nullptr, false);
    if (root.is_discarded() || !root.is_object()) return std::nullopt;
    PresetShortcutMap shortcuts;
    for (const auto& [key, value] : root.items()) {
        if (!value.is_object()) return std::nullopt;
        const auto keyCode = unsignedMember(value, "keyCode", 0xFFFF);
        const auto modifiers =
            unsignedMember(value, "modifiers", std::numeric_limits<std::uint64_t>::max());
        if (!keyCode || !modifiers) return std::nullopt;
        shortcuts[key] = PresetShortcut{static_cast<std::uint16_t>(*keyCode), *modifiers};
    }
    return shortcuts;
}

}  // namespace vantrel

std::size_t std::hash<vantrel::PresetShortcut>::operator()(
    const vantrel::PresetShortcut& value) const noexcept {
    const std::size_t a = std::hash<std::uint16_t>{}(value.keyCode);
    const std::size_t b = std::hash<std::uint64_t>{}(value.modifiers);
    return a ^ (b + 0x9e3779b97f4a7c15ULL + (a << 6) + (a >> 2));
}
