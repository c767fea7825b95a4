// The desktop-entry index read from the data folders agrees with GIO's list of installed
// applications, on a tree of entries made to trip a reader up.
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/freedesktop/DesktopEntries.h"

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

TEST_F(DesktopEntriesTest, ListsWhatGioLists) {
    const auto ours = sorted(loadInstalledEntries());
    const auto gio = listedByGio();
    EXPECT_EQ(gio.size(), 14u);
    ASSERT_EQ(ours.size(), gio.size());
    for (std::size_t i = 0; i < ours.size(); ++i) {
        SCOPED_TRACE(gio[i].id);
        EXPECT_EQ(ours[i].id, gio[i].id);
        EXPECT_EQ(ours[i].name, gio[i].name);
        EXPECT_EQ(ours[i].startupWMClass, gio[i].startupWMClass);
        EXPECT_EQ(ours[i].filename, gio[i].filename);
    }
}

TEST_F(DesktopEntriesTest, AppliesPrecedenceVisibilityAndSubfolderIds) {
    const EntryIndex index(loadInstalledEntries());
    // The user's folder comes first; a Hidden entry there removes the application altogether.
    ASSERT_NE(index.byId("shadowed"), nullptr);
    EXPECT_EQ(index.byId("shadowed")->name, "Home Shadowed");
    EXPECT_EQ(index.byId("masked"), nullptr);
    EXPECT_EQ(index.byId("plain")->name, "Plain");
    EXPECT_NE(index.byId("only-second"), nullptr);
    // NoDisplay entries still name windows; Hidden, non-application and uninstalled ones do not.
    EXPECT_NE(index.byId("nodisplay"), nullptr);
    for (const char* id :
         {"hidden", "link", "missing", "tryexec", "unterminated", "garbage", "othergroup"})
        EXPECT_EQ(index.byId(id), nullptr) << id;
    EXPECT_NE(index.byId("vendor-app"), nullptr);
    EXPECT_NE(index.byId("vendor-sub-deep"), nullptr);
    EXPECT_EQ(index.byStartupWMClass("Weird Class")->id, "wmclass");
    EXPECT_EQ(index.byStartupWMClass("Back\\slash")->id, "escaped");
    EXPECT_EQ(index.byStartupWMClass("ActionClass"), nullptr);
    EXPECT_EQ(index.byId("wmclass")->name, "Klassisch");
    // Spaces after a value belong to it; only those around "=" go.
    EXPECT_EQ(index.byId("actions")->name, "Spaced  ");
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

}  // namespace
}  // namespace vantrel::freedesktop
