// Draws the prompt in an accent border, refuses combinations that cannot work with the reason
// beside it, and turns accepted key presses into stored key codes and flags.
#include "ui/ShortcutRecorder.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>

#include "model/ShortcutText.h"
#include "ui/ShortcutText.h"
#include "ui/Style.h"

namespace vantrel {
namespace {

constexpr int kBoxWidth = 120;
constexpr int kBoxHeight = 24;
constexpr int kMessageGap = 8;

QFont textFont(QFont font) {
    font.setPixelSize(12);
    return font;
}

}  // namespace

ShortcutRecorder::ShortcutRecorder(HotkeyService* hotkeys, ShortcutOwner owner, QWidget* parent)
    : QWidget(parent), hotkeys_(hotkeys), owner_(std::move(owner)) {
    setObjectName("shortcutRecorder");
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(kBoxWidth, kBoxHeight);
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

QSize ShortcutRecorder::sizeHint() const {
    if (message_.isEmpty()) return {kBoxWidth, kBoxHeight};
    const QFontMetrics metrics(textFont(font()));
    return {kBoxWidth + kMessageGap + metrics.horizontalAdvance(message_), kBoxHeight};
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

void ShortcutRecorder::showEvent(QShowEvent* event) {
    // Pressing a combination Vantrel already has must reach this control, not restore a layout.
    if (hotkeys_ != nullptr && !suspension_.active()) suspension_ = hotkeys_->suspend();
    QWidget::showEvent(event);
}

void ShortcutRecorder::hideEvent(QHideEvent* event) {
    releaseKeyboard();
    suspension_.reset();
    QWidget::hideEvent(event);
}

void ShortcutRecorder::focusInEvent(QFocusEvent* event) {
    // The window manager's own combinations (switching desktops) would never arrive otherwise.
    grabKeyboard();
    QWidget::focusInEvent(event);
}

void ShortcutRecorder::focusOutEvent(QFocusEvent* event) {
    releaseKeyboard();
    QWidget::focusOutEvent(event);
}

void ShortcutRecorder::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect box(0, (height() - kBoxHeight) / 2, kBoxWidth, kBoxHeight);
    painter.setPen(QPen(style::accent(), 2));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRoundedRect(QRectF(box).adjusted(1, 1, -1, -1), 4, 4);
    painter.setFont(textFont(painter.font()));
    painter.setPen(style::secondary());
    painter.drawText(box, Qt::AlignCenter, QString::fromUtf8(prompt()));
    if (message_.isEmpty()) return;
    const QRect rest = rect().adjusted(kBoxWidth + kMessageGap, 0, 0, 0);
    painter.setPen(QColor(0xD7, 0x3A, 0x2F));
    painter.drawText(rest, Qt::AlignVCenter | Qt::AlignLeft,
                     painter.fontMetrics().elidedText(message_, Qt::ElideRight, rest.width()));
}

void ShortcutRecorder::keyPressEvent(QKeyEvent* event) {
    event->accept();
    const auto code = virtualKeyCode(*event, hotkeys_);
    if (code == kEscapeKeyCode) {
        if (onCancel) onCancel();
        return;
    }
    // Modifier keys alone, and keys without a stored code, record nothing.
    if (!code || !onShortcutRecorded) return;
    const std::uint64_t modifiers = modifierFlags(event->modifiers());
    ShortcutProblem problem;
    if (hotkeys_ != nullptr)
        problem = hotkeys_->check(*code, modifiers, owner_);
    else if (!isUsableGlobally(*code, modifiers))
        problem.kind = ShortcutProblem::Kind::noModifier;
    if (problem) {
        // Refused: say why and go on listening; the owner keeps its previous shortcut.
        message_ = QString::fromStdString(problem.text());
        setToolTip(message_);
        updateGeometry();
        update();
        return;
    }
    onShortcutRecorded(*code, modifiers);
}

}  // namespace vantrel
