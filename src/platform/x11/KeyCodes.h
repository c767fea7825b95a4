// The layout-independent key codes of stored shortcuts, and the X keysyms they stand for.
#pragma once

#include <cstdint>
#include <optional>

namespace vantrel::x11 {

// The keysym of a stored key code (letters, digits, arrows, F1-F12, Return, Tab, Space,
// BackSpace, Delete, Escape); none for a code this keyboard model does not name.
std::optional<std::uint32_t> keysymForKeyCode(std::uint32_t keyCode);

}  // namespace vantrel::x11
