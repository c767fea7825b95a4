// GIO launches: the desktop entry by id, the default handler of a URI, the folder opener.
#include "platform/freedesktop/GioLauncher.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

namespace vantrel::freedesktop {
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

Status GioLauncher::launchInstalledEntry(const std::string& id) {
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

bool GioLauncher::openUri(std::string_view uri) {
    if (uri.empty()) return false;
    const std::string text(uri);
    GError* error = nullptr;
    const gboolean opened = g_app_info_launch_default_for_uri(text.c_str(), nullptr, &error);
    if (error != nullptr) g_error_free(error);
    return opened != FALSE;
}

std::optional<std::string> GioLauncher::defaultFileManagerId() {
    GAppInfo* info = g_app_info_get_default_for_type("inode/directory", FALSE);
    if (info == nullptr) return std::nullopt;
    std::string id = withoutSuffix(g_app_info_get_id(info));
    g_object_unref(info);
    if (id.empty()) return std::nullopt;
    return id;
}

}  // namespace vantrel::freedesktop
