// The user interface over the application delegate: fills its launch steps with the windows.
#pragma once

#include <QPointer>
#include <memory>
#include <optional>

#include "ui/OnboardingView.h"
#include "ui/UiContext.h"

namespace vantrel {

class AppDelegate;
class StatusBarController;

class UiShell {
  public:
    // `trayAvailable` defaults to what the desktop says (QSystemTrayIcon). The delegate, and
    // everything the context refers to, must outlive the shell.
    UiShell(AppDelegate& app, UiContext context, std::optional<bool> trayAvailable = std::nullopt);
    UiShell(const UiShell&) = delete;
    UiShell& operator=(const UiShell&) = delete;
    // Closes the windows it opened; they refer to its context.
    ~UiShell();

    // Hands the delegate the status item, updater, welcome window and popover steps.
    void installLaunchHooks();

    UiContext& context() { return context_; }
    StatusBarController* statusBarController() { return statusBarController_.get(); }
    OnboardingView* welcomeWindow() { return welcomeWindow_.data(); }

  private:
    AppDelegate& app_;
    UiContext context_;
    std::optional<bool> trayAvailable_;
    std::unique_ptr<StatusBarController> statusBarController_;
    QPointer<OnboardingView> welcomeWindow_;
};

}  // namespace vantrel
