// Everything the windows use, handed to each of them: the core's services and the UI's seams.
#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "automation/HotkeyService.h"
#include "automation/LayoutCommands.h"
#include "automation/LayoutManager.h"
#include "base/Clock.h"
#include "base/MainQueue.h"
#include "base/NotificationCenter.h"
#include "base/Worker.h"
#include "engine/PresetLayoutService.h"
#include "engine/WindowService.h"
#include "model/PreferencesStore.h"
#include "ui/AppChoices.h"
#include "ui/DialogPresenter.h"
#include "ui/PlatformWords.h"
#include "ui/UpdateControls.h"

namespace vantrel {

class AppDelegate;

struct UiContext {
    // The list and the restore state to show; every change goes through `commands`.
    LayoutManager& layoutManager;
    LayoutCommands& commands;
    WindowService& windowService;
    PreferencesStore& preferences;
    PresetLayoutService& presetService;
    // Shortcut checks and texts, and silence while a recorder listens.
    HotkeyService& hotkeys;
    NotificationCenter& notifications;
    MainQueue& mainQueue;
    Clock& clock;
    // The serial executor of the desktop's blocking calls.
    Worker& worker;
    DialogPresenter& dialogs;
    // None when the build has no update checker: "Check for Updates Now" stays disabled.
    UpdateControls* updates = nullptr;
    // "Quit": ends the application (the lead's main decides how).
    std::function<void()> quit;
    // Opens a web or mail link; false when nothing was opened.
    std::function<bool(const QString& url)> openLink;
    // The version shown in the footer and the About tab; "1.0" and "1" when empty.
    QString versionShort;
    QString versionBuild;
    // Keeps alive the controls over the delegate's own update service, when `updates` is them.
    std::shared_ptr<UpdateControls> ownedUpdates;
    // What the editor offers as trigger applications; none when unset.
    AppChoiceSource runningApps;
    AppChoiceSource installedApps;
    // The session the backend was chosen for (a KDE session may be known only from the bus):
    // which words the windows use for what Vantrel needs.
    Session session = Session::x11;
};

// The context over the delegate's services, with the default quit (QCoreApplication::exit),
// link opener (QDesktopServices) and the version the program was built with. Without `updates`,
// the controls are those of the delegate's update service, if it has one.
UiContext makeUiContext(AppDelegate& app, MainQueue& mainQueue, Clock& clock, Worker& worker,
                        DialogPresenter& dialogs, UpdateControls* updates = nullptr);

// "Version {short} ({build})".
QString versionText(const UiContext& context);

}  // namespace vantrel
