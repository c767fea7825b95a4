// What every Linux backend shares: the desktop-entry index agrees with GIO's list of installed
// applications on a tree of entries made to trip a reader up; stored key codes as X keys; the XDG
// folders.
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>

#include "model/ShortcutText.h"
#include "platform/freedesktop/DesktopEntries.h"
#include "platform/freedesktop/KeyCodes.h"
#include "platform/freedesktop/XdgFolders.h"

namespace vantrel::freedesktop {
namespace {

namespace fs = std::filesystem;

void write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

std::string entry(const std::string& body) {
    return "[Desktop Entry]\nType=Application\nExec=/bin/true\n" + body;
}

std::vector<DesktopEntry> sorted(std::vector<DesktopEntry> entries) {
    std::sort(entries.begin(), entries.end(),
              [](const DesktopEntry& a, const DesktopEntry& b) { return a.id < b.id; });
    return entries;
}

std::vector<DesktopEntry> listedByGio() {
    std::vector<DesktopEntry> entries;
    GList* all = g_app_info_get_all();
    for (GList* item = all; item != nullptr; item = item->next) {
        auto* info = G_DESKTOP_APP_INFO(item->data);
        DesktopEntry e;
        e.id = g_app_info_get_id(G_APP_INFO(info));
        e.id.resize(e.id.size() - std::string_view(".desktop").size());
        e.name = g_app_info_get_display_name(G_APP_INFO(info));
        const char* wmClass = g_desktop_app_info_get_startup_wm_class(info);
        e.startupWMClass = wmClass != nullptr ? wmClass : "";
        e.filename = g_desktop_app_info_get_filename(info);
        entries.push_back(e);
    }
    g_list_free_full(all, g_object_unref);
    return sorted(entries);
}

class DesktopEntriesTest : public ::testing::Test {
  protected:
    // GLib reads the data folders once per process: set them up before anything asks.
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/vantrel-entries-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = pattern;
        const fs::path home = root_ / "home/applications";
        const fs::path first = root_ / "first/applications";
        const fs::path second = root_ / "second/applications";
        write(home / "shadowed.desktop", entry("Name=Home Shadowed\nStartupWMClass=HomeClass\n"));
        write(home / "masked.desktop", entry("Name=Gone\nHidden=true\n"));
        write(first / "plain.desktop", entry("Name=Plain\n"));
        write(first / "wmclass.desktop",
              entry("Name=Classy\nName[de]=Klassisch\nName[fr_FR]=Classe\n"
                    "StartupWMClass=Weird Class\n"));
        write(first / "nodisplay.desktop", entry("Name=Not Shown\nNoDisplay=true\n"));
        write(first / "hidden.desktop", entry("Name=Hidden\nHidden=true\n"));
        write(first / "vendor/app.desktop", entry("Name=Vendor App\n"));
        write(first / "vendor/sub/deep.desktop", entry("Name=Deep\n"));
        write(first / "link.desktop", "[Desktop Entry]\nType=Link\nName=Link\nURL=x\n");
        write(first / "missing.desktop", entry("Name=Missing\nExec=vantrel-no-such-program\n"));
        write(first / "tryexec.desktop", entry("Name=Try\nTryExec=/nonexistent/program\n"));
        write(first / "quoted.desktop",
              "[Desktop Entry]\nType=Application\nName=Quoted\nExec=\"/bin/true\" 'a b' %U\n");
        write(first / "onpath.desktop",
              "[Desktop Entry]\nType=Application\nName=On Path\nExec=true --flag\n");
        write(first / "unterminated.desktop",
              "[Desktop Entry]\nType=Application\nName=Broken\nExec='/bin/true\n");
        write(first / "escaped.desktop",
              entry("Name=Tab\\tand\\sspace\nStartupWMClass=Back\\\\slash\n"));
        write(first / "fullname.desktop", entry("Name=Short\nX-GNOME-FullName=The Full Name\n"));
        write(first / "noname.desktop", entry(""));
        write(first / "garbage.desktop", "this is not a key file\n");
        write(first / "othergroup.desktop",
              "[Other]\nA=b\n[Desktop Entry]\nType=Application\nName=Other\n");
        write(first / "repeated.desktop", entry("Name=First\nName=Second\n"));
        write(first / "actions.desktop",
              "# comment\n\n[Desktop Entry]\nType=Application\nName = Spaced  \n"
              "Exec=/bin/true\nActions=new;\n\n[Desktop Action new]\nName=Action\n"
              "StartupWMClass=ActionClass\n");
        write(first / "README.txt", "not an entry\n");
        write(second / "shadowed.desktop", entry("Name=System Shadowed\n"));
        write(second / "masked.desktop", entry("Name=Masked\n"));
        write(second / "plain.desktop", entry("Name=Second Plain\n"));
        write(second / "only-second.desktop", entry("Name=Only Second\n"));
        ::setenv("XDG_DATA_HOME", (root_ / "home").c_str(), 1);
        ::setenv("XDG_DATA_DIRS",
                 ((root_ / "first").string() + ":" + (root_ / "second").string()).c_str(), 1);
        ::setenv("LANGUAGE", "de_AT", 1);
    }
    static void TearDownTestSuite() { fs::remove_all(root_); }

    static fs::path root_;
};

fs::path DesktopEntriesTest::root_;

// Precedence of folders, Hidden and uninstalled entries, subfolder ids, localised, escaped and
// spaced values: every field as GIO reads it.
TEST_F(DesktopEntriesTest, ListsWhatGioLists) {
    const auto ours = sorted(loadInstalledEntries());
    const auto gio = listedByGio();
    EXPECT_EQ(gio.size(), 14u);
    ASSERT_EQ(ours.size(), gio.size());
    const auto fields = [](const DesktopEntry& e) {
        return std::tie(e.id, e.name, e.startupWMClass, e.filename);
    };
    for (std::size_t i = 0; i < ours.size(); ++i) EXPECT_EQ(fields(ours[i]), fields(gio[i]));
}

TEST_F(DesktopEntriesTest, ReadsEachFolderOnceWhateverTheLinks) {
    // Links back up the tree, and a FIFO that a read would block on.
    const fs::path apps = root_ / "loops/applications";
    write(apps / "top.desktop", entry("Name=Top\n"));
    write(apps / "sub/inner.desktop", entry("Name=Inner\n"));
    fs::create_directory_symlink(".", apps / "loop1");
    fs::create_directory_symlink(".", apps / "loop2");
    fs::create_directory_symlink("..", apps / "sub/up");
    ASSERT_EQ(::mkfifo((apps / "fifo.desktop").c_str(), 0600), 0);
    std::vector<std::string> ids;
    for (const auto& found : sorted(loadInstalledEntries({(root_ / "loops").string()})))
        ids.push_back(found.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"sub-inner", "top"}));
}

// Every key a shortcut text names sits at a keyboard position; the keysyms serve where the
// keyboard extension is missing.
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
