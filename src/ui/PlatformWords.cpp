// The tables of desktop words: an X11 session, KDE Plasma on Wayland (through KWin), GNOME on
// Wayland (through the GNOME Shell extension), and another Wayland session through XWayland.
#include "ui/PlatformWords.h"

namespace vantrel {
namespace {

PlatformWords x11Words() {
    PlatformWords w;
    w.workspace = QStringLiteral("workspace");
    w.Workspace = QStringLiteral("Workspace");
    w.Workspaces = QStringLiteral("Workspaces");
    w.trayIcon = QStringLiteral("tray icon");
    w.needTitle = QStringLiteral("Window Manager Required");
    w.needName = QStringLiteral("Window Manager");
    w.needReason =
        QStringLiteral("Vantrel needs a window manager that lets it manage your windows.");
    w.needPurpose = QStringLiteral(
        "Vantrel needs a window manager that lets it move and resize windows on your behalf.");
    w.needDetail = QStringLiteral(
        "On Linux this means an X11 session whose window manager supports EWMH (Openbox, Xfwm, "
        "KWin, Mutter, i3 and most others).");
    w.needMet = QStringLiteral("Window manager found");
    w.needMetExclaimed = QStringLiteral("Window manager found!");
    w.needMissing = QStringLiteral("Window manager required");
    w.checkButton = QStringLiteral("Check Again");
    w.helpButton = QStringLiteral("Window Manager Help");
    w.helpTitle = QStringLiteral("Window Manager Needed");
    w.helpMessage = QStringLiteral(
        "Vantrel moves windows by asking the window manager. It needs an X11 session whose window "
        "manager supports EWMH (Openbox, Xfwm, KWin, Mutter, i3 and most others).\n\n"
        "Start such a window manager, or log in to an X11 session that has one. There is nothing "
        "to grant: Vantrel notices the window manager within 2 seconds.");
    return w;
}

PlatformWords waylandWords() {
    PlatformWords w = x11Words();
    // Wayland compositors let no program move another's windows; XWayland's window manager does.
    w.needTitle = QStringLiteral("X11 Session Required");
    w.needName = QStringLiteral("X11 Session");
    w.needReason = QStringLiteral(
        "Vantrel needs an X11 session to manage your windows; Wayland does not "
        "let it move them.");
    w.needPurpose =
        QStringLiteral("Vantrel needs an X11 session to move and resize windows on your behalf.");
    w.needDetail = QStringLiteral(
        "In this Wayland session Vantrel can only reach windows of X11 programs (XWayland). "
        "Choose an X11 (Xorg) session at the log-in screen to manage every window.");
    w.needMet = QStringLiteral("X11 windows reachable");
    w.needMetExclaimed = QStringLiteral("X11 windows reachable!");
    w.needMissing = QStringLiteral("X11 session required");
    w.helpButton = QStringLiteral("X11 Session Help");
    w.helpTitle = QStringLiteral("X11 Session Needed");
    w.helpMessage = QStringLiteral(
        "Wayland compositors do not let other programs move windows. Vantrel moves the windows "
        "of X11 programs through XWayland's window manager.\n\n"
        "To manage every window, log out and choose an X11 (Xorg) session at the log-in screen.");
    return w;
}

PlatformWords kwinWords() {
    PlatformWords w = x11Words();
    // Vantrel loads its own KWin script: nothing to grant, only KWin running it.
    w.needTitle = QStringLiteral("KWin Script Not Running");
    w.needName = QStringLiteral("KWin Script");
    w.needReason = QStringLiteral(
        "Vantrel arranges windows through a small KWin script, and KWin is not running it.");
    w.needPurpose = QStringLiteral(
        "Vantrel asks KWin, through a small script it loads itself, to move and resize windows "
        "on your behalf.");
    w.needDetail = QStringLiteral(
        "KDE Plasma's KWin runs the script Vantrel installs (vantrel-kwin.js); there is nothing "
        "to grant.");
    w.needMet = QStringLiteral("KWin script running");
    w.needMetExclaimed = QStringLiteral("KWin script running!");
    w.needMissing = QStringLiteral("KWin script not running");
    w.helpButton = QStringLiteral("KWin Script Help");
    w.helpTitle = QStringLiteral("KWin Script Needed");
    w.helpMessage = QStringLiteral(
        "Vantrel loads its script into KWin when it starts. If KWin is not running it, check that "
        "Vantrel is installed completely (share/vantrel/kwin/vantrel-kwin.js), then quit and "
        "start Vantrel again.");
    return w;
}

PlatformWords gnomeWords() {
    PlatformWords w = x11Words();
    // The user enables the extension once; GNOME loads a newly installed one at the next log-in.
    w.needTitle = QStringLiteral("GNOME Extension Not Enabled");
    w.needName = QStringLiteral("GNOME Shell Extension");
    w.needReason = QStringLiteral(
        "Vantrel arranges windows through its GNOME Shell extension, which is not enabled.");
    w.needPurpose = QStringLiteral(
        "Vantrel asks GNOME Shell, through its Vantrel extension, to move and resize windows on "
        "your behalf.");
    w.needDetail = QStringLiteral(
        "Enable the Vantrel extension in the Extensions application (or run gnome-extensions "
        "enable vantrel@vantrel.app), then log out and back in.");
    w.needMet = QStringLiteral("GNOME extension enabled");
    w.needMetExclaimed = QStringLiteral("GNOME extension enabled!");
    w.needMissing = QStringLiteral("GNOME extension not enabled");
    w.helpButton = QStringLiteral("GNOME Extension Help");
    w.helpTitle = QStringLiteral("GNOME Extension Needed");
    w.helpMessage = QStringLiteral(
        "On GNOME only GNOME Shell may move windows, so Vantrel does it through its extension, "
        "vantrel@vantrel.app.\n\n"
        "1. Open the Extensions application and switch on Vantrel, or run:\n"
        "   gnome-extensions enable vantrel@vantrel.app\n"
        "2. Log out and back in: GNOME on Wayland loads a newly installed extension only at the "
        "next log-in.\n\n"
        "While the screen is locked GNOME turns extensions off; Vantrel reconnects when you "
        "unlock.");
    return w;
}

}  // namespace

const PlatformWords& platformWords(Session session) {
    static const PlatformWords kX11 = x11Words();
    static const PlatformWords kWayland = waylandWords();
    static const PlatformWords kKWin = kwinWords();
    static const PlatformWords kGnome = gnomeWords();
    if (session == Session::kdeWayland) return kKWin;
    if (session == Session::gnomeWayland) return kGnome;
    return session == Session::wayland ? kWayland : kX11;
}

}  // namespace vantrel
