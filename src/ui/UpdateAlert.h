// What the update checker tells the user, as message boxes with links to the release.
#pragma once

#include <QString>
#include <functional>

#include "ui/DialogPresenter.h"
#include "update/UpdatePresenter.h"

namespace vantrel {

class UpdateAlert final : public UpdatePresenter {
  public:
    using OpenLink = std::function<bool(const QString& url)>;

    // Real message boxes; links open in the desktop's browser.
    UpdateAlert();
    // `dialogs` outlives the alert.
    UpdateAlert(DialogPresenter& dialogs, OpenLink openLink);

    // "Download" opens the download page, "Release Notes" the notes; each only when the feed
    // gave that link.
    void showUpdateAvailable(const AppcastItem& item) override;
    void showUpToDate(const std::string& currentVersion) override;
    void showCheckFailed(const std::string& reason) override;

  private:
    MessageBoxPresenter ownDialogs_;
    DialogPresenter& dialogs_;
    OpenLink openLink_;
};

}  // namespace vantrel
