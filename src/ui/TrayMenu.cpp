// Builds the tray menu from the layout list and the quick-layout shortcuts.
#include "ui/TrayMenu.h"

#include "ui/Icons.h"
#include "ui/ShortcutText.h"
#include "ui/StatusBarController.h"

namespace vantrel {

QString menuEntryText(const QString& name, const QString& shortcut) {
    QString text = name;
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    if (!shortcut.isEmpty()) text += QLatin1Char('\t') + shortcut;
    return text;
}

TrayMenu::TrayMenu(UiContext& context, Actions actions)
    : context_(context), actions_(std::move(actions)) {
    setObjectName("trayMenu");
    // The list is read when the menu opens, so it is the file's, even after another program's
    // change.
    connect(this, &QMenu::aboutToShow, this, [this] {
        (void)context_.layoutManager.reloadIfChangedOnDisk();
        rebuild();
    });
    rebuild();
}

void TrayMenu::rebuild() {
    clear();
    auto* open = addAction(QString::fromLatin1(StatusBarController::kIconDescription));
    open->setObjectName("trayOpenAction");
    connect(open, &QAction::triggered, this, [this] {
        if (actions_.showPopover) actions_.showPopover();
    });
    addSeparator();
    addLayouts();
    addSeparator();
    addQuickLayouts();
    addSeparator();
    auto* preferences = addAction(QStringLiteral("Preferences..."));
    preferences->setObjectName("trayPreferencesAction");
    connect(preferences, &QAction::triggered, this, [this] {
        if (actions_.openPreferences) actions_.openPreferences();
    });
    addSeparator();
    auto* quit = addAction(QStringLiteral("Quit Vantrel"));
    quit->setObjectName("trayQuitAction");
    connect(quit, &QAction::triggered, this, [this] {
        if (actions_.quit) actions_.quit();
    });
}

void TrayMenu::addLayouts() {
    const auto& layouts = context_.layoutManager.layouts.get();
    if (layouts.empty()) {
        auto* none = addAction(QStringLiteral("No Saved Layouts"));
        none->setObjectName("trayNoLayouts");
        none->setEnabled(false);
        return;
    }
    // Enough for any desk; the popover lists the rest.
    constexpr std::size_t kMostListed = 20;
    for (std::size_t i = 0; i < layouts.size() && i < kMostListed; ++i) {
        const WindowLayout& layout = layouts[i];
        const QString shortcut =
            layout.hasShortcut()
                ? shortcutText(context_.hotkeys, *layout.shortcutKeyCode, *layout.shortcutModifiers)
                : QString();
        auto* action = addAction(menuEntryText(QString::fromStdString(layout.name), shortcut));
        action->setObjectName("trayLayoutAction");
        action->setIcon(icons::symbol("rectangle.3.group"));
        action->setProperty("layoutId", QString::fromStdString(layout.id.toString()));
        // Restored as listed when chosen: an edit since the menu opened is taken too.
        connect(action, &QAction::triggered, this,
                [this, id = layout.id] { (void)context_.commands.restore(id); });
    }
}

void TrayMenu::addQuickLayouts() {
    auto* quick = addMenu(icons::symbol("rectangle.split.2x2"), QStringLiteral("Quick Layouts"));
    quick->setObjectName("trayQuickLayouts");
    const auto shortcuts = context_.preferences.presetShortcuts();
    for (const PresetLayout preset : allPresetLayouts()) {
        const std::string_view raw = rawValue(preset);
        const auto it = shortcuts.find(raw);
        const QString shortcut =
            it == shortcuts.end()
                ? QString()
                : shortcutText(context_.hotkeys, it->second.keyCode, it->second.modifiers);
        const QString name = QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size()));
        auto* action = quick->addAction(icons::preset(preset), menuEntryText(name, shortcut));
        action->setObjectName(QStringLiteral("trayPresetAction:") + name);
        // The focused window is the user's: the menu takes the pointer, not the focus.
        connect(action, &QAction::triggered, this, [this, preset] {
            context_.mainQueue.post(
                [commands = &context_.commands, preset] { commands->applyPreset(preset); });
        });
    }
}

}  // namespace vantrel
