// Tray icon, popup placement under it, and the window used where the desktop has no tray.
#include "ui/StatusBarController.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

#include "ui/Icons.h"
#include "ui/MenuView.h"
#include "ui/TrayIcon.h"
#include "ui/TrayMenu.h"

namespace vantrel {
namespace {

// A click on the tray icon while the popup is open first closes the popup (an outside click),
// then arrives as an activation; within this time it is that same click.
constexpr qint64 kReopenGuardMs = 250;

}  // namespace

bool KeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && onKey_(static_cast<QKeyEvent*>(event))) return true;
    return QObject::eventFilter(watched, event);
}

Popover::Popover(bool asPopup, QWidget* parent) : QFrame(parent), asPopup_(asPopup) {
    setObjectName(asPopup ? "popover" : "menuWindow");
    if (asPopup) {
        setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
        setFrameShape(QFrame::StyledPanel);
    } else {
        setWindowFlags(Qt::Window);
        setWindowTitle(QStringLiteral("Vantrel"));
    }
}

void Popover::hideEvent(QHideEvent* event) {
    hiddenAt_.start();
    QFrame::hideEvent(event);
}

void Popover::closeEvent(QCloseEvent* event) {
    // Closing only hides: the menu and its state live as long as the controller.
    event->ignore();
    hide();
    if (onClose) onClose();
}

StatusBarController::StatusBarController(UiContext& context, bool trayAvailable)
    : context_(context), self_(std::make_shared<StatusBarController*>(this)) {
    popover_ = std::make_unique<Popover>(trayAvailable);
    auto* layout = new QVBoxLayout(popover_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    menuView_ = new MenuView(context_, popover_.get());
    layout->addWidget(menuView_);
    popover_->setFixedSize(MenuView::kWidth, MenuView::kHeight);
    // A tray icon has no accessible name of its own; what it opens carries it.
    popover_->setAccessibleName(QString::fromLatin1(kIconDescription));
    bridge_ = std::make_unique<PublishedBridge>(popover_.get());
    // Ctrl+Q quits from any of our windows, the popover, the editor or the preferences alike
    // (a shortcut would need its own widget shown), except where a recorder takes it as a key.
    quitKeys_ = std::make_unique<KeyFilter>([this](QKeyEvent* key) {
        const QWidget* focus = QApplication::focusWidget();
        if (!key->matches(QKeySequence::Quit) ||
            (focus != nullptr && focus->objectName() == QLatin1String("shortcutRecorder")))
            return false;
        quit();
        return true;
    });
    qApp->installEventFilter(quitKeys_.get());

    if (trayAvailable) {
        trayIcon_ = std::make_unique<QSystemTrayIcon>();
        trayIcon_->setObjectName("statusItem");
        trayIcon_->setToolTip(QString::fromLatin1(kToolTip));
        QObject::connect(
            trayIcon_.get(), &QSystemTrayIcon::activated, popover_.get(),
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
                    togglePopover();
                }
            });
        trayMenu_ = std::make_unique<TrayMenu>(
            context_,
            TrayMenu::Actions{[this] { showPopover(); }, [this] { menuView_->openPreferences(); },
                              [this] { quit(); }});
        trayIcon_->setContextMenu(trayMenu_.get());
        updateIcon();
        trayIcon_->show();
        // The icon looks the same whatever the list holds; it is applied again on each change.
        // The menu follows the list, so trays that copy it when it changes show it current.
        bridge_->watch(context_.layoutManager.layouts, [this](const std::vector<WindowLayout>&) {
            updateIcon();
            // An open menu is left alone (an entry may be running); it is filled when it opens.
            if (!trayMenu_->isVisible()) trayMenu_->rebuild();
        });
        return;
    }

    // Without a tray the window is the application: closing it quits.
    popover_->onClose = [this] { quit(); };
    context_.mainQueue.post([weak = std::weak_ptr<StatusBarController*>(self_)] {
        auto self = weak.lock();
        if (!self) return;
        // On a first start the welcome window comes alone; the menu follows when it goes,
        // whether by "Get Started" or by its close button.
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == QLatin1String("welcomeWindow") && widget->isVisible()) {
                QObject::connect(widget, &QObject::destroyed, (*self)->popover_.get(), [weak] {
                    if (auto again = weak.lock()) (*again)->showPopover();
                });
                return;
            }
        }
        (*self)->showPopover();
    });
}

