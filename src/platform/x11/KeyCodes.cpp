// Stored key codes are the ANSI keyboard's positions; X names keys by keysym instead.
#include "platform/x11/KeyCodes.h"

#include <array>
#include <utility>

namespace vantrel::x11 {
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

}  // namespace

std::optional<std::uint32_t> keysymForKeyCode(std::uint32_t keyCode) {
    for (const auto& [code, keysym] : kKeys)
        if (code == keyCode) return keysym;
    return std::nullopt;
}

}  // namespace vantrel::x11
