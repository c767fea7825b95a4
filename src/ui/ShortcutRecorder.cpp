// Draws the prompt in an accent border and turns key presses into stored key codes and flags.
#include "ui/ShortcutRecorder.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>

#include "ui/ShortcutText.h"
#include "ui/Style.h"

namespace vantrel {

ShortcutRecorder::ShortcutRecorder(QWidget* parent) : QWidget(parent) {
    setObjectName("shortcutRecorder");
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(120, 24);
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

void ShortcutRecorder::requestFocusSoon() {
    QPointer<ShortcutRecorder> self = this;
    QTimer::singleShot(0, this, [self] {
        if (self && self->window() != nullptr) self->setFocus(Qt::OtherFocusReason);
    });
}

bool ShortcutRecorder::event(QEvent* event) {
    // While recording, every key is ours: window shortcuts (Return, Escape) must not see it.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void ShortcutRecorder::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(style::accent(), 2));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 4, 4);
    QFont font = painter.font();
    font.setPixelSize(12);
    painter.setFont(font);
    painter.setPen(style::secondary());
    painter.drawText(rect(), Qt::AlignCenter, QString::fromUtf8(prompt()));
}

void ShortcutRecorder::keyPressEvent(QKeyEvent* event) {
    event->accept();
    const auto code = virtualKeyCode(event->key());
    if (code == kEscapeKeyCode) {
        if (onCancel) onCancel();
        return;
    }
    // Modifier keys alone, and keys without a stored code, record nothing.
    if (!code) return;
    if (onShortcutRecorded) onShortcutRecorded(*code, modifierFlags(event->modifiers()));
}

}  // namespace vantrel
