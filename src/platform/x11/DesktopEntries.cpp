// GIO access: the installed desktop entries, launching one of them, opening URIs.
#include "platform/x11/DesktopEntries.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

namespace vantrel::x11 {
namespace {

std::string withoutSuffix(const char* id) {
    std::string text = id != nullptr ? id : "";
    constexpr std::string_view suffix = ".desktop";
    if (text.size() > suffix.size() && text.ends_with(suffix))
        text.resize(text.size() - suffix.size());
    return text;
}

std::string errorText(GError* error, const char* fallback) {
    std::string text = error != nullptr && error->message != nullptr ? error->message : fallback;
    if (error != nullptr) g_error_free(error);
    return text;
}

}  // namespace

std::vector<DesktopEntry> loadInstalledEntries() {
    std::vector<DesktopEntry> entries;
    GList* all = g_app_info_get_all();
    for (GList* item = all; item != nullptr; item = item->next) {
        auto* info = static_cast<GAppInfo*>(item->data);
        if (!G_IS_DESKTOP_APP_INFO(info)) continue;
        auto* desktop = G_DESKTOP_APP_INFO(info);
        DesktopEntry entry;
        entry.id = withoutSuffix(g_app_info_get_id(info));
        if (const char* name = g_app_info_get_display_name(info)) entry.name = name;
        if (const char* wmClass = g_desktop_app_info_get_startup_wm_class(desktop))
            entry.startupWMClass = wmClass;
        if (const char* file = g_desktop_app_info_get_filename(desktop)) entry.filename = file;
        if (!entry.id.empty()) entries.push_back(std::move(entry));
    }
    g_list_free_full(all, g_object_unref);
    return entries;
}

std::vector<std::int64_t> entryFoldersStamp() {
    std::vector<std::string> folders;
    const char* home = std::getenv("XDG_DATA_HOME");
    const char* user = std::getenv("HOME");
    if (home != nullptr && *home != '\0')
        folders.emplace_back(home);
    else if (user != nullptr)
        folders.push_back(std::string(user) + "/.local/share");
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::string list = dirs != nullptr && *dirs != '\0' ? dirs : "/usr/local/share:/usr/share";
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t end = std::min(list.find(':', start), list.size());
        if (end > start) folders.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    std::vector<std::int64_t> stamp;
    for (const auto& folder : folders) {
        struct stat info {};
        const std::string path = folder + "/applications";
        stamp.push_back(::stat(path.c_str(), &info) == 0
                            ? static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 +
                                  info.st_mtim.tv_nsec
                            : -1);
    }
    return stamp;
}

Status launchInstalledEntry(const std::string& id) {
    const std::string desktopId = id + ".desktop";
    GDesktopAppInfo* info = g_desktop_app_info_new(desktopId.c_str());
    if (info == nullptr) return Error{"No installed application " + id};
    GError* error = nullptr;
    // No launch context: without a startup-notification id the new window is less likely to
    // take the focus from what the user is doing.
    const gboolean launched = g_desktop_app_info_launch_uris_as_manager(
        info, nullptr, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr, &error);
    g_object_unref(info);
    if (launched == FALSE) return Error{errorText(error, "The application could not be launched")};
    return Ok{};
}

bool openUri(std::string_view uri) {
    if (uri.empty()) return false;
    const std::string text(uri);
    GError* error = nullptr;
    const gboolean opened = g_app_info_launch_default_for_uri(text.c_str(), nullptr, &error);
    if (error != nullptr) g_error_free(error);
    return opened != FALSE;
}

std::optional<std::string> defaultFileManagerId() {
    GAppInfo* info = g_app_info_get_default_for_type("inode/directory", FALSE);
    if (info == nullptr) return std::nullopt;
    std::string id = withoutSuffix(g_app_info_get_id(info));
    g_object_unref(info);
    if (id.empty()) return std::nullopt;
    return id;
}

}  // namespace vantrel::x11
