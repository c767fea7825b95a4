// Waits for the window manager, then restores the marked layouts in list order.
#include "automation/LoginRestore.h"

#include <string>

namespace vantrel {

LoginRestore::LoginRestore(LayoutCommands& commands, WindowService& windowService,
                           MainQueue& mainQueue, Log& log)
    : commands_(commands),
      windowService_(windowService),
      mainQueue_(mainQueue),
      log_(log),
      self_(std::make_shared<LoginRestore*>(this)) {}

LoginRestore::~LoginRestore() {
    self_.reset();
}

void LoginRestore::start() {
    const auto runSoon = [this] {
        // From the queue, so the tray and the start-up lines come first.
        mainQueue_.post([weak = std::weak_ptr<LoginRestore*>(self_)] {
            if (auto self = weak.lock()) (*self)->run();
        });
    };
    if (windowService_.hasAccessibilityPermission.get()) {
        runSoon();
        return;
    }
    // The window service checks every 2 seconds until a window manager is running.
    ready_ = windowService_.hasAccessibilityPermission.onDidChange([this, runSoon](bool ready) {
        if (ready) runSoon();
    });
}

void LoginRestore::run() {
    if (ran_) return;
    ran_ = true;
    ready_.reset();
    std::vector<WindowLayout> marked;
    for (const auto& layout : commands_.list().layouts.get())
        if (layout.restoreAtLogin) marked.push_back(layout);
    if (marked.empty()) return;
    log_.line("LoginRestore: Restoring " + std::to_string(marked.size()) +
              " layout(s) marked to restore at log-in");
    restoreNext(std::move(marked));
}

void LoginRestore::restoreNext(std::vector<WindowLayout> pending) {
    if (pending.empty()) return;
    WindowLayout layout = std::move(pending.front());
    pending.erase(pending.begin());
    log_.line("LoginRestore: Restoring " + layout.name);
    // After a log-in the applications are not running yet: they are launched, and the restore
    // waits for their windows as any launching restore does.
    auto options = RestoreOptions::from(RestoreOrigin::background);
    options.launchMissingApps = true;
    // One at a time: a restore started meanwhile would stop this one at its next window.
    options.onFinished = [weak = std::weak_ptr<LoginRestore*>(self_),
                          rest = std::move(pending)](const RestoreOutcome&) mutable {
        if (auto self = weak.lock()) (*self)->restoreNext(std::move(rest));
    };
    commands_.restore(layout, std::move(options));
}

}  // namespace vantrel
