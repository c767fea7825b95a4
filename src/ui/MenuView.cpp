// The layout menu: its sections, the save sheet, the overlay, and the Space-mismatch prompt.
#include "ui/MenuView.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/Icons.h"
#include "ui/LayoutEditView.h"
#include "ui/LayoutRowView.h"
#include "ui/PermissionHelp.h"
#include "ui/PreferencesView.h"
#include "ui/Style.h"

namespace vantrel {
namespace {

QPushButton* plainButton(const QString& text, const QString& objectName) {
    auto* button = new QPushButton(text);
    button->setObjectName(objectName);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QLabel* symbolLabel(std::string_view name, int size, const QColor& color) {
    auto* label = new QLabel;
    label->setPixmap(icons::symbolPixmap(name, size, color));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

// The first word of a preset's name ("Left Half" → "Left").
QString firstWord(std::string_view name) {
    const QString text = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return words.isEmpty() ? text : words.first();
}

}  // namespace

const std::array<PresetLayout, 12>& MenuView::quickLayoutPresets() {
    static constexpr std::array<PresetLayout, 12> kPresets{
        PresetLayout::leftHalf,          PresetLayout::rightHalf,
        PresetLayout::topHalf,           PresetLayout::bottomHalf,
        PresetLayout::topLeftQuarter,    PresetLayout::topRightQuarter,
        PresetLayout::bottomLeftQuarter, PresetLayout::bottomRightQuarter,
        PresetLayout::maximize,          PresetLayout::center,
        PresetLayout::leftThird,         PresetLayout::rightTwoThirds,
    };
    return kPresets;
}

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

QWidget* MenuView::buildBanner() {
    auto* banner = new QWidget;
    banner->setObjectName("accessibilityBanner");
    banner->setMinimumHeight(200);
    auto* column = new QVBoxLayout(banner);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(8);
    column->setAlignment(Qt::AlignCenter);
    column->addWidget(symbolLabel("lock.shield.fill", 40, style::orange()));
    auto* title = style::label(QStringLiteral("Window Manager Required"), style::Text::headline);
    title->setObjectName("bannerTitle");
    title->setAlignment(Qt::AlignCenter);
    column->addWidget(title);
    auto* text = style::label(
        QStringLiteral("Vantrel needs a window manager that lets it manage your windows."),
        style::Text::caption, true);
    text->setObjectName("bannerText");
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    column->addWidget(text);
    // On X11 the "permission" is a window manager that lets other programs move windows.
    auto* platformText = style::label(
        QStringLiteral("On Linux this means an X11 session whose window manager supports EWMH "
                       "(Openbox, Xfwm, KWin, Mutter, i3 and most others)."),
        style::Text::smallCaption, true);
    platformText->setObjectName("bannerPlatformText");
    platformText->setAlignment(Qt::AlignCenter);
    platformText->setWordWrap(true);
    column->addWidget(platformText);
    auto* grant = new QPushButton(QStringLiteral("Grant Permission"));
    grant->setObjectName("bannerGrantButton");
    grant->setDefault(true);
    connect(grant, &QPushButton::clicked, this, [this] {
        context_.windowService.requestAccessibilityPermission();
        showWindowManagerHelp(context_, window());
    });
    auto* settings = new QPushButton(QStringLiteral("Open System Settings"));
    settings->setObjectName("bannerSettingsButton");
    connect(settings, &QPushButton::clicked, this,
            [this] { showWindowManagerHelp(context_, window()); });
    column->addWidget(grant, 0, Qt::AlignCenter);
    column->addWidget(settings, 0, Qt::AlignCenter);
    return banner;
}

QWidget* MenuView::buildEmptyState() {
    auto* empty = new QWidget;
    empty->setObjectName("emptyState");
    auto* column = new QVBoxLayout(empty);
    column->setAlignment(Qt::AlignCenter);
    column->setSpacing(6);
    column->addWidget(symbolLabel("macwindow.on.rectangle", 36, style::accent()));
    auto* title = style::label(QStringLiteral("No Saved Layouts"), style::Text::subheadline);
    title->setObjectName("emptyTitle");
    QFont font = title->font();
    font.setWeight(QFont::Medium);
    title->setFont(font);
    title->setAlignment(Qt::AlignCenter);
    column->addWidget(title);
    for (const auto& [name, text] :
         {std::pair{"emptyLine1", "Arrange your windows how you like them,"},
          std::pair{"emptyLine2", "then click \"Save Current Layout\" below."}}) {
        auto* line = style::label(QString::fromUtf8(text), style::Text::caption, true);
        line->setObjectName(QString::fromLatin1(name));
        line->setAlignment(Qt::AlignCenter);
        column->addWidget(line);
    }
    auto* hints = new QHBoxLayout;
    hints->setAlignment(Qt::AlignCenter);
    hints->setSpacing(12);
    for (const auto& [symbol, text] :
         {std::pair{"keyboard", "Add shortcuts"}, std::pair{"display.2", "Multi-display"}}) {
        auto* hint = new QHBoxLayout;
        hint->setSpacing(4);
        QColor color = style::secondary();
        color.setAlphaF(0.8f);
        hint->addWidget(symbolLabel(symbol, 10, color));
        auto* label = style::label(QString::fromUtf8(text), style::Text::smallCaption);
        label->setObjectName("emptyHint");
        style::setTextColor(label, color);
        hint->addWidget(label);
        hints->addLayout(hint);
    }
    column->addLayout(hints);
    return empty;
}

QWidget* MenuView::buildSaveSection() {
    auto* section = new QWidget;
    section->setObjectName("saveSection");
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(8, 4, 8, 4);
    column->setSpacing(2);

    auto* save = plainButton(QStringLiteral("Save Current Layout"), "saveLayoutButton");
    save->setIcon(icons::symbol("plus.circle.fill"));
    connect(save, &QPushButton::clicked, this, [this] { openSaveSheet(); });
    column->addWidget(save);

    auto* quick = new QPushButton;
    quick->setObjectName("quickLayoutsButton");
    quick->setFlat(true);
    auto* quickRow = new QHBoxLayout(quick);
    quickRow->setContentsMargins(8, 0, 8, 0);
    quickRow->addWidget(symbolLabel("rectangle.split.2x2", 14, style::accent()));
    auto* quickTitle = style::label(QStringLiteral("Quick Layouts"), style::Text::subheadline);
    QFont font = quickTitle->font();
    font.setWeight(QFont::Medium);
    quickTitle->setFont(font);
    quickRow->addWidget(quickTitle);
    quickRow->addStretch(1);
    quickChevron_ = new QLabel;
    quickChevron_->setObjectName("quickLayoutsChevron");
    quickRow->addWidget(quickChevron_);
    quick->setMinimumHeight(26);
    connect(quick, &QPushButton::clicked, this, [this] { toggleQuickLayouts(); });
    column->addWidget(quick);

    quickGrid_ = new QWidget;
    quickGrid_->setObjectName("quickLayoutGrid");
    auto* grid = new QGridLayout(quickGrid_);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(4);
    int index = 0;
    for (const PresetLayout preset : quickLayoutPresets()) {
        auto* button = new QToolButton;
        button->setObjectName(QStringLiteral("quickLayout:") +
                              QString::fromUtf8(rawValue(preset).data(),
                                                static_cast<qsizetype>(rawValue(preset).size())));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setIcon(icons::preset(preset));
        button->setIconSize(QSize(14, 14));
        button->setText(firstWord(displayName(preset)));
        QFont small = button->font();
        small.setPixelSize(8);
        button->setFont(small);
        button->setToolTip(QString::fromUtf8(helpText(preset).data(),
                                             static_cast<qsizetype>(helpText(preset).size())));
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        button->setStyleSheet(QStringLiteral("QToolButton { background: %1; border: none; "
                                             "border-radius: 6px; padding: 6px; }")
                                  .arg(style::rgba(style::secondary(), 0.1)));
        connect(button, &QToolButton::clicked, this, [this, preset] {
            context_.mainQueue.post([weak = std::weak_ptr<MenuView*>(self_), preset] {
                if (auto self = weak.lock()) (*self)->context_.commands.applyPreset(preset);
            });
        });
        grid->addWidget(button, index / 4, index % 4);
        ++index;
    }
    column->addWidget(quickGrid_);
    quickGrid_->setVisible(false);
    quickChevron_->setPixmap(icons::symbolPixmap("chevron.down", 10, style::secondary()));
    quickChevron_->setProperty("symbol", QStringLiteral("chevron.down"));
    return section;
}

QWidget* MenuView::buildFooter() {
    auto* footer = new QWidget;
    footer->setObjectName("menuFooter");
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(12, 8, 12, 8);
    row->setSpacing(4);
    auto* preferences = plainButton(QStringLiteral("Preferences..."), "preferencesButton");
    style::applyText(preferences, style::Text::caption);
    connect(preferences, &QPushButton::clicked, this, [this] { openPreferences(); });
    row->addWidget(preferences);
    row->addWidget(style::label(QStringLiteral("\u00B7"), style::Text::caption, true));
    auto* quit = plainButton(QStringLiteral("Quit"), "quitButton");
    style::applyText(quit, style::Text::caption);
    connect(quit, &QPushButton::clicked, this, [this] {
        if (context_.quit) context_.quit();
    });
    row->addWidget(quit);
    row->addStretch(1);
    auto* version = style::label(versionText(context_), style::Text::smallCaption, true);
    version->setObjectName("versionLabel");
    row->addWidget(version);
    return footer;
}

QWidget* MenuView::buildSaveSheet() {
    auto* page = new QWidget;
    page->setObjectName("saveSheetPage");
    auto* outer = new QVBoxLayout(page);
    outer->setAlignment(Qt::AlignCenter);
    auto* sheet = new QFrame;
    sheet->setObjectName("saveSheet");
    sheet->setFixedWidth(280);
    sheet->setFrameShape(QFrame::StyledPanel);
    auto* column = new QVBoxLayout(sheet);
    column->setSpacing(10);
    column->addWidget(style::label(QStringLiteral("Save Current Layout"), style::Text::headline));
    nameField_ = new QLineEdit;
    nameField_->setObjectName("layoutNameField");
    nameField_->setPlaceholderText(QStringLiteral("Layout Name"));
    connect(nameField_, &QLineEdit::textChanged, this, [this] { updateSheet(); });
    column->addWidget(nameField_);
    windowCountLabel_ = style::label(QString(), style::Text::caption, true);
    windowCountLabel_->setObjectName("windowCountLabel");
    column->addWidget(windowCountLabel_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    cancel->setObjectName("saveSheetCancel");
    connect(cancel, &QPushButton::clicked, this, [this] { cancelSaveSheet(); });
    sheetSaveButton_ = new QPushButton(QStringLiteral("Save"));
    sheetSaveButton_->setObjectName("saveSheetSave");
    sheetSaveButton_->setDefault(true);
    connect(sheetSaveButton_, &QPushButton::clicked, this, [this] { saveFromSheet(); });
    buttons->addWidget(cancel);
    buttons->addWidget(sheetSaveButton_);
    column->addLayout(buttons);
    outer->addWidget(sheet);

    // Return saves and Escape cancels while the sheet is up (Escape would otherwise close the
    // popup itself).
    auto* returnKey = new QShortcut(QKeySequence(Qt::Key_Return), page);
    returnKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(returnKey, &QShortcut::activated, this, [this] { saveFromSheet(); });
    auto* enterKey = new QShortcut(QKeySequence(Qt::Key_Enter), page);
    enterKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(enterKey, &QShortcut::activated, this, [this] { saveFromSheet(); });
    auto* escapeKey = new QShortcut(QKeySequence(Qt::Key_Escape), page);
    escapeKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escapeKey, &QShortcut::activated, this, [this] { cancelSaveSheet(); });
    return page;
}

QWidget* MenuView::buildOverlay() {
    auto* overlay = new QWidget(this);
    overlay->setObjectName("restoringOverlay");
    overlay->setAttribute(Qt::WA_StyledBackground);
    overlay->setStyleSheet(QStringLiteral("#restoringOverlay { background: %1; }")
                               .arg(style::rgba(style::windowBackground(), 0.9)));
    auto* column = new QVBoxLayout(overlay);
    column->setAlignment(Qt::AlignCenter);
    column->setSpacing(12);
    auto* spinner = new QProgressBar;
    spinner->setObjectName("restoringSpinner");
    spinner->setRange(0, 0);
    spinner->setTextVisible(false);
    spinner->setFixedWidth(120);
    column->addWidget(spinner, 0, Qt::AlignCenter);
    auto* text = style::label(QStringLiteral("Restoring layout..."), style::Text::caption, true);
    text->setObjectName("restoringText");
    column->addWidget(text, 0, Qt::AlignCenter);
    // A long restore can be stopped; it ends at its next window.
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    cancel->setObjectName("cancelRestoreButton");
    connect(cancel, &QPushButton::clicked, this, [this] { context_.commands.cancelRestore(); });
    column->addWidget(cancel, 0, Qt::AlignCenter);
    overlay->setGeometry(rect());
    overlay->hide();
    return overlay;
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
    if (name.isEmpty()) return;
    context_.commands.saveCurrentWindows(name.toStdString());
    nameField_->clear();
    showingNewLayoutSheet_ = false;
    pages_->setCurrentIndex(0);
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
    question.title = QStringLiteral("Different Space Detected");
    question.message = QStringLiteral(
                           "This layout was saved on Space %1, but you're currently on Space "
                           "%2.\n\nWindows will be restored to the current Space.")
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
