// The words that differ between desktops: workspaces, the tray, and what Vantrel needs to move
// windows. Every view takes them from here, so they all say the same.
#pragma once

#include <QString>

namespace vantrel {

struct PlatformWords {
    // A virtual desktop, in a sentence and at the start of one.
    QString workspace;
    QString Workspace;
    QString Workspaces;
    // Where Vantrel lives on the desktop.
    QString trayIcon;
    // What Vantrel needs before it can move windows: titles, explanations, the state and buttons.
    QString needTitle;         // the menu's banner
    QString needName;          // onboarding page and preferences group
    QString needReason;        // the banner's line
    QString needPurpose;       // the onboarding page's line
    QString needDetail;        // which programs provide it
    QString needMet;           // preferences, when present
    QString needMetExclaimed;  // onboarding, when present
    QString needMissing;       // preferences, when absent
    QString checkButton;       // looks again and explains
    QString helpButton;        // explains only
    QString helpTitle;
    QString helpMessage;
};

// The session Vantrel runs in, as the backend was chosen for it: KDE Plasma on Wayland (Vantrel
// works through KWin), GNOME on Wayland (through Vantrel's GNOME Shell extension), another
// Wayland one (through XWayland), else X11.
enum class Session { x11, kdeWayland, gnomeWayland, wayland };

const PlatformWords& platformWords(Session session);

}  // namespace vantrel
