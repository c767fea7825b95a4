// Shortcut texts as the windows show them, and key events as stored key codes.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

class QKeyEvent;
class QLabel;
class QWidget;

namespace vantrel {

class HotkeyService;

// Virtual key code of Escape, which cancels recording.
inline constexpr std::uint16_t kEscapeKeyCode = 53;
// The modifier bits a recorded shortcut keeps: Command, Option, Control, Shift.
inline constexpr std::uint64_t kRecordedModifierMask = 0x1E0000;

// "Ctrl+Alt+Shift+Super+" as set, then the key as the user's keyboard layout labels it. Every place
// that shows a shortcut uses this.
QString shortcutText(const HotkeyService& hotkeys, std::uint16_t keyCode, std::uint64_t modifiers);

// The mark beside a shortcut that does not work; its tooltip says why.
QLabel* notWorkingMark(QWidget* parent);

// The stored key code of a key event: the key's position when the platform can tell it from the
// event, else the key that makes this Qt key on a US keyboard. None for keys outside the table.
std::optional<std::uint16_t> virtualKeyCode(const QKeyEvent& event, const HotkeyService* hotkeys);
// The stored virtual key code of a Qt key (Qt::Key) on a US keyboard.
std::optional<std::uint16_t> virtualKeyCode(int qtKey);
// The stored modifier bits of Qt modifiers: Super is Command, Alt is Option.
std::uint64_t modifierFlags(Qt::KeyboardModifiers modifiers);

}  // namespace vantrel
