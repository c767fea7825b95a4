// The XDG base-directory rules over a set of variables.
#include "platform/freedesktop/XdgFolders.h"

#include <cstdlib>
#include <string>
#include <string_view>

namespace vantrel::freedesktop {
namespace {

namespace fs = std::filesystem;

bool absolute(const char* value) {
    return value != nullptr && value[0] == '/';
}

std::optional<fs::path> homeFolder(const char* xdgValue, const char* home, const char* fallback) {
    if (absolute(xdgValue)) return fs::path(xdgValue);
    if (absolute(home)) return fs::path(home) / fallback;
    return std::nullopt;
}

fs::path withoutTrailingSlashes(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

}  // namespace

XdgFolders XdgFolders::from(const std::function<const char*(const char*)>& variable) {
    XdgFolders folders;
    const char* home = variable("HOME");
    folders.dataHome = homeFolder(variable("XDG_DATA_HOME"), home, ".local/share");
    folders.configHome = homeFolder(variable("XDG_CONFIG_HOME"), home, ".config");
    if (folders.dataHome) folders.dataHome = withoutTrailingSlashes(folders.dataHome->string());
    if (folders.configHome)
        folders.configHome = withoutTrailingSlashes(folders.configHome->string());
    const char* dirs = variable("XDG_DATA_DIRS");
    std::string_view list =
        dirs != nullptr && *dirs != '\0' ? dirs : "/usr/local/share/:/usr/share/";
    while (!list.empty()) {
        const auto colon = list.find(':');
        const std::string folder(list.substr(0, colon));
        if (absolute(folder.c_str())) folders.dataDirs.push_back(withoutTrailingSlashes(folder));
        list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
    }
    return folders;
}

XdgFolders XdgFolders::fromEnvironment() {
    return from([](const char* name) { return std::getenv(name); });
}

std::vector<fs::path> XdgFolders::dataFolders() const {
    std::vector<fs::path> folders;
    if (dataHome) folders.push_back(*dataHome);
    folders.insert(folders.end(), dataDirs.begin(), dataDirs.end());
    return folders;
}

}  // namespace vantrel::freedesktop
