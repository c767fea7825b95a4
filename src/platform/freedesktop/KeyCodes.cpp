// Stored key codes are the ANSI keyboard's positions; X names keys by keysym instead.
#include "platform/freedesktop/KeyCodes.h"

#include <array>
#include <utility>

namespace vantrel::freedesktop {
namespace {

// Keysym values from X11/keysymdef.h; letters are the lower-case keysyms, which is what an
// unshifted key produces.
// clang-format off
constexpr std::array<std::pair<std::uint32_t, std::uint32_t>, 58> kKeys{{
    // Digits.
    {18, '1'}, {19, '2'}, {20, '3'}, {21, '4'}, {23, '5'},
    {22, '6'}, {26, '7'}, {28, '8'}, {25, '9'}, {29, '0'},
    // Letters.
    {0, 'a'}, {11, 'b'}, {8, 'c'}, {2, 'd'}, {14, 'e'}, {3, 'f'}, {5, 'g'},
    {4, 'h'}, {34, 'i'}, {38, 'j'}, {40, 'k'}, {37, 'l'}, {46, 'm'}, {45, 'n'},
    {31, 'o'}, {35, 'p'}, {12, 'q'}, {15, 'r'}, {1, 's'}, {17, 't'}, {32, 'u'},
    {9, 'v'}, {13, 'w'}, {7, 'x'}, {16, 'y'}, {6, 'z'},
    // Arrows: Left, Right, Down, Up.
    {123, 0xff51}, {124, 0xff53}, {125, 0xff54}, {126, 0xff52},
    // F1 to F12.
    {122, 0xffbe}, {120, 0xffbf}, {99, 0xffc0}, {118, 0xffc1}, {96, 0xffc2}, {97, 0xffc3},
    {98, 0xffc4}, {100, 0xffc5}, {101, 0xffc6}, {109, 0xffc7}, {103, 0xffc8}, {111, 0xffc9},
    // Return, Tab, Space; the key labelled "delete" erases backwards (BackSpace); forward
    // delete; Escape.
    {36, 0xff0d}, {48, 0xff09}, {49, 0x0020}, {51, 0xff08}, {117, 0xffff}, {53, 0xff1b},
}};
// clang-format on

// Positions by the keyboard extension's key names: rows E (digits) to B, counted from the left.
// clang-format off
constexpr std::array<std::pair<std::uint16_t, std::string_view>, 73> kKeyNames{{
    {50, "TLDE"}, {18, "AE01"}, {19, "AE02"}, {20, "AE03"}, {21, "AE04"}, {23, "AE05"},
    {22, "AE06"}, {26, "AE07"}, {28, "AE08"}, {25, "AE09"}, {29, "AE10"}, {27, "AE11"},
    {24, "AE12"},
    {12, "AD01"}, {13, "AD02"}, {14, "AD03"}, {15, "AD04"}, {17, "AD05"}, {16, "AD06"},
    {32, "AD07"}, {34, "AD08"}, {31, "AD09"}, {35, "AD10"}, {33, "AD11"}, {30, "AD12"},
    {0, "AC01"}, {1, "AC02"}, {2, "AC03"}, {3, "AC04"}, {5, "AC05"}, {4, "AC06"},
    {38, "AC07"}, {40, "AC08"}, {37, "AC09"}, {41, "AC10"}, {39, "AC11"}, {42, "BKSL"},
    {6, "AB01"}, {7, "AB02"}, {8, "AB03"}, {9, "AB04"}, {11, "AB05"}, {45, "AB06"},
    {46, "AB07"}, {43, "AB08"}, {47, "AB09"}, {44, "AB10"},
    {123, "LEFT"}, {124, "RGHT"}, {125, "DOWN"}, {126, "UP"},
    {122, "FK01"}, {120, "FK02"}, {99, "FK03"}, {118, "FK04"}, {96, "FK05"}, {97, "FK06"},
    {98, "FK07"}, {100, "FK08"}, {101, "FK09"}, {109, "FK10"}, {103, "FK11"}, {111, "FK12"},
    {36, "RTRN"}, {48, "TAB"}, {49, "SPCE"}, {51, "BKSP"}, {117, "DELE"}, {53, "ESC"},
    {115, "HOME"}, {119, "END"}, {116, "PGUP"}, {121, "PGDN"},
}};
// clang-format on

}  // namespace

std::optional<std::string_view> xkbKeyName(std::uint32_t keyCode) {
    for (const auto& [code, name] : kKeyNames)
        if (code == keyCode) return name;
    return std::nullopt;
}

std::optional<std::uint16_t> keyCodeForXkbKeyName(std::string_view name) {
    for (const auto& [code, keyName] : kKeyNames)
        if (keyName == name) return code;
    return std::nullopt;
}

std::optional<std::uint32_t> keysymForKeyCode(std::uint32_t keyCode) {
    for (const auto& [code, keysym] : kKeys)
        if (code == keyCode) return keysym;
    return std::nullopt;
}

}  // namespace vantrel::freedesktop
