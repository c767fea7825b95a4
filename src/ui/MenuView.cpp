// The layout menu: its list, the save sheet's actions, the workspace prompt and error alerts.
#include "ui/MenuView.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "ui/Confirm.h"
#include "ui/Icons.h"
#include "ui/LayoutEditView.h"
#include "ui/LayoutRowView.h"
#include "ui/PlatformWords.h"
#include "ui/PreferencesView.h"
#include "ui/Style.h"

namespace vantrel {

MenuView::MenuView(UiContext& context, QWidget* parent)
    : QWidget(parent), context_(context), bridge_(this), self_(std::make_shared<MenuView*>(this)) {
    setObjectName("menuView");
    setFixedSize(kWidth, kHeight);

    pages_ = new QStackedWidget(this);
    pages_->setObjectName("menuPages");
    pages_->addWidget(buildMainPage());
    pages_->addWidget(buildSaveSheet());
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(pages_);
    overlay_ = buildOverlay();

    bridge_.watchAndApply(context_.windowService.hasAccessibilityPermission,
                          [this](bool granted) { applyPermission(granted); });
    bridge_.watchAndApply(context_.layoutManager.layouts,
                          [this](const std::vector<WindowLayout>& list) { rebuildRows(list); });
    bridge_.watch(context_.hotkeys.failures, [this](const std::vector<ShortcutFailure>&) {
        for (auto* row : rows_) row->updateShortcutBadge();
    });
    bridge_.watchAndApply(context_.layoutManager.isRestoring, [this](bool restoring) {
        overlay_->setVisible(restoring);
        if (restoring) {
            placeOverlay();
            overlay_->raise();
        }
    });
    bridge_.watchAndApply(context_.layoutManager.lastError,
                          [this](const std::optional<LayoutError>& error) {
                              if (!error || showingErrorAlert_) return;
                              // Shown from the queue, not from inside the change announcement.
                              context_.mainQueue.post([weak = std::weak_ptr<MenuView*>(self_)] {
                                  if (auto self = weak.lock()) (*self)->presentErrorIfNeeded();
                              });
                          });
    bridge_.watch(context_.commands.pendingSpaceRestore,
                  [this](const std::optional<PendingSpaceRestore>& pending) {
                      if (pending) askAboutSpace();
                  });
}

MenuView::~MenuView() {
    self_.reset();
}

QWidget* MenuView::buildMainPage() {
    auto* page = new QWidget;
    page->setObjectName("menuMainPage");
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* header = style::label(QStringLiteral("Window Layouts"), style::Text::headline);
    header->setObjectName("menuHeader");
    header->setContentsMargins(12, 10, 12, 10);
    column->addWidget(header);
    column->addWidget(style::divider());

    banner_ = buildBanner();
    column->addWidget(banner_);

    listStack_ = new QStackedWidget;
    listStack_->setObjectName("layoutListStack");
    listStack_->addWidget(buildEmptyState());
    auto* scroll = new QScrollArea;
    scroll->setObjectName("layoutList");
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    listContent_ = new QWidget;
    listLayout_ = new QVBoxLayout(listContent_);
    listLayout_->setContentsMargins(0, 0, 0, 0);
    listLayout_->setSpacing(0);
    listLayout_->addStretch(1);
    scroll->setWidget(listContent_);
    // Rows are made as the list scrolls towards them: memory follows what is shown, not how many
    // layouts there are.
    connect(scroll->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this, scroll](int value) {
                if (value >= scroll->verticalScrollBar()->maximum() - kRowPrefetchPixels)
                    appendRows(kRowBatch);
            });
    listStack_->addWidget(scroll);
    listStack_->setMaximumHeight(250);
    listSection_ = listStack_;
    column->addWidget(listStack_, 1);

    saveDivider_ = style::divider();
    column->addWidget(saveDivider_);
    saveSection_ = buildSaveSection();
    column->addWidget(saveSection_);
    column->addStretch(0);
    column->addWidget(style::divider());
    footer_ = buildFooter();
    column->addWidget(footer_);
    return page;
}

void MenuView::keyPressEvent(QKeyEvent* event) {
    // From the menu itself, the arrows enter the list at its first or last row.
    if ((event->key() == Qt::Key_Down || event->key() == Qt::Key_Up) && !rows_.empty() &&
        listSection_->isVisible() && pages_->currentIndex() == 0) {
        (event->key() == Qt::Key_Down ? rows_.front() : rows_.back())->setFocus(Qt::TabFocusReason);
        return;
    }
    QWidget::keyPressEvent(event);
}

