// Questions asked from inside the popover, which must still be open when they are answered.
#pragma once

#include "ui/UiContext.h"

class QWidget;

namespace vantrel {

// Asks `question` over the window of `from`. A popup closes itself when a dialog takes the
// pointer; it is shown again afterwards, so the user sees what the answer changes.
QString askKeepingOpen(UiContext& context, QWidget* from, const DialogQuestion& question);

// "Cancel" is the safe answer: Escape and Return choose it.
DialogQuestion confirmation(const QString& title, const QString& message, const QString& action);

}  // namespace vantrel
