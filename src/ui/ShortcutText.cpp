// Qt keys as the virtual key codes of the ANSI layout; the texts come from the hotkey service.
#include "ui/ShortcutText.h"

#include <QKeyEvent>
#include <QLabel>
#include <array>
#include <utility>

#include "automation/HotkeyService.h"

namespace vantrel {
namespace {

// clang-format off
constexpr std::array<std::pair<int, std::uint16_t>, 96> kKeys{{
    {Qt::Key_A, 0}, {Qt::Key_B, 11}, {Qt::Key_C, 8}, {Qt::Key_D, 2}, {Qt::Key_E, 14},
    {Qt::Key_F, 3}, {Qt::Key_G, 5}, {Qt::Key_H, 4}, {Qt::Key_I, 34}, {Qt::Key_J, 38},
    {Qt::Key_K, 40}, {Qt::Key_L, 37}, {Qt::Key_M, 46}, {Qt::Key_N, 45}, {Qt::Key_O, 31},
    {Qt::Key_P, 35}, {Qt::Key_Q, 12}, {Qt::Key_R, 15}, {Qt::Key_S, 1}, {Qt::Key_T, 17},
    {Qt::Key_U, 32}, {Qt::Key_V, 9}, {Qt::Key_W, 13}, {Qt::Key_X, 7}, {Qt::Key_Y, 16},
    {Qt::Key_Z, 6},
    {Qt::Key_0, 29}, {Qt::Key_1, 18}, {Qt::Key_2, 19}, {Qt::Key_3, 20}, {Qt::Key_4, 21},
    {Qt::Key_5, 23}, {Qt::Key_6, 22}, {Qt::Key_7, 26}, {Qt::Key_8, 28}, {Qt::Key_9, 25},
    // Shift turns the digit keys into symbols; the key is still the digit key (US layout).
    {Qt::Key_ParenRight, 29}, {Qt::Key_Exclam, 18}, {Qt::Key_At, 19}, {Qt::Key_NumberSign, 20},
    {Qt::Key_Dollar, 21}, {Qt::Key_Percent, 23}, {Qt::Key_AsciiCircum, 22},
    {Qt::Key_Ampersand, 26}, {Qt::Key_Asterisk, 28}, {Qt::Key_ParenLeft, 25},
    // Punctuation, unshifted and shifted.
    {Qt::Key_Minus, 27}, {Qt::Key_Underscore, 27}, {Qt::Key_Equal, 24}, {Qt::Key_Plus, 24},
    {Qt::Key_BracketLeft, 33}, {Qt::Key_BraceLeft, 33}, {Qt::Key_BracketRight, 30},
    {Qt::Key_BraceRight, 30}, {Qt::Key_Backslash, 42}, {Qt::Key_Bar, 42},
    {Qt::Key_Semicolon, 41}, {Qt::Key_Colon, 41}, {Qt::Key_Apostrophe, 39},
    {Qt::Key_QuoteDbl, 39}, {Qt::Key_QuoteLeft, 50}, {Qt::Key_AsciiTilde, 50},
    {Qt::Key_Comma, 43}, {Qt::Key_Less, 43}, {Qt::Key_Period, 47}, {Qt::Key_Greater, 47},
    {Qt::Key_Slash, 44}, {Qt::Key_Question, 44},
    {Qt::Key_Left, 123}, {Qt::Key_Right, 124}, {Qt::Key_Down, 125}, {Qt::Key_Up, 126},
    {Qt::Key_F1, 122}, {Qt::Key_F2, 120}, {Qt::Key_F3, 99}, {Qt::Key_F4, 118},
    {Qt::Key_F5, 96}, {Qt::Key_F6, 97}, {Qt::Key_F7, 98}, {Qt::Key_F8, 100},
    {Qt::Key_F9, 101}, {Qt::Key_F10, 109}, {Qt::Key_F11, 103}, {Qt::Key_F12, 111},
    {Qt::Key_Return, 36}, {Qt::Key_Enter, 36}, {Qt::Key_Tab, 48}, {Qt::Key_Backtab, 48},
    {Qt::Key_Space, 49}, {Qt::Key_Backspace, 51}, {Qt::Key_Delete, 117},
    {Qt::Key_Escape, 53}, {Qt::Key_Home, 115}, {Qt::Key_End, 119}, {Qt::Key_PageUp, 116}, {Qt::Key_PageDown, 121},
}};
// clang-format on

}  // namespace

QString shortcutText(const HotkeyService& hotkeys, std::uint16_t keyCode, std::uint64_t modifiers) {
    return QString::fromStdString(hotkeys.shortcutText(keyCode, modifiers));
}

QLabel* notWorkingMark(QWidget* parent) {
    auto* mark = new QLabel(QStringLiteral("\u26A0"), parent);
    mark->setStyleSheet(QStringLiteral("QLabel { color: #D73A2F; }"));
    mark->setAccessibleName(QStringLiteral("Shortcut not working"));
    return mark;
}

std::optional<std::uint16_t> virtualKeyCode(const QKeyEvent& event, const HotkeyService* hotkeys) {
    // Escape cancels on every layout, wherever the key sits.
    if (event.key() == Qt::Key_Escape) return kEscapeKeyCode;
    if (hotkeys != nullptr && event.nativeScanCode() != 0) {
        // The position, not the symbol: Shift+2 makes '"' on a UK keyboard and is still the 2 key.
        if (const auto code = hotkeys->keyCodeOfNativeKey(event.nativeScanCode())) return code;
    }
    return virtualKeyCode(event.key());
}

std::optional<std::uint16_t> virtualKeyCode(int qtKey) {
    for (const auto& [key, code] : kKeys)
        if (key == qtKey) return code;
    return std::nullopt;
}

std::uint64_t modifierFlags(Qt::KeyboardModifiers modifiers) {
    std::uint64_t flags = 0;
    if (modifiers.testFlag(Qt::ShiftModifier)) flags |= 0x20000;
    if (modifiers.testFlag(Qt::ControlModifier)) flags |= 0x40000;
    if (modifiers.testFlag(Qt::AltModifier)) flags |= 0x80000;
    if (modifiers.testFlag(Qt::MetaModifier)) flags |= 0x100000;
    return flags & kRecordedModifierMask;
}

}  // namespace vantrel
