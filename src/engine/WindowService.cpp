// WindowService construction and the accessibility-permission state with its 2-second poll.
#include "engine/WindowService.h"

namespace vantrel {

WindowService::WindowService(WindowSystem& windowSystem, SpaceService& spaces, MainQueue& mainQueue,
                             Clock& clock, Log& log)
    : windowSystem_(windowSystem),
      spaces_(spaces),
      mainQueue_(mainQueue),
      clock_(clock),
      log_(log),
      excludedBundleIDs_{windowSystem.fileManagerBundleID(), windowSystem.dockBundleID(),
                         windowSystem.ownBundleID()},
      self_(std::make_shared<WindowService*>(this)) {}

WindowService::~WindowService() {
    permissionCheckTimer_.reset();
}

void WindowService::start() {
    checkAccessibilityPermission();
    startPermissionPolling();
}

void WindowService::checkAccessibilityPermission() {
    const bool trusted = windowSystem_.isProcessTrusted();
    // On the main thread the answer holds at once, so whatever reads the flag next (the
    // start-up summary) sees the state as it is.
    if (mainQueue_.isMainThread()) {
        if (trusted != hasAccessibilityPermission.get()) hasAccessibilityPermission.set(trusted);
    } else if (trusted != hasAccessibilityPermission.get()) {
        std::weak_ptr<WindowService*> weak = self_;
        mainQueue_.post([weak, trusted] {
            if (auto self = weak.lock()) (*self)->hasAccessibilityPermission.set(trusted);
        });
    }
    if (trusted) permissionCheckTimer_.reset();
}

void WindowService::startPermissionPolling() {
    if (hasAccessibilityPermission.get() || permissionCheckTimer_.active()) return;
    std::weak_ptr<WindowService*> weak = self_;
    permissionCheckTimer_ = TimerHandle(mainQueue_, mainQueue_.startRepeating(2s, [weak] {
        if (auto self = weak.lock()) (*self)->checkAccessibilityPermission();
    }));
}

void WindowService::requestAccessibilityPermission() {
    windowSystem_.requestTrust();
    startPermissionPolling();
}

bool WindowService::openAccessibilitySettings() {
    const std::string url = windowSystem_.accessibilitySettingsURL();
    if (url.empty()) return false;
    return windowSystem_.openURL(url);
}

}  // namespace vantrel
