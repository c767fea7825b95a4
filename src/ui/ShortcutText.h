// The shortcut texts of the editor and the preferences window, and Qt keys as stored key codes.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace vantrel {

// Virtual key code of Escape, which cancels recording.
inline constexpr std::uint16_t kEscapeKeyCode = 53;
// The modifier bits a recorded shortcut keeps: Command, Option, Control, Shift.
inline constexpr std::uint64_t kRecordedModifierMask = 0x1E0000;

// "⌃⌥⇧⌘" as set, then the key's name; the editor knows function and special keys too.
QString editorShortcutText(std::uint16_t keyCode, std::uint64_t modifiers);
// The same, with names for letters, digits and arrows only ("?" otherwise).
QString preferencesShortcutText(std::uint16_t keyCode, std::uint64_t modifiers);

// The stored virtual key code of a Qt key (Qt::Key); none for keys outside the table.
std::optional<std::uint16_t> virtualKeyCode(int qtKey);
// The stored modifier bits of Qt modifiers: Super is Command, Alt is Option.
std::uint64_t modifierFlags(Qt::KeyboardModifiers modifiers);

}  // namespace vantrel
