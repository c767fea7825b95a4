// Key tables: virtual key codes of the ANSI layout, their names, and the Qt keys that make them.
#include "ui/ShortcutText.h"

#include <array>

namespace vantrel {
namespace {

struct KeyEntry {
    std::uint16_t code;
    const char* name;
    int qtKey;
    bool inPreferences;  // the preferences text names letters, digits and arrows only
};

constexpr std::array<KeyEntry, 55> kKeys{{
    {0, "A", Qt::Key_A, true},
    {11, "B", Qt::Key_B, true},
    {8, "C", Qt::Key_C, true},
    {2, "D", Qt::Key_D, true},
    {14, "E", Qt::Key_E, true},
    {3, "F", Qt::Key_F, true},
    {5, "G", Qt::Key_G, true},
    {4, "H", Qt::Key_H, true},
    {34, "I", Qt::Key_I, true},
    {38, "J", Qt::Key_J, true},
    {40, "K", Qt::Key_K, true},
    {37, "L", Qt::Key_L, true},
    {46, "M", Qt::Key_M, true},
    {45, "N", Qt::Key_N, true},
    {31, "O", Qt::Key_O, true},
    {35, "P", Qt::Key_P, true},
    {12, "Q", Qt::Key_Q, true},
    {15, "R", Qt::Key_R, true},
    {1, "S", Qt::Key_S, true},
    {17, "T", Qt::Key_T, true},
    {32, "U", Qt::Key_U, true},
    {9, "V", Qt::Key_V, true},
    {13, "W", Qt::Key_W, true},
    {7, "X", Qt::Key_X, true},
    {16, "Y", Qt::Key_Y, true},
    {6, "Z", Qt::Key_Z, true},
    {29, "0", Qt::Key_0, true},
    {18, "1", Qt::Key_1, true},
    {19, "2", Qt::Key_2, true},
    {20, "3", Qt::Key_3, true},
    {21, "4", Qt::Key_4, true},
    {23, "5", Qt::Key_5, true},
    {22, "6", Qt::Key_6, true},
    {26, "7", Qt::Key_7, true},
    {28, "8", Qt::Key_8, true},
    {25, "9", Qt::Key_9, true},
    {123, "\u2190", Qt::Key_Left, true},
    {124, "\u2192", Qt::Key_Right, true},
    {125, "\u2193", Qt::Key_Down, true},
    {126, "\u2191", Qt::Key_Up, true},
    {122, "F1", Qt::Key_F1, false},
    {120, "F2", Qt::Key_F2, false},
    {99, "F3", Qt::Key_F3, false},
    {118, "F4", Qt::Key_F4, false},
    {96, "F5", Qt::Key_F5, false},
    {97, "F6", Qt::Key_F6, false},
    {98, "F7", Qt::Key_F7, false},
    {100, "F8", Qt::Key_F8, false},
    {101, "F9", Qt::Key_F9, false},
    {109, "F10", Qt::Key_F10, false},
    {103, "F11", Qt::Key_F11, false},
    {111, "F12", Qt::Key_F12, false},
    {36, "\u21A9", Qt::Key_Return, false},
    {48, "\u21E5", Qt::Key_Tab, false},
    {49, "Space", Qt::Key_Space, false},
}};

// Keys with a code but met under other Qt keys, or named only in the editor's table.
struct Alias {
    int qtKey;
    std::uint16_t code;
};
constexpr std::array<Alias, 15> kAliases{{
    {Qt::Key_Enter, 36},
    {Qt::Key_Backtab, 48},
    {Qt::Key_Backspace, 51},
    {Qt::Key_Escape, 53},
    {Qt::Key_Delete, 117},
    // Shift turns the digit keys into symbols; the key is still the digit key (US layout).
    {Qt::Key_Exclam, 18},
    {Qt::Key_At, 19},
    {Qt::Key_NumberSign, 20},
    {Qt::Key_Dollar, 21},
    {Qt::Key_Percent, 23},
    {Qt::Key_AsciiCircum, 22},
    {Qt::Key_Ampersand, 26},
    {Qt::Key_Asterisk, 28},
    {Qt::Key_ParenLeft, 25},
    {Qt::Key_ParenRight, 29},
}};

QString modifierPrefix(std::uint64_t modifiers) {
    QString text;
    if ((modifiers & 0x40000) != 0) text += QStringLiteral("\u2303");
    if ((modifiers & 0x80000) != 0) text += QStringLiteral("\u2325");
    if ((modifiers & 0x20000) != 0) text += QStringLiteral("\u21E7");
    if ((modifiers & 0x100000) != 0) text += QStringLiteral("\u2318");
    return text;
}

QString keyText(std::uint16_t keyCode, bool preferences) {
    // Backspace and Escape have names in the editor only.
    if (!preferences && keyCode == 51) return QStringLiteral("\u232B");
    if (!preferences && keyCode == 53) return QStringLiteral("\u238B");
    for (const auto& key : kKeys) {
        if (key.code != keyCode) continue;
        if (preferences && !key.inPreferences) return QStringLiteral("?");
        return QString::fromUtf8(key.name);
    }
    return QStringLiteral("?");
}

}  // namespace

QString editorShortcutText(std::uint16_t keyCode, std::uint64_t modifiers) {
    return modifierPrefix(modifiers) + keyText(keyCode, false);
}

QString preferencesShortcutText(std::uint16_t keyCode, std::uint64_t modifiers) {
    return modifierPrefix(modifiers) + keyText(keyCode, true);
}

std::optional<std::uint16_t> virtualKeyCode(int qtKey) {
    for (const auto& key : kKeys)
        if (key.qtKey == qtKey) return key.code;
    for (const auto& alias : kAliases)
        if (alias.qtKey == qtKey) return alias.code;
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
