// Reading installed desktop entries straight from the XDG data folders: only what naming a
// window's application needs, with the precedence and validity rules desktop shells apply.
#include "platform/freedesktop/DesktopEntries.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <utility>

#include "platform/freedesktop/XdgFolders.h"

namespace vantrel::freedesktop {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSuffix = ".desktop";

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(separator, start), text.size());
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

bool validUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80         ? 1
                                   : (c >> 5) == 6  ? 2
                                   : (c >> 4) == 14 ? 3
                                   : (c >> 3) == 30 ? 4
                                                    : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) return false;
        i += length;
    }
    return true;
}

// A string value: \s \n \t \r \\ are escapes; anything else after a backslash, or invalid
// UTF-8, makes the value unreadable.
std::optional<std::string> unescape(std::string_view raw) {
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\') {
            out.push_back(raw[i]);
            continue;
        }
        if (++i == raw.size()) return std::nullopt;
        switch (raw[i]) {
            case 's':
                out.push_back(' ');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case '\\':
                out.push_back('\\');
                break;
            default:
                return std::nullopt;
        }
    }
    if (!validUtf8(out)) return std::nullopt;
    return out;
}

// The [Desktop Entry] group of a key file, raw values by key (the last of a repeated key wins).
// None when the file cannot be read, is malformed, or does not start with that group.
std::optional<std::map<std::string, std::string, std::less<>>> readEntryGroup(
    const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::map<std::string, std::string, std::less<>> values;
    std::string line;
    std::optional<std::string> firstGroup;
    bool inEntryGroup = false;
    while (std::getline(file, line)) {
        std::string_view text(line);
        while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
        if (text.empty() || text.front() == '#') continue;
        if (text.front() == '[') {
            const auto close = text.find(']');
            if (close == std::string_view::npos || !trim(text.substr(close + 1)).empty())
                return std::nullopt;
            const std::string group(text.substr(1, close - 1));
            if (!firstGroup) firstGroup = group;
            inEntryGroup = group == "Desktop Entry";
            continue;
        }
        const auto equals = text.find('=');
        if (equals == std::string_view::npos || equals == 0) return std::nullopt;
        if (!firstGroup) return std::nullopt;  // a key before any group
        if (!inEntryGroup) continue;
        std::string_view key = text.substr(0, equals);
        while (!key.empty() && isSpace(key.back())) key.remove_suffix(1);
        std::string_view value = text.substr(equals + 1);
        while (!value.empty() && isSpace(value.front())) value.remove_prefix(1);
        while (!value.empty() && (value.back() == '\r' || value.back() == '\n'))
            value.remove_suffix(1);
        values[std::string(key)] = std::string(value);
    }
    if (firstGroup != "Desktop Entry") return std::nullopt;
    return values;
}

using Group = std::map<std::string, std::string, std::less<>>;

std::optional<std::string> stringValue(const Group& group, std::string_view key) {
    const auto it = group.find(key);
    if (it == group.end()) return std::nullopt;
    return unescape(it->second);
}

bool booleanValue(const Group& group, std::string_view key) {
    const auto it = group.find(key);
    if (it == group.end()) return false;
    const std::string_view value = trim(it->second);
    return value == "true" || value == "1";
}

// The user's languages, most wanted first, each with its less specific forms
// (de_AT@euro, de_AT, de@euro, de), as messages are looked up.
std::vector<std::string> languageVariants() {
    std::string value;
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        value = env(name);
        if (!value.empty()) break;
    }
    std::vector<std::string> variants;
    for (const std::string& locale : split(value, ':')) {
        if (locale.empty() || locale == "C" || locale == "POSIX" || locale.starts_with("C."))
            continue;
        std::string rest = locale;
        std::string modifier;
        if (const auto at = rest.find('@'); at != std::string::npos) {
            modifier = rest.substr(at);
            rest.resize(at);
        }
        if (const auto dot = rest.find('.'); dot != std::string::npos) rest.resize(dot);
        std::string language = rest;
        std::string territory;
        if (const auto underscore = rest.find('_'); underscore != std::string::npos) {
            language = rest.substr(0, underscore);
            territory = rest.substr(underscore);
        }
        for (const std::string& v :
             {language + territory + modifier, language + territory, language + modifier, language})
            if (std::find(variants.begin(), variants.end(), v) == variants.end())
                variants.push_back(v);
    }
    return variants;
}

std::optional<std::string> localeString(const Group& group, std::string_view key,
                                        const std::vector<std::string>& languages) {
    for (const auto& language : languages)
        if (auto value = stringValue(group, std::string(key) + "[" + language + "]")) return value;
    return stringValue(group, key);
}

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    if (::access(path.c_str(), X_OK) != 0) return false;
    // root may "execute" anything; a program still needs an execute bit.
    return ::getuid() != 0 || (info.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
}

// Whether a program named as in Exec or TryExec is installed: a path as it stands, a bare name
// on $PATH.
bool programExists(const std::string& program) {
    if (program.empty()) return false;
    if (program.find('/') != std::string::npos) return isExecutableFile(program);
    const char* path = std::getenv("PATH");
    for (std::string folder : split(path != nullptr ? path : "/bin:/usr/bin:.", ':')) {
        if (folder.empty()) folder = ".";
        if (isExecutableFile(folder + "/" + program)) return true;
    }
    return false;
}