void StatusBarController::tellNoTray() {
    DialogQuestion notice;
    notice.kind = DialogQuestion::Kind::information;
    notice.title = QStringLiteral("No System Tray");
    notice.message = QStringLiteral(
        "This desktop has no system tray, so Vantrel shows its layout menu in a window. "
        "Your shortcuts work while the window is open; closing it quits Vantrel.");
    notice.buttons = {QStringLiteral("OK")};
    (void)context_.dialogs.ask(popover_.get(), notice);
}

StatusBarController::~StatusBarController() {
    self_.reset();
    bridge_.reset();
    if (trayIcon_) {
        trayIcon_->setContextMenu(nullptr);
        trayIcon_->hide();
    }
}

void StatusBarController::quit() {
    // The popup holds the pointer and keyboard while shown; let them go before the loop ends.
    popover_->hide();
    if (context_.quit) context_.quit();
}

QIcon StatusBarController::statusIcon() {
    return vantrel::trayIcon(QApplication::palette());
}

void StatusBarController::updateIcon() {
    if (trayIcon_) trayIcon_->setIcon(statusIcon());
}

bool StatusBarController::isPopoverShown() const {
    return popover_->isVisible();
}

void StatusBarController::togglePopover() {
    if (isPopoverShown()) {
        popover_->hide();
        return;
    }
    const qint64 since = popover_->msSinceHidden();
    if (popover_->isPopup() && since >= 0 && since < kReopenGuardMs) return;
    show();
}

void StatusBarController::showPopover() {
    if (isPopoverShown()) return;
    show();
}

void StatusBarController::show() {
    // The list shown is the file's, even when another program changed it meanwhile.
    (void)context_.layoutManager.reloadIfChangedOnDisk();
    menuView_->refresh();
    const bool firstWindow = !popover_->isPopup() && !toldNoTray_;
    if (popover_->isPopup()) placeUnderIcon();
    // Placed before it is shown, so the notice knows where the window is and sits over it.
    if (firstWindow) centreOnScreen();
    popover_->show();
    popover_->raise();
    // Typing must reach the menu (an open save sheet's name field) without another click.
    popover_->activateWindow();
    menuView_->setFocus(Qt::PopupFocusReason);
    if (menuView_->showingNewLayoutSheet()) {
        if (QWidget* field = menuView_->findChild<QWidget*>("layoutNameField"))
            field->setFocus(Qt::PopupFocusReason);
    }
    if (firstWindow) {
        toldNoTray_ = true;
        context_.mainQueue.post([weak = std::weak_ptr<StatusBarController*>(self_)] {
            if (auto self = weak.lock()) (*self)->tellNoTray();
        });
    }
}

void StatusBarController::centreOnScreen() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        popover_->move(screen->availableGeometry().center() -
                       QPoint(MenuView::kWidth / 2, MenuView::kHeight / 2));
}

void StatusBarController::placeUnderIcon() {
    const QRect icon = trayIcon_ ? trayIcon_->geometry() : QRect();
    // Trays that do not tell where the icon is (status-notifier hosts): anchor at the click.
    const QPoint anchor = icon.isValid() ? icon.center() : QCursor::pos();
    const QScreen* screen = QGuiApplication::screenAt(anchor);
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    const QRect available =
        screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    const int w = MenuView::kWidth;
    const int h = MenuView::kHeight;
    int x = anchor.x() - w / 2;
    // Below the icon when the panel is at the top, above it when at the bottom.
    const bool panelAtTop = anchor.y() < available.center().y();
    const int iconBottom = icon.isValid() ? icon.bottom() + 1 : anchor.y();
    const int iconTop = icon.isValid() ? icon.top() : anchor.y();
    int y = panelAtTop ? iconBottom : iconTop - h;
    x = std::clamp(x, available.left(), std::max(available.left(), available.right() - w + 1));
    y = std::clamp(y, available.top(), std::max(available.top(), available.bottom() - h + 1));
    popover_->move(x, y);
}

}  // namespace vantrel
