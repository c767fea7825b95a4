// The composition root: creates every service once, in order, and runs launch and termination.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "automation/AppLaunchMonitor.h"
#include "automation/DisplayMonitor.h"
#include "automation/HotkeyService.h"
#include "automation/LayoutCommands.h"
#include "automation/LayoutManager.h"
#include "automation/LoginRestore.h"
#include "base/Clock.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "base/NotificationCenter.h"
#include "base/Worker.h"
#include "engine/PresetLayoutService.h"
#include "engine/SpaceService.h"
#include "engine/WindowService.h"
#include "engine/WindowSystem.h"
#include "model/LayoutStorage.h"
#include "model/LoginItem.h"
#include "model/PreferencesStore.h"
#include "model/UserDefaults.h"
#include "platform/api/HotkeySystem.h"
#include "update/UpdateService.h"
#include "update/Updater.h"

namespace vantrel {

namespace defaultsKey {
inline constexpr const char* kHasCompletedOnboarding = "hasCompletedOnboarding";
}  // namespace defaultsKey

// What the delegate needs from the platform; every piece outlives the delegate.
struct AppPlatform {
    WindowSystem& windowSystem;
    HotkeySystem& hotkeys;
    UserDefaults& defaults;
    LoginItem& loginItem;
    MainQueue& mainQueue;
    Clock& clock;
    // The serial executor every blocking call into the desktop goes through; its tasks use the
    // services, so it must be idle before the delegate goes (main waits for it).
    Worker& worker;
    Log& log;
    // The folder that holds the Vantrel folder of the layout file; none when the user has none.
    std::optional<std::filesystem::path> dataHome;
    // The update checker; none means the program offers no updates.
    Updater* updater = nullptr;
    // Desktop notifications for restores started by shortcuts and triggers; none shows their
    // problems in the menu.
    UserNotifier* notifier = nullptr;
};

// The user-interface steps of launch, supplied by the UI layer; unset ones are skipped.
struct LaunchHooks {
    // Launch step 1: install the status item and its popover.
    std::function<void()> installStatusItem;
    // Launch step 3: start an updater the UI brings; used only when the platform gave the
    // delegate none, so exactly one updater starts.
    std::function<void()> startUpdater;
    // Launch step 4, only before onboarding was ever completed: open the welcome window, which
    // calls `onComplete` when the user finishes.
    std::function<void(std::function<void()> onComplete)> openWelcomeWindow;
    // 0.3 s after onboarding completes: show the popover if the status item exists.
    std::function<void()> showPopover;
};

class AppDelegate {
  public:
    // Wait after onboarding before the popover opens, so the welcome window has gone.
    static constexpr Duration kPopoverDelay = 300ms;

    // Creates the services; touches nothing outside the process.
    explicit AppDelegate(AppPlatform platform);
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;
    ~AppDelegate();

    void setLaunchHooks(LaunchHooks hooks) { hooks_ = std::move(hooks); }

    // What creating each service does, in creation order: load the layouts, check the
    // permission, watch displays and launches, register the hotkeys. Main thread; runs once.
    void start();
    // Launch finished: status item, permission re-query, updater, welcome window, summary.
    void applicationDidFinishLaunching();
    // Stops a running restore at its next window, writes a list whose last save failed, releases
    // every hotkey and silences both monitors.
    void applicationWillTerminate();
    // The welcome window's onComplete: remember it, then show the popover shortly after.
    void onboardingCompleted();

    LayoutManager& layoutManager() { return *layoutManager_; }
    LayoutCommands& commands() { return *commands_; }
    WindowService& windowService() { return *windowService_; }
    DisplayMonitor& displayMonitor() { return *displayMonitor_; }
    AppLaunchMonitor& appLaunchMonitor() { return *appLaunchMonitor_; }
    HotkeyService& hotkeyService() { return *hotkeyService_; }
    PreferencesStore& preferences() { return *preferences_; }
    SpaceService& spaceService() { return *spaceService_; }
    PresetLayoutService& presetService() { return *presetService_; }
    // None when the platform has no updater.
    UpdateService* updateService() { return updateService_.get(); }
    LayoutStorage& layoutStorage() { return *storage_; }
    // The process's default notification centre.
    NotificationCenter& notifications() { return notifications_; }

  private:
    AppPlatform platform_;
    LaunchHooks hooks_;
    bool started_ = false;
    NotificationCenter notifications_;
    // Declared in creation order, so they are destroyed in reverse: users before what they use.
    std::unique_ptr<SpaceService> spaceService_;
    std::unique_ptr<WindowService> windowService_;
    std::unique_ptr<LayoutStorage> storage_;
    std::unique_ptr<LayoutManager> layoutManager_;
    std::unique_ptr<PreferencesStore> preferences_;
    std::unique_ptr<PresetLayoutService> presetService_;
    std::unique_ptr<LayoutCommands> commands_;
    std::unique_ptr<DisplayMonitor> displayMonitor_;
    std::unique_ptr<AppLaunchMonitor> appLaunchMonitor_;
    std::unique_ptr<HotkeyService> hotkeyService_;
    std::unique_ptr<UpdateService> updateService_;
    std::unique_ptr<LoginRestore> loginRestore_;
    // Lets the delayed popover see that the delegate is gone.
    std::shared_ptr<AppDelegate*> self_;
};

}  // namespace vantrel
