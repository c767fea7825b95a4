// The layout file on disk: first start, round trips, atomic replacement, unreadable files.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>

#include "base/Log.h"
#include "base/ManualLoop.h"
#include "model/LayoutJson.h"
#include "model/LayoutStorage.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeText(const fs::path& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::vector<fs::path> folderEntries(const fs::path& folder) {
    std::vector<fs::path> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

WindowLayout layoutNamed(std::string name, Date date) {
    WindowLayout layout;
    layout.id = Uuid::random();
    layout.name = std::move(name);
    WindowState window;
    window.frameX = 12.25;
    window.relativeFrameX = 1.0 / 3;  // needs every digit written
    layout.windows = {window};
    layout.createdAt = date;
    layout.modifiedAt = date;
    return layout;
}

class LayoutStorageTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vantrel-storage-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        home_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(folder(), fs::perms::owner_all, ignored);
        fs::remove_all(home_, ignored);
    }

    fs::path folder() const { return home_ / "Vantrel"; }
    fs::path file() const { return folder() / "layouts.json"; }
    LayoutStorage storage() { return LayoutStorage(log_, loop_, home_); }
    std::vector<WindowLayout> twoLayouts() {
        return {layoutNamed("Work", loop_.wallNow()), layoutNamed("Home", loop_.wallNow())};
    }
    // A good file to be replaced, and a save that must fail part-way.
    void writeOldFile() {
        fs::create_directories(folder());
        EXPECT_TRUE(storage().save(twoLayouts()));
        oldText_ = readText(file());
        ASSERT_FALSE(oldText_.empty());
    }

    // After a save that failed: the old file is all there is, and the one line says why.
    void expectOldFileKept(const std::string& why) {
        EXPECT_EQ(readText(file()), oldText_);
        EXPECT_EQ(folderEntries(folder()), (std::vector<fs::path>{"layouts.json"}));
        auto lines = log_.take();
        // The temporary file's name ends in six random characters.
        for (auto& line : lines)
            if (const auto at = line.find("/.layouts.json."); at != std::string::npos)
                line.replace(at + 15, 6, "XXXXXX");
        EXPECT_EQ(lines, std::vector<std::string>{"LayoutStorage: Failed to save layouts: " + why});
    }

    fs::path home_;
    MemoryLog log_;
    ManualLoop loop_;
    std::string oldText_;
};

TEST_F(LayoutStorageTest, FirstStartCreatesTheFolderSilentlyAndAnEmptyListIsAnEmptyArray) {
    fs::path nested = home_ / "deeper" / "share";
    LayoutStorage store(log_, loop_, nested);
    EXPECT_TRUE(store.load().empty());
    EXPECT_TRUE(fs::is_directory(nested / "Vantrel"));
    EXPECT_FALSE(fs::exists(nested / "Vantrel" / "layouts.json"));
    EXPECT_TRUE(store.save({}));
    EXPECT_EQ(readText(nested / "Vantrel" / "layouts.json"), "[]\n");
    EXPECT_TRUE(log_.lines().empty());
}

// The file is private to the user, even when it was not.
TEST_F(LayoutStorageTest, SavedLayoutsLoadEqualSaveForSubSecondsEvenAfterTheFolderWentAway) {
    auto store = storage();
    EXPECT_TRUE(store.save(twoLayouts()));
    ::chmod(file().c_str(), 0644);
    EXPECT_TRUE(store.save(twoLayouts()));
    EXPECT_EQ(fs::status(file()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    fs::remove_all(folder());
    auto layouts = twoLayouts();
    layouts[1].createdAt += 750ms;
    EXPECT_TRUE(store.save(layouts));
    layouts[1].createdAt -= 750ms;  // dates are written in whole seconds
    EXPECT_EQ(storage().load(), layouts);
    EXPECT_TRUE(log_.lines().empty());
}

TEST_F(LayoutStorageTest, WithoutAUsableDataFolderNothingIsReadOrWritten) {
    writeText(home_ / "plain-file", "");
    const std::string created = "LayoutStorage: Failed to create directory: cannot create " +
                                (home_ / "plain-file" / "Vantrel").string() + ": Not a directory";
    const std::string missing = "LayoutStorage: Could not find Application Support directory";
    const std::pair<std::optional<fs::path>, std::string> cases[] = {
        {std::nullopt, missing}, {home_ / "plain-file", created}};
    for (const auto& [dataHome, line] : cases) {
        LayoutStorage store(log_, loop_, dataHome);
        EXPECT_TRUE(store.load().empty());
        EXPECT_FALSE(store.save(twoLayouts()));
        EXPECT_EQ(log_.take(),
                  (std::vector<std::string>{
                      line, line, "LayoutStorage: Cannot save - storage URL not available"}));
    }
}

// Unreadable files load as nothing, are left alone, and the next save (with or without a load
// before it) keeps them beside the new file, under a name nobody took; a FIFO does not block.
TEST_F(LayoutStorageTest, UnreadableFilesAreLeftAloneAndKeptByTheNextSave) {
    fs::create_directories(folder());
    auto json = *encodeLayoutFile(twoLayouts());
    json.replace(json.find("\"triggerApps\""), 13, "\"triggerAppz\"");
    const fs::path taken = folder() / "layouts.json.unreadable-20251206T054640Z";
    const fs::path kept = folder() / "layouts.json.unreadable-20251206T054640Z-2";
    const auto size = [](const fs::path& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 ? info.st_size : -1;
    };
    const struct {
        std::function<void()> make;
        std::string error;
    } cases[] = {
        {[&] { writeText(file(), json); }, "layout 0: missing key \"triggerApps\""},
        {[&] { fs::resize_file(file(), kMaxLayoutFileBytes + 1); },  // sparse: no disk space
         file().string() + " is too large (67108865 bytes, the limit is 67108864)"},
        {[&] { fs::remove(file()), ::mkfifo(file().c_str(), 0600); },
         file().string() + " is not a regular file"}};
    for (const bool loadFirst : {true, false}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.error);
            fs::remove_all(folder());
            fs::create_directories(folder());
            writeText(file(), "");
            writeText(taken, "someone else's");
            c.make();
            const auto before = size(file());
            auto store = storage();
            if (loadFirst) {
                EXPECT_TRUE(store.load().empty());
                EXPECT_EQ(log_.take(), (std::vector<std::string>{
                                           "LayoutStorage: Failed to load layouts: " + c.error}));
                EXPECT_EQ(size(file()), before);
            }
            EXPECT_TRUE(store.save({}));
            EXPECT_EQ(size(kept), before);
            EXPECT_EQ(readText(taken), "someone else's");
            EXPECT_EQ(log_.take(),
                      (std::vector<std::string>{"LayoutStorage: Kept unreadable layout file as " +
                                                kept.string()}));
            // Once replaced, the file is ours: later saves keep nothing more.
            EXPECT_TRUE(store.save(twoLayouts()));
            EXPECT_EQ(folderEntries(folder()).size(), 3u);
            EXPECT_TRUE(log_.take().empty());
        }
    }
}

