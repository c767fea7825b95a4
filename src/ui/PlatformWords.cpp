// The two tables of desktop words: an X11 session, and KDE Plasma's Wayland session (KWin).
#include "ui/PlatformWords.h"

#include <QByteArray>
#include <QtGlobal>

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
    // On Wayland only the compositor may move other programs' windows: Vantrel works through its
    // own script in KWin, the one Wayland compositor it has a backend for.
    w.needTitle = QStringLiteral("KWin Connection Required");
    w.needName = QStringLiteral("KWin");
    w.needReason = QStringLiteral(
        "Vantrel manages your windows through KWin, the window manager of KDE Plasma, and has not "
        "reached it yet.");
    w.needPurpose = QStringLiteral(
        "Vantrel needs KWin to move and resize windows on your behalf: on Wayland only KWin may "
        "move them.");
    w.needDetail = QStringLiteral(
        "In this Wayland session Vantrel moves windows through a small KWin script that it loads "
        "itself. KWin has not run it yet.");
    w.needMet = QStringLiteral("KWin connected");
    w.needMetExclaimed = QStringLiteral("KWin connected!");
    w.needMissing = QStringLiteral("KWin connection required");
    w.helpButton = QStringLiteral("KWin Help");
    w.helpTitle = QStringLiteral("KWin Connection Needed");
    w.helpMessage = QStringLiteral(
        "Wayland lets no program move another's windows; KWin can. Vantrel loads a small script "
        "into KWin when it starts and arranges windows through it. There is nothing to grant.\n\n"
        "If this message stays, KWin did not run the script or stopped it: quit Vantrel and "
        "start it again.");
    return w;
}

}  // namespace

Session currentSession() {
    const QByteArray type = qgetenv("XDG_SESSION_TYPE");
    if (type == "wayland" || !qgetenv("WAYLAND_DISPLAY").isEmpty()) return Session::wayland;
    return Session::x11;
}

const PlatformWords& platformWords(Session session) {
    static const PlatformWords kX11 = x11Words();
    static const PlatformWords kWayland = waylandWords();
    return session == Session::wayland ? kWayland : kX11;
}

}  // namespace vantrel
