// The seam for modal questions and alerts, so that tests script the answers instead of clicking.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace vantrel {

// One question: its buttons in the order shown. The answer is the text of the chosen button.
struct DialogQuestion {
    enum class Kind { information, warning, question };
    Kind kind = Kind::question;
    QString title;
    QString message;
    QStringList buttons;
    // The button Escape or closing the dialog chooses ("Cancel"); empty means the last button.
    QString cancelButton;
    // The button Return chooses; empty means the first.
    QString defaultButton;
    // Buttons drawn as destructive.
    QStringList destructiveButtons;
};

class DialogPresenter {
  public:
    virtual ~DialogPresenter() = default;
    // Shows the question modally over `parent` (may be null) and returns the chosen button's text.
    virtual QString ask(QWidget* parent, const DialogQuestion& question) = 0;
};

// Real message boxes.
class MessageBoxPresenter final : public DialogPresenter {
  public:
    QString ask(QWidget* parent, const DialogQuestion& question) override;
};

}  // namespace vantrel