void MenuView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeOverlay();
}

void MenuView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    for (auto* row : rows_) row->updateDetails();
    clockTimer_ = TimerHandle(context_.mainQueue, context_.mainQueue.startRepeating(
                                                      1s, [weak = std::weak_ptr<MenuView*>(self_)] {
                                                          if (auto self = weak.lock())
                                                              for (auto* row : (*self)->rows_)
                                                                  row->updateDetails();
                                                      }));
}

void MenuView::hideEvent(QHideEvent* event) {
    clockTimer_.reset();
    QWidget::hideEvent(event);
}

void MenuView::placeOverlay() {
    if (overlay_ == nullptr || footer_ == nullptr) return;
    // The footer stays uncovered, so that Quit is there during a restore.
    const bool mainPage = pages_->currentIndex() == 0;
    overlay_->setGeometry(rect().adjusted(0, 0, 0, mainPage ? -footer_->height() : 0));
}

void MenuView::applyPermission(bool granted) {
    banner_->setVisible(!granted);
    listSection_->setVisible(granted);
    saveDivider_->setVisible(granted);
    saveSection_->setVisible(granted);
}

void MenuView::rebuildRows(const std::vector<WindowLayout>& layouts) {
    // Rows may be running one of their own actions (delete): they go once it has returned.
    for (auto* row : rows_) {
        row->hide();
        row->deleteLater();
    }
    rows_.clear();
    while (listLayout_->count() > 1) {
        QLayoutItem* item = listLayout_->takeAt(0);
        if (QWidget* widget = item->widget()) {
            if (widget->objectName() != QLatin1String("layoutRow")) widget->deleteLater();
        }
        delete item;
    }
    listed_ = layouts;
    appendRows(kRowBatch);
    listStack_->setCurrentIndex(layouts.empty() ? 0 : 1);
}

void MenuView::appendRows(std::size_t count) {
    const std::size_t end = std::min(listed_.size(), rows_.size() + count);
    while (rows_.size() < end) {
        const WindowLayout& layout = listed_[rows_.size()];
        auto* row = new LayoutRowView(
            context_, layout, [this, layout] { restore(layout); },
            [this, layout] { remove(layout); }, listContent_);
        const int position = static_cast<int>(rows_.size()) * 2;
        listLayout_->insertWidget(position, row);
        listLayout_->insertWidget(position + 1, style::divider(12));
        rows_.push_back(row);
    }
}

void MenuView::refresh() {
    rebuildRows(context_.layoutManager.layouts.get());
    if (showingNewLayoutSheet_) updateSheet();
}

void MenuView::openSaveSheet() {
    showingNewLayoutSheet_ = true;
    pages_->setCurrentIndex(1);
    updateSheet();
    nameField_->setFocus(Qt::OtherFocusReason);
}

void MenuView::cancelSaveSheet() {
    showingNewLayoutSheet_ = false;
    nameField_->clear();
    pages_->setCurrentIndex(0);
}

void MenuView::saveFromSheet() {
    if (!showingNewLayoutSheet_) return;
    const QString name = trimBlanks(nameField_->text());
    if (name.isEmpty() || !confirmNewName(name)) return;
    context_.commands.saveCurrentWindows(name.toStdString());
    nameField_->clear();
    showingNewLayoutSheet_ = false;
    pages_->setCurrentIndex(0);
}

bool MenuView::confirmNewName(const QString& name) {
    const std::string text = name.toStdString();
    const auto& list = context_.layoutManager.layouts.get();
    const auto same = std::find_if(list.begin(), list.end(),
                                   [&](const WindowLayout& layout) { return layout.name == text; });
    if (same == list.end()) return true;
    DialogQuestion question = confirmation(
        QStringLiteral("A layout named \"%1\" already exists").arg(name),
        QStringLiteral("Replace its windows with the windows open now, or save another layout "
                       "with the same name?"),
        QStringLiteral("Replace"));
    question.buttons.insert(1, QStringLiteral("Keep Both"));
    const QString answer = askKeepingOpen(context_, this, question);
    if (answer == QLatin1String("Keep Both")) return true;
    if (answer == QLatin1String("Replace")) {
        // The existing layout keeps its name, shortcut and options; only its windows change.
        context_.commands.recapture(same->id);
        cancelSaveSheet();
    }
    return false;
}

