// Launch handling: the lookup, the log line and the delayed restore.
#include "automation/AppLaunchMonitor.h"

#include <vector>

namespace vantrel {

AppLaunchMonitor::AppLaunchMonitor(WindowSystem& windowSystem, LayoutCommands& commands,
                                   MainQueue& mainQueue, Log& log)
    : windowSystem_(windowSystem),
      commands_(commands),
      mainQueue_(mainQueue),
      log_(log),
      self_(std::make_shared<AppLaunchMonitor*>(this)) {}

void AppLaunchMonitor::start() {
    if (isWatching()) return;
    std::weak_ptr<AppLaunchMonitor*> weak = self_;
    cancellables_.push_back(
        windowSystem_.observeApplicationLaunches([weak](const RunningApplication& application) {
            // Applications without an identifier cannot be named in a layout's triggers.
            if (!application.bundleID) return;
            if (auto self = weak.lock()) (*self)->handleAppLaunch(*application.bundleID);
        }));
}

void AppLaunchMonitor::handleAppLaunch(const std::string& bundleID) {
    auto layouts = commands_.list().layoutsTriggered(bundleID);
    if (layouts.empty()) return;
    // Two layouts that launch each other's triggers would restore one another for ever.
    if (const auto by = commands_.list().launchedByTriggeredRestore(bundleID)) {
        log_.line("AppLaunchMonitor: App launched " + bundleID + " by the triggered restore of " +
                  *by + "; not triggering again, to stop a cycle");
        return;
    }
    log_.line("AppLaunchMonitor: App launched " + bundleID + ", found " +
              std::to_string(layouts.size()) + " layouts to trigger");
    std::weak_ptr<AppLaunchMonitor*> weak = self_;
    // The layout as it was at launch is restored, even if it is edited or deleted meanwhile.
    mainQueue_.postAfter(kRestoreDelay, [weak, layouts = std::move(layouts)] {
        auto self = weak.lock();
        if (!self || layouts.empty()) return;
        (*self)->commands_.restore(layouts.front(),
                                   RestoreOptions::from(RestoreOrigin::launchTrigger));
    });
}

}  // namespace vantrel