TEST_F(LayoutStorageTest, AnInterruptedWriteAnUnencodableListOrAnUnwritableFolderKeepTheOldFile) {
    writeOldFile();
    // Let the write run into the file-size limit part-way, as a full disk would stop it.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_FALSE(storage().save(twoLayouts()));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    expectOldFileKept("cannot write " + folder().string() +
                      "/.layouts.json.XXXXXX: File too large");
    // So does a list that cannot be written, or a folder that cannot be written to.
    auto layouts = twoLayouts();
    layouts[1].windows[0].frameHeight = std::nan("");
    EXPECT_FALSE(storage().save(layouts));
    expectOldFileKept("layout 1: windows[0]: frameHeight: not a finite number");
    if (::geteuid() == 0) return;  // permissions do not bind the superuser
    ::chmod(folder().c_str(), 0500);
    EXPECT_FALSE(storage().save({}));
    expectOldFileKept("cannot create a temporary file in " + folder().string() +
                      ": Permission denied");
}

TEST_F(LayoutStorageTest, ARepeatedIdIsReplacedSoNoActionTouchesTwoLayouts) {
    auto layouts = twoLayouts();
    layouts[1].id = layouts[0].id;
    EXPECT_TRUE(storage().save(layouts));
    const auto loaded = storage().load();
    EXPECT_EQ(loaded[0].id, layouts[0].id);
    EXPECT_EQ(log_.lines(),
              (std::vector<std::string>{"LayoutStorage: Layout Home repeats the id " +
                                        layouts[0].id.toString() + "; it now has the id " +
                                        loaded[1].id.toString()}));
}

// Killed saves leave temporaries nobody holds a lock on; a save still running holds one.
TEST_F(LayoutStorageTest, ASaveRemovesTheTemporaryFilesOfKilledSavesOnly) {
    writeOldFile();
    writeText(folder() / ".layouts.json.Killed", "half a save");
    writeText(folder() / ".layouts.json.Runnin", "in progress");
    const int running = ::open((folder() / ".layouts.json.Runnin").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(running, LOCK_EX), 0);
    EXPECT_TRUE(storage().save({}));
    ::close(running);
    EXPECT_EQ(folderEntries(folder()),
              (std::vector<fs::path>{".layouts.json.Runnin", "layouts.json"}));
}

// A symlinked file stays a link; a file another program changed is reloaded, or kept.
TEST_F(LayoutStorageTest, ALinkedFileIsWrittenThroughAndOtherProgramsChangesAreNeverLost) {
    fs::create_directories(folder());
    fs::create_directories(home_ / "dotfiles");
    writeText(home_ / "dotfiles" / "layouts.json", "[]");
    fs::create_symlink("../dotfiles/layouts.json", file());
    auto store = storage();
    EXPECT_TRUE(store.load().empty());
    EXPECT_EQ(store.loadIfChanged(), std::nullopt);
    EXPECT_TRUE(store.save(twoLayouts()));
    EXPECT_TRUE(fs::is_symlink(file()));
    EXPECT_EQ(folderEntries(home_ / "dotfiles"), (std::vector<fs::path>{"layouts.json"}));

    writeText(file(), "[]");
    EXPECT_EQ(store.loadIfChanged(), std::vector<WindowLayout>{});
    const std::string theirs = *encodeLayoutFile(twoLayouts());
    writeText(file(), theirs);
    EXPECT_TRUE(store.save({}));
    EXPECT_EQ(readText(home_ / "dotfiles" / "layouts.json.changed-20251206T054640Z"), theirs);
    EXPECT_EQ(log_.lines(),
              (std::vector<std::string>{
                  "LayoutStorage: Reloaded layouts changed by another program",
                  "LayoutStorage: Kept layout file changed by another program as " +
                      (home_ / "dotfiles/layouts.json.changed-20251206T054640Z").string()}));
}

}  // namespace
}  // namespace vantrel