void MenuView::updateSheet() {
    if (!showingNewLayoutSheet_) return;
    sheetSaveButton_->setEnabled(!trimBlanks(nameField_->text()).isEmpty());
    // Counted on the executor: a capture on this thread would stall every keystroke.
    context_.commands.countWindows([weak = std::weak_ptr<MenuView*>(self_)](std::size_t count) {
        if (auto self = weak.lock())
            (*self)->windowCountLabel_->setText(
                QStringLiteral("%1 windows will be saved").arg(count));
    });
}

void MenuView::toggleQuickLayouts() {
    showingQuickLayouts_ = !showingQuickLayouts_;
    // The grid slides open and shut (0.2 s, ease in and out); it is hidden once shut.
    const int open = quickGrid_->sizeHint().height();
    auto* slide = new QPropertyAnimation(quickGrid_, "maximumHeight", quickGrid_);
    slide->setDuration(200);
    slide->setEasingCurve(QEasingCurve::InOutQuad);
    if (showingQuickLayouts_) {
        quickGrid_->setMaximumHeight(0);
        quickGrid_->setVisible(true);
        slide->setStartValue(0);
        slide->setEndValue(open);
    } else {
        slide->setStartValue(quickGrid_->height());
        slide->setEndValue(0);
        connect(slide, &QPropertyAnimation::finished, quickGrid_, [this] {
            if (!showingQuickLayouts_) quickGrid_->setVisible(false);
        });
    }
    slide->start(QAbstractAnimation::DeleteWhenStopped);
    const char* chevron = showingQuickLayouts_ ? "chevron.up" : "chevron.down";
    quickChevron_->setPixmap(icons::symbolPixmap(chevron, 10, style::secondary()));
    quickChevron_->setProperty("symbol", QString::fromLatin1(chevron));
}

void MenuView::openPreferences() {
    PreferencesView::openWindow(context_);
}

void MenuView::restore(const WindowLayout& layout) {
    context_.mainQueue.post([weak = std::weak_ptr<MenuView*>(self_), layout] {
        if (auto self = weak.lock()) (void)(*self)->context_.commands.restore(layout.id);
    });
}

void MenuView::remove(const WindowLayout& layout) {
    (void)context_.commands.remove(layout.id);
}

void MenuView::askAboutSpace() {
    // An open prompt already reads the pending restore when answered.
    if (showingSpaceMismatchAlert_) return;
    showingSpaceMismatchAlert_ = true;
    context_.mainQueue.post([weak = std::weak_ptr<MenuView*>(self_)] {
        if (auto self = weak.lock()) (*self)->presentSpaceMismatchPrompt();
    });
}

void MenuView::presentSpaceMismatchPrompt() {
    const auto pending = context_.commands.pendingSpaceRestore.get();
    if (!pending) {
        showingSpaceMismatchAlert_ = false;
        return;
    }
    DialogQuestion question;
    question.kind = DialogQuestion::Kind::question;
    const PlatformWords& words = platformWords(context_.session);
    question.title = QStringLiteral("Different %1 Detected").arg(words.Workspace);
    question.message = QStringLiteral(
                           "This layout was saved on %1 %2, but you're currently on %1 "
                           "%3.\n\nWindows will be restored to the current %1.")
                           .arg(words.workspace)
                           .arg(pending->capturedSpace)
                           .arg(pending->currentSpace);
    question.buttons = {QStringLiteral("Always Restore"), QStringLiteral("Restore This Time"),
                        QStringLiteral("Cancel")};
    question.cancelButton = QStringLiteral("Cancel");
    question.defaultButton = QStringLiteral("Restore This Time");
    const QString answer = context_.dialogs.ask(window(), question);
    showingSpaceMismatchAlert_ = false;
    if (answer == QLatin1String("Always Restore"))
        context_.commands.answerSpacePrompt(SpaceAnswer::alwaysRestore);
    else if (answer == QLatin1String("Restore This Time"))
        context_.commands.answerSpacePrompt(SpaceAnswer::restoreThisTime);
    else
        context_.commands.answerSpacePrompt(SpaceAnswer::cancel);
}

void MenuView::presentErrorIfNeeded() {
    const auto error = context_.layoutManager.lastError.get();
    if (!error || showingErrorAlert_) return;
    showingErrorAlert_ = true;
    DialogQuestion question;
    question.kind = DialogQuestion::Kind::warning;
    question.title = QString::fromStdString(error->title());
    const std::string description = error->description();
    question.message = description.empty() ? QStringLiteral("An error occurred")
                                           : QString::fromStdString(description);
    question.buttons = {QStringLiteral("OK")};
    (void)context_.dialogs.ask(window(), question);
    showingErrorAlert_ = false;
    context_.layoutManager.lastError.set(std::nullopt);
}

}  // namespace vantrel
