// Stored key codes to keysyms: the same keys the shortcut texts name, and the special keys.
#include <gtest/gtest.h>

#include <cctype>

#include "model/WindowLayout.h"
#include "platform/x11/KeyCodes.h"

namespace vantrel::x11 {
namespace {

TEST(X11KeyCodes, EveryNamedLetterAndDigitIsThatKeysKeysym) {
    int named = 0;
    for (std::uint16_t code = 0; code < 128; ++code) {
        const std::string name = keyName(code);
        if (name == "?") continue;
        ++named;
        ASSERT_EQ(name.size(), 1u);
        // Unshifted keys produce the lower-case keysym, whose value is the ASCII code.
        const auto expected = static_cast<std::uint32_t>(std::tolower(name[0]));
        EXPECT_EQ(keysymForKeyCode(code), std::optional<std::uint32_t>(expected)) << code;
    }
    EXPECT_EQ(named, 36);
}

TEST(X11KeyCodes, SpecialKeys) {
    EXPECT_EQ(keysymForKeyCode(123), 0xff51u);  // Left
    EXPECT_EQ(keysymForKeyCode(126), 0xff52u);  // Up
    EXPECT_EQ(keysymForKeyCode(122), 0xffbeu);  // F1
    EXPECT_EQ(keysymForKeyCode(111), 0xffc9u);  // F12
    EXPECT_EQ(keysymForKeyCode(51), 0xff08u);   // BackSpace
    EXPECT_EQ(keysymForKeyCode(117), 0xffffu);  // forward Delete
    EXPECT_EQ(keysymForKeyCode(49), 0x20u);     // space
    EXPECT_FALSE(keysymForKeyCode(10).has_value());
    EXPECT_FALSE(keysymForKeyCode(0xFFFF).has_value());
}

}  // namespace
}  // namespace vantrel::x11
