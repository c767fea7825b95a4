// Launching installed desktop entries and opening URIs through GIO.
#pragma once

#include "platform/freedesktop/AppLauncher.h"

namespace vantrel::freedesktop {

class GioLauncher final : public AppLauncher {
  public:
    Status launchInstalledEntry(const std::string& id) override;
    bool openUri(std::string_view uri) override;
    std::optional<std::string> defaultFileManagerId() override;
};

}  // namespace vantrel::freedesktop
