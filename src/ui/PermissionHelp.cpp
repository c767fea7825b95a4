// The help behind "Grant Permission", "Grant Access" and "Open System Settings".
#include "ui/PermissionHelp.h"

namespace vantrel {

void showWindowManagerHelp(UiContext& context, QWidget* parent) {
    DialogQuestion help;
    help.kind = DialogQuestion::Kind::information;
    help.title = QStringLiteral("Window Manager Needed");
    help.message = QStringLiteral(
        "Vantrel moves windows by asking the window manager. It needs an X11 session whose window "
        "manager supports EWMH (Openbox, Xfwm, KWin, Mutter, i3 and most others).\n\n"
        "Start such a window manager, or log in to an X11 session that has one. There is nothing "
        "to grant: Vantrel notices the window manager within 2 seconds.");
    help.buttons = {QStringLiteral("OK")};
    (void)context.dialogs.ask(parent, help);
}

}  // namespace vantrel
