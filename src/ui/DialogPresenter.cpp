// Modal questions as QMessageBox dialogs.
#include "ui/DialogPresenter.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace vantrel {

QString MessageBoxPresenter::ask(QWidget* parent, const DialogQuestion& question) {
    QMessageBox box(parent);
    box.setObjectName("messageBox");
    switch (question.kind) {
        case DialogQuestion::Kind::information:
            box.setIcon(QMessageBox::Information);
            break;
        case DialogQuestion::Kind::warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case DialogQuestion::Kind::question:
            box.setIcon(QMessageBox::Question);
            break;
    }
    box.setWindowTitle(question.title);
    box.setText(question.title);
    box.setInformativeText(question.message);
    // Layout names, titles and feed texts are shown as written, never read as markup.
    box.setTextFormat(Qt::PlainText);
    if (auto* informative = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        informative->setTextFormat(Qt::PlainText);
    QList<QPushButton*> buttons;
    for (const QString& text : question.buttons) {
        QMessageBox::ButtonRole role = QMessageBox::AcceptRole;
        if (text == question.cancelButton) role = QMessageBox::RejectRole;
        if (question.destructiveButtons.contains(text)) role = QMessageBox::DestructiveRole;
        buttons.append(box.addButton(text, role));
    }
    if (buttons.isEmpty()) return {};
    const auto defaultIndex =
        question.defaultButton.isEmpty() ? 0 : question.buttons.indexOf(question.defaultButton);
    box.setDefaultButton(buttons.value(defaultIndex < 0 ? 0 : defaultIndex));
    const auto cancelIndex = question.cancelButton.isEmpty()
                                 ? buttons.size() - 1
                                 : question.buttons.indexOf(question.cancelButton);
    box.setEscapeButton(buttons.value(cancelIndex < 0 ? buttons.size() - 1 : cancelIndex));
    box.exec();
    auto* clicked = box.clickedButton();
    const auto index = buttons.indexOf(qobject_cast<QPushButton*>(clicked));
    if (index >= 0) return question.buttons.at(index);
    return question.buttons.value(cancelIndex < 0 ? buttons.size() - 1 : cancelIndex);
}

}  // namespace vantrel
