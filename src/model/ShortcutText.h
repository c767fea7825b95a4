// The one text of a shortcut, wherever it is shown or logged, and which shortcuts may be global.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

// The fixed name of a key ("A", "1", "Left", "F5", "Space"); "?" for a key code without one.
std::string keyName(std::uint16_t keyCode);

// "Ctrl+Alt+Shift+Super+" as set, then `label` (what the user's keyboard layout prints on that key)
// when it is not empty, else the key's fixed name. Bits other than the four modifiers are not
// shown.
std::string shortcutText(std::uint16_t keyCode, std::uint64_t modifiers,
                         std::string_view label = {});

// Keys whose name depends on the keyboard layout: letters, digits and punctuation.
bool isCharacterKey(std::uint16_t keyCode);

// A global shortcut takes every press of its combination from every program, so it needs
// Ctrl, Alt or Super; only F1-F12 may stand alone (or with Shift).
bool isUsableGlobally(std::uint16_t keyCode, std::uint64_t modifiers);

}  // namespace vantrel
