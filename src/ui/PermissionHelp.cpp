// The help behind the buttons that look for a window manager and explain it.
#include "ui/PermissionHelp.h"

#include "ui/PlatformWords.h"

namespace vantrel {

void showWindowManagerHelp(UiContext& context, QWidget* parent) {
    DialogQuestion help;
    help.kind = DialogQuestion::Kind::information;
    help.title = platformWords(context.session).helpTitle;
    help.message = platformWords(context.session).helpMessage;
    help.buttons = {QStringLiteral("OK")};
    (void)context.dialogs.ask(parent, help);
}

}  // namespace vantrel
