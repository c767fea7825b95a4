// Where a freedesktop session keeps the user's files: the one reading of the XDG variables.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

namespace vantrel::freedesktop {

// A variable counts only when it holds an absolute path; relative values are invalid by the XDG
// rules and ignored.
struct XdgFolders {
    // $XDG_DATA_HOME, else $HOME/.local/share; none when HOME is unset too.
    std::optional<std::filesystem::path> dataHome;
    // $XDG_CONFIG_HOME, else $HOME/.config; none when HOME is unset too.
    std::optional<std::filesystem::path> configHome;
    // $XDG_DATA_DIRS, else /usr/local/share and /usr/share; without trailing slashes.
    std::vector<std::filesystem::path> dataDirs;

    // Reads the variables through `variable` (nullptr for an unset one).
    static XdgFolders from(const std::function<const char*(const char*)>& variable);
    // The process's own environment.
    static XdgFolders fromEnvironment();
    // Where desktop entries are looked for, most important first: dataHome, then dataDirs.
    std::vector<std::filesystem::path> dataFolders() const;
};

}  // namespace vantrel::freedesktop
