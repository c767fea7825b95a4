// What every Linux backend shares: the desktop-entry index agrees with GIO's list of installed
// applications on a tree of entries made to trip a reader up; stored key codes as X keys; display
// ids from EDIDs, the same whichever backend reports them; the XDG folders.
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
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "model/ShortcutText.h"
#include "platform/compositor/CompositorModel.h"
#include "platform/freedesktop/DesktopEntries.h"
#include "platform/freedesktop/Edid.h"
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

// Every key a shortcut text names sits at a keyboard position that leads back to it; the keysyms
// serve where the keyboard extension is missing. Both tables go by position, not by label.
TEST(X11KeyCodes, EveryNamedKeyHasAPositionThatLeadsBackToIt) {
    for (std::uint16_t code = 0; code < 128; ++code) {
        const auto name = xkbKeyName(code);
        if (keyName(code) == "?") {
            EXPECT_FALSE(name.has_value()) << code;
            continue;
        }
        ASSERT_TRUE(name.has_value()) << code;
        EXPECT_EQ(keyCodeForXkbKeyName(*name), code);
    }
    EXPECT_EQ(xkbKeyName(19), "AE02");  // the 2 key, whatever a layout prints on it
    EXPECT_FALSE(keyCodeForXkbKeyName("LSGT").has_value());
    EXPECT_EQ(keysymForKeyCode(16), std::optional<std::uint32_t>('y'));  // Z on a German one
    EXPECT_FALSE(keysymForKeyCode(10).has_value());
}

std::vector<std::uint8_t> edid(std::uint8_t serial, const std::string& model) {
    std::vector<std::uint8_t> data(128, 0);
    data[8] = 0x10;
    data[9] = 0xAC;   // vendor
    data[10] = 0x42;  // product
    data[12] = serial;
    const std::size_t d = 54;
    data[d + 3] = 0xFC;
    for (std::size_t i = 0; i < 13; ++i)
        data[d + 5 + i] = i < model.size() ? static_cast<std::uint8_t>(model[i]) : '\n';
    return data;
}

std::string hex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (const auto b : bytes) {
        text += "0123456789ABCDEF"[b >> 4];
        text += "0123456789ABCDEF"[b & 15];
    }
    return text;
}

TEST(EdidDisplayIds, TheEdidNamesThePanelWhateverPortAndSession) {
    EXPECT_EQ(displayId(edid(1, "U2720Q"), "DP-1"), displayId(edid(1, "U2720Q"), "HDMI-2"));
    EXPECT_NE(displayId(edid(1, "U2720Q"), "DP-1"), displayId(edid(2, "U2720Q"), "DP-1"));
    EXPECT_NE(displayId({}, "DP-1"), displayId({}, "DP-2"));
    EXPECT_NE(displayId({}, ""), 0u);
    EXPECT_EQ(edidModelName(edid(1, "U2720Q")), "U2720Q");
    EXPECT_EQ(edidModelName(std::vector<std::uint8_t>(20, 0)), std::nullopt);
    // A compositor's half reports the EDID as hex: the monitor gets the id X11 gives the same
    // bytes. Anything else in that field leaves the id of the other fields.
    const std::string panel = hex(edid(1, "U2720Q"));
    const auto reported = [](const std::string& edidText) {
        compositor::CompositorModel model;
        model.apply({{"kind", "monitors"},
                     {"monitors",
                      {{{"name", "DP-3"},
                        {"manufacturer", "DEL"},
                        {"model", "U2720Q"},
                        {"serial", "1"},
                        {"frame", {0, 0, 1920, 1080}},
                        {"edid", edidText}}}}});
        return model.snapshot(EntryIndex{})->monitors.at(0).id;
    };
    const auto fallback = compositor::monitorId({"DP-3", false, "DEL", "U2720Q", "1", {}, {}, {}});
    const std::pair<std::string, std::uint32_t> cases[] = {
        {panel, displayId(edid(1, "U2720Q"), "DP-1")},
        {panel.substr(1), fallback},                  // odd length
        {"zz" + panel.substr(2), fallback},           // not hex
        {std::string(2 * 65536 + 2, '0'), fallback},  // longer than any EDID
        {"", fallback},
    };
    for (const auto& [text, want] : cases) EXPECT_EQ(reported(text), want) << text.substr(0, 8);
    EXPECT_NE(fallback, displayId(edid(1, "U2720Q"), "DP-3"));
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
