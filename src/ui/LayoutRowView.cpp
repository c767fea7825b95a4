// The row's look, its hover controls, its menu and the delete confirmation.
#include "ui/LayoutRowView.h"

#include <QEnterEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

#include "ui/Confirm.h"
#include "ui/Icons.h"
#include "ui/LayoutEditView.h"
#include "ui/RelativeTime.h"
#include "ui/ShortcutText.h"
#include "ui/Style.h"

namespace vantrel {

LayoutRowView::LayoutRowView(UiContext& context, WindowLayout layout,
                             std::function<void()> onRestore, std::function<void()> onDelete,
                             QWidget* parent)
    : QWidget(parent),
      context_(context),
      layout_(std::move(layout)),
      onRestore_(std::move(onRestore)),
      onDelete_(std::move(onDelete)) {
    setObjectName("layoutRow");
    setProperty("layoutId", QString::fromStdString(layout_.id.toString()));
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::StrongFocus);
    setToolTip(toolTipText());
    setAccessibleName(QStringLiteral("%1, %2 windows")
                          .arg(QString::fromStdString(layout_.name))
                          .arg(layout_.windows.size()));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 8, 12, 8);
    row->setSpacing(6);

    auto* icon = new QLabel(this);
    icon->setObjectName("rowIcon");
    icon->setFixedWidth(24);
    icon->setAlignment(Qt::AlignCenter);
    icon->setPixmap(icons::symbolPixmap("rectangle.3.group", 14, style::secondary()));
    row->addWidget(icon);

    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    auto* nameLine = new QHBoxLayout;
    nameLine->setSpacing(6);
    auto* name = new QLabel(QString::fromStdString(layout_.name), this);
    name->setObjectName("rowName");
    QFont nameFont = name->font();
    nameFont.setPixelSize(13);
    nameFont.setWeight(QFont::Medium);
    name->setFont(nameFont);
    nameLine->addWidget(name);
    if (layout_.hasShortcut()) {
        shortcutBadge_ = style::label(QString(), style::Text::caption);
        shortcutBadge_->setObjectName("rowShortcutBadge");
        shortcutBadge_->setStyleSheet(QStringLiteral("QLabel { background: %1; border-radius: "
                                                     "3px; padding: 0px 4px; }")
                                          .arg(style::rgba(style::secondary(), 0.2)));
        nameLine->addWidget(shortcutBadge_);
        shortcutWarning_ = notWorkingMark(this);
        shortcutWarning_->setObjectName("rowShortcutWarning");
        nameLine->addWidget(shortcutWarning_);
        updateShortcutBadge();
    }
    nameLine->addStretch(1);
    column->addLayout(nameLine);
    details_ =
        style::label(detailsText(layout_, context_.clock.wallNow()), style::Text::caption, true);
    details_->setObjectName("rowDetails");
    column->addWidget(details_);
    row->addLayout(column, 1);

    addHoverControls(row);
    setHovering(false);
}

void LayoutRowView::addHoverControls(QHBoxLayout* row) {
    restoreButton_ = new QToolButton(this);
    restoreButton_->setObjectName("rowRestoreButton");
    restoreButton_->setAutoRaise(true);
    restoreButton_->setIcon(icons::symbol("arrow.counterclockwise"));
    restoreButton_->setIconSize(QSize(12, 12));
    restoreButton_->setToolTip(QStringLiteral("Restore this layout"));
    connect(restoreButton_, &QToolButton::clicked, this, [this] {
        if (onRestore_) onRestore_();
    });
    row->addWidget(restoreButton_);

    menuButton_ = new QToolButton(this);
    menuButton_->setObjectName("rowMenuButton");
    menuButton_->setAutoRaise(true);
    menuButton_->setFixedWidth(20);
    menuButton_->setIcon(icons::symbol("ellipsis.circle"));
    menuButton_->setIconSize(QSize(12, 12));
    menuButton_->setPopupMode(QToolButton::InstantPopup);
    menuButton_->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
    menuButton_->setMenu(buildMenu());
    row->addWidget(menuButton_);

    for (QWidget* control :
         {static_cast<QWidget*>(restoreButton_), static_cast<QWidget*>(menuButton_)}) {
        QSizePolicy policy = control->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        control->setSizePolicy(policy);
    }
}

QMenu* LayoutRowView::buildMenu() {
    auto* menu = new QMenu(menuButton_);
    menu->setObjectName("rowMenu");
    auto* restoreAction = menu->addAction(QStringLiteral("Restore Layout"));
    restoreAction->setObjectName("rowRestoreAction");
    connect(restoreAction, &QAction::triggered, this, [this] {
        if (onRestore_) onRestore_();
    });
    auto* recaptureAction = menu->addAction(QStringLiteral("Recapture Windows"));
    recaptureAction->setObjectName("rowRecaptureAction");
    connect(recaptureAction, &QAction::triggered, this, [this] { confirmRecapture(); });
    auto* editAction = menu->addAction(QStringLiteral("Edit..."));
    editAction->setObjectName("rowEditAction");
    connect(editAction, &QAction::triggered, this, [this] { openEditor(); });
    menu->addSeparator();
    auto* deleteAction = menu->addAction(QStringLiteral("Delete"));
    deleteAction->setObjectName("rowDeleteAction");
    deleteAction->setIcon(QIcon::fromTheme(QStringLiteral("edit-delete")));
    connect(deleteAction, &QAction::triggered, this, [this] { confirmDelete(); });
    return menu;
}

