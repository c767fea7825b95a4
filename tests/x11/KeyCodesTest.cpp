// Stored key codes as X keys (every key a shortcut text names sits at a keyboard position, and
// the keysyms used where the keyboard extension is missing), and the XDG folders.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "model/ShortcutText.h"
#include "platform/freedesktop/KeyCodes.h"
#include "platform/freedesktop/XdgFolders.h"

namespace vantrel::freedesktop {
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

TEST(XdgFolders, OnlyAbsoluteValuesCountElseTheDefaultsUnderHome) {
    using Env = std::map<std::string, std::string>;
    const auto folders = [](const Env& env) {
        return XdgFolders::from([&](const char* name) -> const char* {
            const auto it = env.find(name);
            return it == env.end() ? nullptr : it->second.c_str();
        });
    };
    using P = std::filesystem::path;
    const auto set = folders({{"HOME", "/home/u"},
                              {"XDG_DATA_HOME", "/data/"},
                              {"XDG_CONFIG_HOME", "/conf"},
                              {"XDG_DATA_DIRS", "/a/:rel::/b"}});
    EXPECT_EQ(set.configHome, P("/conf"));
    EXPECT_EQ(set.dataFolders(), (std::vector<P>{"/data", "/a", "/b"}));
    const auto defaults =
        folders({{"HOME", "/home/u"}, {"XDG_DATA_HOME", "relative/data"}, {"XDG_CONFIG_HOME", ""}});
    EXPECT_EQ(defaults.dataHome, P("/home/u/.local/share"));
    EXPECT_EQ(defaults.configHome, P("/home/u/.config"));
    EXPECT_EQ(defaults.dataDirs, (std::vector<P>{"/usr/local/share", "/usr/share"}));
    EXPECT_FALSE(folders({{"HOME", ""}}).dataHome || folders({}).configHome);
}

}  // namespace
}  // namespace vantrel::freedesktop
