// Key names by virtual key code (the positions of the ANSI keyboard), and the shortcut text.
#include "model/ShortcutText.h"

#include <array>

#include "model/WindowLayout.h"

namespace vantrel {
namespace {

struct Key {
    std::uint16_t code;
    std::string_view name;
};

// clang-format off
constexpr std::array<Key, 47> kCharacterKeys{{
    {0, "A"}, {11, "B"}, {8, "C"}, {2, "D"}, {14, "E"}, {3, "F"}, {5, "G"}, {4, "H"}, {34, "I"},
    {38, "J"}, {40, "K"}, {37, "L"}, {46, "M"}, {45, "N"}, {31, "O"}, {35, "P"}, {12, "Q"},
    {15, "R"}, {1, "S"}, {17, "T"}, {32, "U"}, {9, "V"}, {13, "W"}, {7, "X"}, {16, "Y"}, {6, "Z"},
    {29, "0"}, {18, "1"}, {19, "2"}, {20, "3"}, {21, "4"}, {23, "5"}, {22, "6"}, {26, "7"},
    {28, "8"}, {25, "9"},
    {27, "-"}, {24, "="}, {33, "["}, {30, "]"}, {42, "\\"}, {41, ";"}, {39, "'"}, {50, "`"},
    {43, ","}, {47, "."}, {44, "/"},
}};
constexpr std::array<Key, 26> kOtherKeys{{
    {123, "Left"}, {124, "Right"}, {125, "Down"}, {126, "Up"},
    {122, "F1"}, {120, "F2"}, {99, "F3"}, {118, "F4"}, {96, "F5"}, {97, "F6"}, {98, "F7"},
    {100, "F8"}, {101, "F9"}, {109, "F10"}, {103, "F11"}, {111, "F12"},
    {36, "Return"}, {48, "Tab"}, {49, "Space"}, {51, "Backspace"}, {117, "Delete"},
    {53, "Esc"}, {115, "Home"}, {119, "End"}, {116, "Page Up"}, {121, "Page Down"},
}};
// clang-format on
constexpr std::array<std::uint16_t, 12> kFunctionKeys{122, 120, 99,  118, 96,  97,
                                                      98,  100, 101, 109, 103, 111};

}  // namespace

std::string keyName(std::uint16_t keyCode) {
    for (const auto& key : kCharacterKeys)
        if (key.code == keyCode) return std::string(key.name);
    for (const auto& key : kOtherKeys)
        if (key.code == keyCode) return std::string(key.name);
    return "?";
}

bool isCharacterKey(std::uint16_t keyCode) {
    for (const auto& key : kCharacterKeys)
        if (key.code == keyCode) return true;
    return false;
}

std::string shortcutText(std::uint16_t keyCode, std::uint64_t modifiers, std::string_view label) {
    // The names Linux desktops print on keys and in their own shortcut settings: Option is the
    // Alt key and Command the Super (Windows) key.
    std::string text;
    if ((modifiers & modifier::kControl) != 0) text += "Ctrl+";
    if ((modifiers & modifier::kOption) != 0) text += "Alt+";
    if ((modifiers & modifier::kShift) != 0) text += "Shift+";
    if ((modifiers & modifier::kCommand) != 0) text += "Super+";
    return text + (label.empty() ? keyName(keyCode) : std::string(label));
}

bool isUsableGlobally(std::uint16_t keyCode, std::uint64_t modifiers) {
    if ((modifiers & (modifier::kControl | modifier::kOption | modifier::kCommand)) != 0)
        return true;
    for (const auto code : kFunctionKeys)
        if (code == keyCode) return true;
    return false;
}

}  // namespace vantrel