void LayoutRowView::updateShortcutBadge() {
    if (shortcutBadge_ == nullptr) return;
    shortcutBadge_->setText(
        shortcutText(context_.hotkeys, *layout_.shortcutKeyCode, *layout_.shortcutModifiers));
    const auto failure = context_.hotkeys.failureOf(layout_.id);
    const QString why = failure ? QString::fromStdString(failure->text()) : QString();
    shortcutWarning_->setVisible(failure.has_value());
    shortcutWarning_->setToolTip(why);
    shortcutBadge_->setToolTip(why);
}

QString LayoutRowView::detailsText(const WindowLayout& layout, Date now) {
    const auto count = layout.windows.size();
    return QStringLiteral("%1 window%2 \u2022 %3")
        .arg(count)
        .arg(count == 1 ? QString() : QStringLiteral("s"))
        .arg(relativeTimeText(layout.modifiedAt, now));
}

void LayoutRowView::setHovering(bool hovering) {
    isHovering_ = hovering;
    // Kept in the layout while hidden, so the row does not change height when they appear.
    restoreButton_->setVisible(hovering);
    menuButton_->setVisible(hovering);
    update();
}

void LayoutRowView::recapture() {
    context_.commands.recapture(layout_.id);
}

void LayoutRowView::confirmRecapture() {
    // The saved windows are replaced: asked first, as deleting is.
    const QString answer = askKeepingOpen(
        context_, this,
        confirmation(
            QStringLiteral("Recapture \"%1\"?").arg(QString::fromStdString(layout_.name)),
            QStringLiteral("The windows saved in this layout are replaced by the windows open "
                           "now."),
            QStringLiteral("Recapture")));
    if (answer == QLatin1String("Recapture")) recapture();
}

void LayoutRowView::updateDetails() {
    details_->setText(detailsText(layout_, context_.clock.wallNow()));
}

void LayoutRowView::openEditor() {
    LayoutEditView::openWindow(context_, layout_);
}

void LayoutRowView::confirmDelete() {
    if (showingDeleteConfirmation_) return;
    showingDeleteConfirmation_ = true;
    DialogQuestion question =
        confirmation(QStringLiteral("Delete \"%1\"?").arg(QString::fromStdString(layout_.name)),
                     QStringLiteral("This action cannot be undone."), QStringLiteral("Delete"));
    question.destructiveButtons = {QStringLiteral("Delete")};
    // The popover stays open, so the user sees the row go.
    const QString answer = askKeepingOpen(context_, this, question);
    showingDeleteConfirmation_ = false;
    if (answer == QLatin1String("Delete") && onDelete_) onDelete_();
}

void LayoutRowView::enterEvent(QEnterEvent* event) {
    setHovering(true);
    QWidget::enterEvent(event);
}

void LayoutRowView::leaveEvent(QEvent* event) {
    setHovering(false);
    QWidget::leaveEvent(event);
}

void LayoutRowView::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (onRestore_) onRestore_();
}

void LayoutRowView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (onRestore_) onRestore_();
            return;
        case Qt::Key_Delete:
        case Qt::Key_Backspace:
            confirmDelete();
            return;
        case Qt::Key_F2:
            openEditor();
            return;
        case Qt::Key_Up:
        case Qt::Key_Down: {
            // The rows in the list, top to bottom (rows being replaced have left it already).
            std::vector<LayoutRowView*> rows;
            QLayout* list = parentWidget()->layout();
            for (int i = 0; list != nullptr && i < list->count(); ++i)
                if (auto* row = dynamic_cast<LayoutRowView*>(list->itemAt(i)->widget()))
                    rows.push_back(row);
            const auto it = std::find(rows.begin(), rows.end(), this);
            if (it == rows.end()) return;
            if (event->key() == Qt::Key_Up && it != rows.begin())
                (*std::prev(it))->setFocus(Qt::BacktabFocusReason);
            if (event->key() == Qt::Key_Down && std::next(it) != rows.end())
                (*std::next(it))->setFocus(Qt::TabFocusReason);
            return;
        }
        default:
            QWidget::keyPressEvent(event);
    }
}

void LayoutRowView::focusInEvent(QFocusEvent* event) {
    update();
    QWidget::focusInEvent(event);
}

void LayoutRowView::focusOutEvent(QFocusEvent* event) {
    update();
    QWidget::focusOutEvent(event);
}

void LayoutRowView::paintEvent(QPaintEvent*) {
    if (!isHovering_ && !hasFocus()) return;
    QPainter painter(this);
    QColor fill = style::secondary();
    fill.setAlphaF(0.1f);
    painter.fillRect(rect(), fill);
    // The keyboard's place in the list.
    if (hasFocus()) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(style::accent(), 2));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 4, 4);
    }
}

}  // namespace vantrel
