// The layout file: <data home>/Vantrel/layouts.json, read whole and rewritten whole.
#pragma once

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

// The user's data folder: $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share;
// absent when HOME is unset too.
std::optional<std::filesystem::path> defaultDataHome();
// The same rule over given values (nullptr for an unset variable).
std::optional<std::filesystem::path> dataHomeFrom(const char* xdgDataHome, const char* home);

// Loads and saves the whole list of layouts. Failures never reach the caller: they are logged,
// and a load then gives an empty list. A file that cannot be read is never destroyed: the first
// save after finding it keeps it beside the new file under a name of its own.
class LayoutStorage {
  public:
    static constexpr std::string_view kFolderName = "Vantrel";
    static constexpr std::string_view kFileName = "layouts.json";

    // `dataHome` is the folder that holds the Vantrel folder (see defaultDataHome); absent when
    // the user has none. The clock dates the names of kept unreadable files.
    LayoutStorage(Log& log, Clock& clock, std::optional<std::filesystem::path> dataHome);

    // The layouts of the file, in file order; empty when it is missing or unreadable.
    std::vector<WindowLayout> load();
    // Replaces the file with the list, atomically: a reader sees the old file or the new one.
    void save(const std::vector<WindowLayout>& layouts);

    // Where the file is, its folder created when missing; absent (and logged) when there is no
    // data folder or the folder cannot be created.
    std::optional<std::filesystem::path> storageURL();

  private:
    // What is known about the file on disk, so that an unreadable one is kept before a save
    // replaces it: `replaceable` once it was read, found missing, kept or written by us.
    enum class FileState { unknown, replaceable, mustKeep };

    Result<std::vector<WindowLayout>> read(const std::filesystem::path& file);
    Status writeAtomically(const std::filesystem::path& file, std::string_view bytes);
    Status keepIfUnreadable(const std::filesystem::path& file);
    Result<std::filesystem::path> keepBeside(const std::filesystem::path& file);

    Log& log_;
    Clock& clock_;
    std::optional<std::filesystem::path> dataHome_;
    FileState fileState_ = FileState::unknown;
};

}  // namespace vantrel
