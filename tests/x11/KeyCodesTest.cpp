// Stored key codes as X keys: every key a shortcut text names sits at a keyboard position, and
// the keysyms used where the keyboard extension is missing.
#include <gtest/gtest.h>

#include "model/ShortcutText.h"
#include "platform/x11/KeyCodes.h"

namespace vantrel::x11 {
namespace {

TEST(X11KeyCodes, EveryNamedKeyHasAPositionThatLeadsBackToIt) {
    int named = 0;
    for (std::uint16_t code = 0; code < 128; ++code) {
        if (keyName(code) == "?") {
            EXPECT_FALSE(xkbKeyName(code).has_value()) << code;
            continue;
        }
        ++named;
        const auto name = xkbKeyName(code);
        ASSERT_TRUE(name.has_value()) << code;
        EXPECT_EQ(keyCodeForXkbKeyName(*name), code);
    }
    EXPECT_EQ(named, 73);
    EXPECT_EQ(xkbKeyName(19), "AE02");  // the 2 key, whatever a layout prints on it
    EXPECT_EQ(xkbKeyName(16), "AD06");  // Y on a US keyboard, Z on a German one
    EXPECT_FALSE(keyCodeForXkbKeyName("LSGT").has_value());
}

TEST(X11KeyCodes, KeysymsWhereTheKeyboardExtensionIsMissing) {
    EXPECT_EQ(keysymForKeyCode(16), std::optional<std::uint32_t>('y'));
    EXPECT_EQ(keysymForKeyCode(29), std::optional<std::uint32_t>('0'));
    EXPECT_EQ(keysymForKeyCode(123), 0xff51u);  // Left
    EXPECT_EQ(keysymForKeyCode(117), 0xffffu);  // forward Delete
    EXPECT_FALSE(keysymForKeyCode(10).has_value());
}

}  // namespace
}  // namespace vantrel::x11
