// The layout file: <data home>/Vantrel/layouts.json, read whole and rewritten whole.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Clock.h"
#include "base/Log.h"
#include "base/Result.h"
#include "model/WindowLayout.h"

namespace vantrel {

// Loads and saves the whole list of layouts. Failures are logged; a load then gives an empty
// list, a save returns the reason. A file that cannot be read, or that another program changed
// since it was read or written here, is never destroyed: the next save keeps it beside the new
// file under a name of its own. A layouts.json that is a symbolic link is written through to
// its target.
class LayoutStorage {
  public:
    static constexpr std::string_view kFolderName = "Vantrel";
    static constexpr std::string_view kFileName = "layouts.json";

    // `dataHome` is the folder that holds the Vantrel folder (the user's XDG data folder); absent
    // when the user has none. The clock dates the names of kept unreadable files.
    LayoutStorage(Log& log, Clock& clock, std::optional<std::filesystem::path> dataHome);

    // The layouts of the file, in file order; empty when it is missing or unreadable. A layout
    // whose id an earlier one already has gets a new id (logged), so no action touches two.
    std::vector<WindowLayout> load();
    // The file's layouts when another program changed the file since it was last read or
    // written here and it is readable; nothing otherwise.
    std::optional<std::vector<WindowLayout>> loadIfChanged();
    // Replaces the file with the list, atomically: a reader sees the old file or the new one.
    // Temporary files that an interrupted save left behind are removed first.
    Status save(const std::vector<WindowLayout>& layouts);

    // Where the file is, its folder created when missing; absent (and logged) when there is no
    // data folder or the folder cannot be created.
    std::optional<std::filesystem::path> storageURL();

  private:
    // What is known about the file on disk, so that an unreadable one is kept before a save
    // replaces it: `replaceable` once it was read, found missing, kept or written by us.
    enum class FileState { unknown, replaceable, mustKeep };
    // Tells one version of the file from another; `exists` false for no file.
    struct FileStamp {
        bool exists = false;
        std::uint64_t device = 0, inode = 0, size = 0;
        std::int64_t modified = 0;  // nanoseconds
        friend bool operator==(const FileStamp&, const FileStamp&) = default;
    };

    Result<std::vector<WindowLayout>> read(const std::filesystem::path& file,
                                           FileStamp* seen = nullptr);
    std::vector<WindowLayout> withUniqueIds(std::vector<WindowLayout> layouts);
    Status writeAtomically(const std::filesystem::path& file, std::string_view bytes);
    Status keepIfUnreplaceable(const std::filesystem::path& file);
    Result<std::filesystem::path> keepBeside(const std::filesystem::path& file,
                                             std::string_view why);
    void removeStaleTemporaries(const std::filesystem::path& folder);
    static FileStamp stampOf(const std::filesystem::path& file);

    Log& log_;
    Clock& clock_;
    std::optional<std::filesystem::path> dataHome_;
    FileState fileState_ = FileState::unknown;
    // The file as this process last read or wrote it.
    std::optional<FileStamp> known_;
};

}  // namespace vantrel
