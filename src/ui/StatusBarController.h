// The tray icon and the popup under it that holds the layout menu.
#pragma once

#include <QElapsedTimer>
#include <QFrame>
#include <QIcon>
#include <functional>
#include <memory>

#include "ui/PublishedBridge.h"
#include "ui/UiContext.h"

class QKeyEvent;
class QSystemTrayIcon;

namespace vantrel {

class MenuView;
class TrayMenu;

// The popup (or, without a tray, the window) that hosts the menu; it is hidden, never destroyed,
// so the menu keeps its state between openings.
class Popover final : public QFrame {
  public:
    Popover(bool asPopup, QWidget* parent = nullptr);
    bool isPopup() const { return asPopup_; }
    // Milliseconds since the popup last closed itself; -1 when it never did.
    qint64 msSinceHidden() const { return hiddenAt_.isValid() ? hiddenAt_.elapsed() : -1; }
    std::function<void()> onClose;

  protected:
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    bool asPopup_;
    QElapsedTimer hiddenAt_;
};

// Hands every key press of the application to `onKey`, which returns true to take it.
class KeyFilter final : public QObject {
  public:
    explicit KeyFilter(std::function<bool(QKeyEvent*)> onKey) : onKey_(std::move(onKey)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<bool(QKeyEvent*)> onKey_;
};

class StatusBarController {
  public:
    static constexpr const char* kToolTip = "Vantrel";
    static constexpr const char* kIconDescription = "Window Layouts";

    // With a tray: the icon and a popup under it. Without one: the menu in a normal window,
    // shown at once, after telling the user once why.
    StatusBarController(UiContext& context, bool trayAvailable);
    StatusBarController(const StatusBarController&) = delete;
    StatusBarController& operator=(const StatusBarController&) = delete;
    ~StatusBarController();

    void togglePopover();
    void showPopover();
    bool isPopoverShown() const;
    // The tray menu's "Quit Vantrel", Ctrl+Q and the popover's "Quit".
    void quit();

    MenuView& menuView() { return *menuView_; }
    Popover& popover() { return *popover_; }
    QSystemTrayIcon* trayIcon() { return trayIcon_.get(); }
    TrayMenu* trayMenu() { return trayMenu_.get(); }
    bool hasTray() const { return trayIcon_ != nullptr; }

    // The status icon: three windows, symbolic, readable on the panel (see trayIcon).
    static QIcon statusIcon();

  private:
    void updateIcon();
    void show();
    void placeUnderIcon();
    void centreOnScreen();
    // Once, over the menu's window: why there is a window instead of a tray icon.
    void tellNoTray();

    UiContext& context_;
    std::unique_ptr<TrayMenu> trayMenu_;
    std::unique_ptr<KeyFilter> quitKeys_;
    std::unique_ptr<QSystemTrayIcon> trayIcon_;
    std::unique_ptr<Popover> popover_;
    MenuView* menuView_ = nullptr;
    std::unique_ptr<PublishedBridge> bridge_;
    std::shared_ptr<StatusBarController*> self_;
    bool toldNoTray_ = false;
};

}  // namespace vantrel
