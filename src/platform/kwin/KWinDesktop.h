// The desktop of KWin (KDE Plasma on Wayland) behind the platform seam, through Vantrel's KWin
// script and the bridge it calls.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Subscription.h"
#include "platform/compositor/CompositorDesktop.h"
#include "platform/kwin/KWinBridge.h"

namespace vantrel::kwin {

struct KWinOptions {
    // KWin's output names by index, for a KWin (5.27) that names its outputs to no script;
    // asked on the main queue whenever a monitor has no name.
    std::function<std::vector<std::string>()> outputNames;
    compositor::CompositorOptions common = {};
};

// Reports arrive on the bridge's thread; every write is a request to the script.
class KWinDesktop final : public compositor::CompositorDesktop {
  public:
    KWinDesktop(Log& log, MainQueue& mainQueue, Clock& clock, KWinBridge& bridge,
                KWinOptions options = {});
    ~KWinDesktop() override;

    // Follows the script's reports from now on and reads the installed desktop entries; this
    // process's windows are Vantrel's own.
    void connect();
    // Names the monitors KWin 5.27 does not name to scripts, from KWin's support information
    // (a blocking call to KWin: never on the bridge's thread).
    using CompositorDesktop::nameMonitors;
    // Waits at most `timeout` until the script reported, then names the monitors, so that whoever
    // reads the desktop next sees them with the ids they keep; false when the script did not
    // report. Main thread.
    bool awaitReady(Duration timeout);

    native::Identity identity() const override;
    // KWin runs the script the user allowed by running Vantrel: nothing to ask for.
    void requestAccess() override {}

  private:
    // The bridge's thread.
    void onReport(const nlohmann::json& report);
    std::optional<std::string> send(const Request& request) override;

    KWinBridge& bridge_;
    const Duration requestTimeout_;
    const std::function<std::vector<std::string>()> outputNames_;
    Subscriptions reports_;
    // Tasks posted to the main queue run only while the desktop lives.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vantrel::kwin
