// The tray icon's right-click menu: the layouts with their shortcuts, the quick layouts,
// Preferences and Quit.
#pragma once

#include <QMenu>
#include <functional>

#include "ui/UiContext.h"

namespace vantrel {

class TrayMenu final : public QMenu {
  public:
    struct Actions {
        std::function<void()> showPopover;
        std::function<void()> openPreferences;
        std::function<void()> quit;
    };

    TrayMenu(UiContext& context, Actions actions);

    // Fills the menu from the current list and shortcuts; runs each time it opens.
    void rebuild();

  private:
    void addLayouts();
    void addQuickLayouts();

    UiContext& context_;
    Actions actions_;
};

// A menu entry's text: "&" doubled so that it is shown, not taken as a mnemonic, then the
// shortcut in the menu's shortcut column.
QString menuEntryText(const QString& name, const QString& shortcut);

}  // namespace vantrel
