// Launch steps 1, 3 and 4 and the popover after onboarding, as widgets.
#include "ui/UiShell.h"

#include <QApplication>
#include <QList>
#include <QPointer>
#include <QSystemTrayIcon>

#include "core/AppDelegate.h"
#include "ui/Icons.h"
#include "ui/OnboardingView.h"
#include "ui/StatusBarController.h"

namespace vantrel {

UiShell::UiShell(AppDelegate& app, UiContext context, std::optional<bool> trayAvailable)
    : app_(app), context_(std::move(context)), trayAvailable_(trayAvailable) {}

UiShell::~UiShell() {
    app_.setLaunchHooks({});
    statusBarController_.reset();
    // Chosen first, deleted after: deleting a window deletes its own top-level children (an
    // editor's menus), which the list of top-level widgets still names.
    QList<QPointer<QWidget>> ours;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        const QString name = widget->objectName();
        if (name == QLatin1String("editLayoutWindow") ||
            name == QLatin1String("preferencesWindow") || name == QLatin1String("welcomeWindow"))
            ours.append(widget);
    }
    for (const QPointer<QWidget>& widget : ours) delete widget.data();
}

void UiShell::installLaunchHooks() {
    QApplication::setWindowIcon(icons::app());
    LaunchHooks hooks;
    hooks.installStatusItem = [this] {
        const bool tray = trayAvailable_.value_or(QSystemTrayIcon::isSystemTrayAvailable());
        statusBarController_.reset();
        statusBarController_ = std::make_unique<StatusBarController>(context_, tray);
    };
    // The delegate starts its own update service; this one is for controls the UI was given.
    hooks.startUpdater = [this] {
        if (context_.updates != nullptr) context_.updates->start();
    };
    hooks.openWelcomeWindow = [this](std::function<void()> onComplete) {
        welcomeWindow_ = OnboardingView::openWindow(context_, std::move(onComplete));
    };
    hooks.showPopover = [this] {
        if (statusBarController_) statusBarController_->showPopover();
    };
    app_.setLaunchHooks(std::move(hooks));
}

}  // namespace vantrel