// The first word of an Exec line as a shell would read it; none when the quoting is broken or
// there is no word.
std::optional<std::string> execProgram(std::string_view exec) {
    std::string first;
    bool inWord = false;
    bool haveFirst = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        std::string* out = haveFirst ? nullptr : &first;
        if (!inWord && isSpace(c)) continue;
        if (!inWord && c == '#') {
            // A comment runs to the end of the line.
            while (i < exec.size() && exec[i] != '\n') ++i;
            continue;
        }
        if (isSpace(c)) {
            inWord = false;
            haveFirst = true;
            continue;
        }
        inWord = true;
        if (c == '\'') {
            const auto close = exec.find('\'', i + 1);
            if (close == std::string_view::npos) return std::nullopt;
            if (out) out->append(exec.substr(i + 1, close - i - 1));
            i = close;
        } else if (c == '"') {
            std::size_t j = i + 1;
            for (; j < exec.size() && exec[j] != '"'; ++j) {
                if (exec[j] == '\\' && j + 1 < exec.size() &&
                    std::string_view("$`\"\\\n").find(exec[j + 1]) != std::string_view::npos)
                    ++j;
                if (out) out->push_back(exec[j]);
            }
            if (j == exec.size()) return std::nullopt;
            i = j;
        } else if (c == '\\') {
            if (i + 1 == exec.size()) return std::nullopt;
            ++i;
            if (out && exec[i] != '\n') out->push_back(exec[i]);
        } else if (out) {
            out->push_back(c);
        }
    }
    if (!haveFirst && !inWord) return std::nullopt;
    return first;
}

// The application entry of a file; none when it is not one, cannot run here, or is Hidden.
std::optional<DesktopEntry> readEntry(const std::string& id, const std::string& path,
                                      const std::vector<std::string>& languages) {
    const auto group = readEntryGroup(path);
    if (!group) return std::nullopt;
    if (stringValue(*group, "Type") != "Application") return std::nullopt;
    if (auto tryExec = stringValue(*group, "TryExec"); tryExec && !tryExec->empty())
        if (!programExists(*tryExec)) return std::nullopt;
    if (auto exec = stringValue(*group, "Exec"); exec && !exec->empty()) {
        const auto program = execProgram(*exec);
        if (!program || !programExists(*program)) return std::nullopt;
    }
    if (booleanValue(*group, "Hidden")) return std::nullopt;
    DesktopEntry entry;
    entry.id = id;
    // NoDisplay entries are kept: they still name the windows of their application.
    entry.name = localeString(*group, "X-GNOME-FullName", languages)
                     .value_or(localeString(*group, "Name", languages).value_or("Unnamed"));
    entry.startupWMClass = stringValue(*group, "StartupWMClass").value_or("");
    entry.filename = path;
    return entry;
}

// Bounds on one data folder's scan, so that no content there can stall start-up.
constexpr int kMaxDepth = 8;
constexpr int kMaxFolders = 2000;
constexpr std::size_t kMaxFiles = 20000;
// Desktop entries are a few kilobytes; a larger file is not one.
constexpr std::uintmax_t kMaxEntryBytes = 1 << 20;

// The folders one scan has entered, by device and inode: a symlinked folder is read once, so
// that links pointing back up cannot multiply the walk.
struct Scan {
    std::set<std::pair<dev_t, ino_t>> visited;
    int folders = 0;
    std::map<std::string, std::string> files;
};

// Every *.desktop file below `folder` by its id; subfolders add their name and "-".
void collectFiles(const std::string& folder, const std::string& prefix, int depth, Scan& scan) {
    struct stat info {};
    if (depth > kMaxDepth || scan.folders >= kMaxFolders || ::stat(folder.c_str(), &info) != 0 ||
        !scan.visited.emplace(info.st_dev, info.st_ino).second)
        return;
    ++scan.folders;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error) return;
    for (const auto& item : it) {
        if (scan.files.size() >= kMaxFiles) return;
        const std::string name = item.path().filename().string();
        const std::string path = folder + "/" + name;
        if (name.size() > kSuffix.size() && name.ends_with(kSuffix)) {
            // Only regular files: a FIFO or a device would block the read.
            if (item.is_regular_file(error) && item.file_size(error) <= kMaxEntryBytes)
                scan.files.try_emplace(prefix + name.substr(0, name.size() - kSuffix.size()), path);
        } else if (item.is_directory(error)) {
            collectFiles(path, prefix + name + "-", depth + 1, scan);
        }
    }
}

}  // namespace

std::vector<std::string> entryDataFolders() {
    std::vector<std::string> folders;
    for (const auto& folder : XdgFolders::fromEnvironment().dataFolders())
        folders.push_back(folder.string());
    return folders;
}

std::vector<DesktopEntry> loadInstalledEntries(const std::vector<std::string>& dataFolders) {
    const std::vector<std::string> languages = languageVariants();
    std::set<std::string> seen;
    std::vector<DesktopEntry> entries;
    for (const auto& folder : dataFolders) {
        Scan scan;
        collectFiles(folder + "/applications", "", 0, scan);
        for (const auto& [id, path] : scan.files) {
            // The first folder holding an id decides it, whatever its file says.
            if (!seen.insert(id).second) continue;
            if (auto entry = readEntry(id, path, languages)) entries.push_back(std::move(*entry));
        }
    }
    return entries;
}

std::vector<DesktopEntry> loadInstalledEntries() {
    return loadInstalledEntries(entryDataFolders());
}

std::vector<std::int64_t> entryFoldersStamp() {
    std::vector<std::int64_t> stamp;
    for (const auto& folder : entryDataFolders()) {
        struct stat info {};
        const std::string path = folder + "/applications";
        stamp.push_back(::stat(path.c_str(), &info) == 0
                            ? static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 +
                                  info.st_mtim.tv_nsec
                            : -1);
    }
    return stamp;
}

}  // namespace vantrel::freedesktop
