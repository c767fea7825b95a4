// What starts installed applications and opens addresses: kept apart from reading windows so
// that tools which only read never load a launcher's libraries.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/Result.h"

namespace vantrel::freedesktop {

class AppLauncher {
  public:
    AppLauncher() = default;
    AppLauncher(const AppLauncher&) = delete;
    AppLauncher& operator=(const AppLauncher&) = delete;
    virtual ~AppLauncher() = default;

    // Launches an installed entry by its id; never runs anything that is not installed.
    virtual Status launchInstalledEntry(const std::string& id) = 0;
    // Opens a URI with the user's default handler; false when nothing was opened.
    virtual bool openUri(std::string_view uri) = 0;
    // The id of the entry that opens folders, if the user has one.
    virtual std::optional<std::string> defaultFileManagerId() = 0;
};

}  // namespace vantrel::freedesktop
