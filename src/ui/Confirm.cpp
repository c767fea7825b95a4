// Confirmations that leave the popover where it was.
#include "ui/Confirm.h"

#include <QPointer>
#include <QWidget>

namespace vantrel {

QString askKeepingOpen(UiContext& context, QWidget* from, const DialogQuestion& question) {
    QPointer<QWidget> host = from != nullptr ? from->window() : nullptr;
    const bool wasShown = host != nullptr && host->isVisible();
    const QString answer = context.dialogs.ask(host, question);
    if (wasShown && host != nullptr && !host->isVisible()) {
        host->show();
        host->raise();
        host->activateWindow();
    }
    return answer;
}

DialogQuestion confirmation(const QString& title, const QString& message, const QString& action) {
    DialogQuestion question;
    question.kind = DialogQuestion::Kind::warning;
    question.title = title;
    question.message = message;
    question.buttons = {action, QStringLiteral("Cancel")};
    question.cancelButton = QStringLiteral("Cancel");
    question.defaultButton = QStringLiteral("Cancel");
    return question;
}

}  // namespace vantrel
