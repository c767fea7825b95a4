// The layout-independent key codes of stored shortcuts, and the X keysyms they stand for.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vantrel::freedesktop {

// The keysym of a stored key code (letters, digits, arrows, F1-F12, Return, Tab, Space,
// BackSpace, Delete, Escape); none for a code this keyboard model does not name.
std::optional<std::uint32_t> keysymForKeyCode(std::uint32_t keyCode);

// The keyboard extension's name of the key at that position ("AE02" for the 2 key), which is
// the same on every keyboard layout; none for a code without a key here.
std::optional<std::string_view> xkbKeyName(std::uint32_t keyCode);
// The stored key code of a key the keyboard extension names so.
std::optional<std::uint16_t> keyCodeForXkbKeyName(std::string_view name);

}  // namespace vantrel::freedesktop
