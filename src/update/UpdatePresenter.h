// The seam for what the update checker tells the user.
#pragma once

#include <string>

#include "update/Appcast.h"

namespace vantrel {

class UpdatePresenter {
  public:
    virtual ~UpdatePresenter() = default;
    // A later release exists: its version, release notes and download page.
    virtual void showUpdateAvailable(const AppcastItem& item) = 0;
    // A check the user asked for found nothing later than `currentVersion`.
    virtual void showUpToDate(const std::string& currentVersion) = 0;
    // A check the user asked for failed.
    virtual void showCheckFailed(const std::string& reason) = 0;
};

}  // namespace vantrel
