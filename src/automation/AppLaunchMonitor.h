// Watches application launches and restores the first layout that lists the launched application.
#pragma once

#include <memory>
#include <string>

#include "automation/LayoutCommands.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "base/Subscription.h"
#include "engine/WindowSystem.h"

namespace vantrel {

class AppLaunchMonitor {
  public:
    // A launched application needs a moment to open its windows.
    static constexpr Duration kRestoreDelay = 500ms;

    AppLaunchMonitor(WindowSystem& windowSystem, LayoutCommands& commands, MainQueue& mainQueue,
                     Log& log);
    AppLaunchMonitor(const AppLaunchMonitor&) = delete;
    AppLaunchMonitor& operator=(const AppLaunchMonitor&) = delete;
    ~AppLaunchMonitor() { cancelSubscriptions(); }

    // Starts watching launches. Main thread.
    void start();
    // Stops watching; a restore already scheduled still runs.
    void cancelSubscriptions() { cancellables_.clear(); }
    bool isWatching() const { return !cancellables_.empty(); }

    // One launch: schedules the restore of the first layout it triggers, with the list found now.
    void handleAppLaunch(const std::string& bundleID);

  private:
    WindowSystem& windowSystem_;
    LayoutCommands& commands_;
    MainQueue& mainQueue_;
    Log& log_;
    Subscriptions cancellables_;
    // Lets a scheduled restore see that the monitor is gone.
    std::shared_ptr<AppLaunchMonitor*> self_;
};

}  // namespace vantrel
