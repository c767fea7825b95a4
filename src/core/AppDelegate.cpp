// Creation order of the services, launch finished and will terminate.
#include "core/AppDelegate.h"

#include <string>

namespace vantrel {

AppDelegate::AppDelegate(AppPlatform platform)
    : platform_(std::move(platform)), self_(std::make_shared<AppDelegate*>(this)) {
    auto& p = platform_;
    spaceService_ = std::make_unique<SpaceService>(p.windowSystem, p.mainQueue);
    windowService_ = std::make_unique<WindowService>(p.windowSystem, *spaceService_, p.mainQueue,
                                                     p.clock, p.log);
    storage_ = std::make_unique<LayoutStorage>(p.log, p.clock, p.dataHome);
    layoutManager_ = std::make_unique<LayoutManager>(
        *windowService_, *storage_, p.worker, p.mainQueue, p.clock, notifications_, p.notifier);
    // The store reads the user defaults as it is made; the hotkey service needs it at once.
    preferences_ =
        std::make_unique<PreferencesStore>(p.defaults, p.loginItem, notifications_, p.log);
    presetService_ = std::make_unique<PresetLayoutService>(*windowService_, p.windowSystem, p.log);
    commands_ = std::make_unique<LayoutCommands>(*layoutManager_, *windowService_, *presetService_,
                                                 *preferences_, p.worker, p.mainQueue, p.clock);
    displayMonitor_ = std::make_unique<DisplayMonitor>(p.windowSystem, *windowService_, *commands_,
                                                       p.worker, p.mainQueue, p.log);
    appLaunchMonitor_ =
        std::make_unique<AppLaunchMonitor>(p.windowSystem, *commands_, p.mainQueue, p.log);
    hotkeyService_ = std::make_unique<HotkeyService>(
        p.hotkeys, *layoutManager_, *commands_, *preferences_, p.mainQueue, notifications_, p.log);
    if (p.updater != nullptr)
        updateService_ = std::make_unique<UpdateService>(*p.updater, *preferences_);
}

AppDelegate::~AppDelegate() {
    self_.reset();
}

void AppDelegate::start() {
    if (started_) return;
    started_ = true;
    layoutManager_->load();
    windowService_->start();
    displayMonitor_->start();
    appLaunchMonitor_->start();
    hotkeyService_->start();
}

void AppDelegate::applicationDidFinishLaunching() {
    start();
    if (hooks_.installStatusItem) hooks_.installStatusItem();
    windowService_->checkAccessibilityPermission();
    if (updateService_) {
        updateService_->start();
    } else if (hooks_.startUpdater) {
        hooks_.startUpdater();
    }
    if (hooks_.openWelcomeWindow &&
        !preferences_->defaults().boolForKey(defaultsKey::kHasCompletedOnboarding)) {
        hooks_.openWelcomeWindow([weak = std::weak_ptr<AppDelegate*>(self_)] {
            if (auto self = weak.lock()) (*self)->onboardingCompleted();
        });
    }
    auto& log = platform_.log;
    log.line("Vantrel started");
    log.line("  - Layouts loaded: " + std::to_string(layoutManager_->layouts.get().size()));
    log.line(std::string("  - Accessibility: ") +
             (windowService_->hasAccessibilityPermission.get() ? "granted" : "not granted"));
    // Layouts marked to restore at log-in, once the window manager is ready.
    loginRestore_ =
        std::make_unique<LoginRestore>(*commands_, *windowService_, platform_.mainQueue, log);
    loginRestore_->start();
}

void AppDelegate::applicationWillTerminate() {
    // Quitting must not leave a restore moving windows: it stops at its next window.
    layoutManager_->cancelRestore();
    layoutManager_->saveLayoutsIfUnsaved();
    hotkeyService_->unregisterAll();
    displayMonitor_->cancelSubscriptions();
    appLaunchMonitor_->cancelSubscriptions();
}

void AppDelegate::onboardingCompleted() {
    preferences_->defaults().setBool(defaultsKey::kHasCompletedOnboarding, true);
    platform_.mainQueue.postAfter(kPopoverDelay, [weak = std::weak_ptr<AppDelegate*>(self_)] {
        auto self = weak.lock();
        if (self && (*self)->hooks_.showPopover) (*self)->hooks_.showPopover();
    });
}

}  // namespace vantrel
