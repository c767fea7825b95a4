// Sections of the editor, the shortcut row's three states, and saving the edited copy.
#include "ui/LayoutEditView.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>
#include <cmath>
#include <utility>

#include "ui/Icons.h"
#include "ui/LayoutPreview.h"
#include "ui/PlatformWords.h"
#include "ui/ShortcutRecorder.h"
#include "ui/ShortcutText.h"
#include "ui/Style.h"
#include "ui/TriggerAppsEditor.h"

namespace vantrel {
namespace {

QLabel* sectionTitle(const QString& text) {
    return style::label(text, style::Text::caption, true);
}

QWidget* chip(const QString& objectName, std::string_view symbol, const QString& text,
              const QColor& color) {
    auto* widget = new QWidget;
    widget->setObjectName(objectName);
    widget->setAttribute(Qt::WA_StyledBackground);
    widget->setStyleSheet(QStringLiteral("#%1 { background: %2; border-radius: 8px; }")
                              .arg(objectName, style::rgba(color, 0.15)));
    auto* row = new QHBoxLayout(widget);
    row->setContentsMargins(6, 2, 6, 2);
    row->setSpacing(3);
    auto* icon = new QLabel;
    icon->setPixmap(icons::symbolPixmap(symbol, 10, color));
    row->addWidget(icon);
    auto* label = style::label(text, style::Text::smallCaption);
    label->setObjectName(objectName + QStringLiteral("Text"));
    style::setTextColor(label, color);
    row->addWidget(label);
    return widget;
}

QString plural(std::size_t count, const QString& singular) {
    return QStringLiteral("%1 %2%3").arg(count).arg(singular).arg(count == 1 ? "" : "s");
}

// Sizes are listed in whole points, the fraction dropped.
QString sizeText(double width, double height) {
    return QStringLiteral("%1\u00D7%2")
        .arg(static_cast<long long>(std::trunc(width)))
        .arg(static_cast<long long>(std::trunc(height)));
}

}  // namespace

QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    const auto blank = [](QChar c) {
        return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space;
    };
    while (begin < end && blank(text.at(begin))) ++begin;
    while (end > begin && blank(text.at(end - 1))) --end;
    return text.mid(begin, end - begin);
}

LayoutEditView::LayoutEditView(UiContext& context, WindowLayout layout, QWidget* parent)
    : QWidget(parent),
      context_(context),
      layout_(std::move(layout)),
      recordedKeyCode_(layout_.shortcutKeyCode),
      recordedModifiers_(layout_.shortcutModifiers) {
    setObjectName("layoutEditView");
    auto* column = new QVBoxLayout(this);
    column->setSpacing(16);

    // Name.
    auto* nameSection = new QVBoxLayout;
    nameSection->setSpacing(4);
    nameSection->addWidget(sectionTitle(QStringLiteral("Name")));
    nameField_ = new QLineEdit(QString::fromStdString(layout_.name), this);
    nameField_->setObjectName("editorNameField");
    nameField_->setPlaceholderText(QStringLiteral("Layout Name"));
    connect(nameField_, &QLineEdit::textChanged, this, [this] { updateSaveEnabled(); });
    // Reached when the window shortcut below did not take the key (the window is not active).
    connect(nameField_, &QLineEdit::returnPressed, this, [this] { save(); });
    nameSection->addWidget(nameField_);
    column->addLayout(nameSection);

    // Layout information.
    auto* infoSection = new QVBoxLayout;
    infoSection->setSpacing(4);
    infoSection->addWidget(sectionTitle(QStringLiteral("Layout Info")));
    infoSection->addWidget(buildInfoChips());
    column->addLayout(infoSection);

    // Windows.
    auto* windowsSection = new QVBoxLayout;
    windowsSection->setSpacing(4);
    auto* windowsTitle = sectionTitle(QStringLiteral("Windows (%1)").arg(layout_.windows.size()));
    windowsTitle->setObjectName("editorWindowsTitle");
    windowsSection->addWidget(windowsTitle);
    // What restoring does, at a glance: the displays and windows to scale.
    windowsSection->addWidget(new LayoutPreview(layout_, this));
    windowsSection->addWidget(buildWindowList());
    column->addLayout(windowsSection);

    buildShortcutSection(column);
    buildOptionSections(column);

    column->addStretch(1);

    // Buttons.
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName("editorCancelButton");
    connect(cancelButton, &QPushButton::clicked, this, [this] { cancel(); });
    saveButton_ = new QPushButton(QStringLiteral("Save"), this);
    saveButton_->setObjectName("editorSaveButton");
    saveButton_->setDefault(true);
    connect(saveButton_, &QPushButton::clicked, this, [this] { save(); });
    buttons->addWidget(cancelButton);
    buttons->addWidget(saveButton_);
    column->addLayout(buttons);

    // Return saves and Escape cancels from anywhere in the window, except while recording.
    auto* returnKey = new QShortcut(QKeySequence(Qt::Key_Return), this);
    connect(returnKey, &QShortcut::activated, this, [this] {
        if (!isRecordingShortcut_ && saveButton_->isEnabled()) save();
    });
    auto* escapeKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escapeKey, &QShortcut::activated, this, [this] {
        if (!isRecordingShortcut_) cancel();
    });

    updateShortcutRow();
    bridge_.watch(context_.hotkeys.failures,
                  [this](const std::vector<ShortcutFailure>&) { updateShortcutRow(); });
    updateSaveEnabled();
}

void LayoutEditView::buildShortcutSection(QVBoxLayout* column) {
    // Keyboard shortcut.
    auto* shortcutSection = new QVBoxLayout;
    shortcutSection->setSpacing(4);
    shortcutSection->addWidget(sectionTitle(QStringLiteral("Keyboard Shortcut")));
    shortcutRow_ = new QHBoxLayout;
    shortcutText_ = new QLabel(this);
    shortcutText_->setObjectName("editorShortcutText");
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    shortcutText_->setFont(mono);
    shortcutText_->setStyleSheet(
        QStringLiteral("QLabel { background: %1; border-radius: 4px; padding: 4px 8px; }")
            .arg(style::rgba(style::secondary(), 0.2)));
    shortcutWarning_ = notWorkingMark(this);
    shortcutWarning_->setObjectName("editorShortcutWarning");
    clearButton_ = new QPushButton(QStringLiteral("Clear"), this);
    clearButton_->setObjectName("editorClearButton");
    connect(clearButton_, &QPushButton::clicked, this, [this] { clearShortcut(); });
    notSetLabel_ = style::label(QStringLiteral("Not set"), style::Text::body, true, this);
    notSetLabel_->setObjectName("editorNotSet");
    recordButton_ = new QPushButton(QStringLiteral("Record..."), this);
    recordButton_->setObjectName("editorRecordButton");
    connect(recordButton_, &QPushButton::clicked, this, [this] { startRecording(); });
    shortcutRow_->addWidget(shortcutText_);
    shortcutRow_->addWidget(shortcutWarning_);
    shortcutRow_->addWidget(clearButton_);
    shortcutRow_->addWidget(notSetLabel_);
    shortcutRow_->addStretch(1);
    shortcutRow_->addWidget(recordButton_);
    shortcutSection->addLayout(shortcutRow_);
    column->addLayout(shortcutSection);
}

void LayoutEditView::buildOptionSections(QVBoxLayout* column) {
    // Automation.
    auto* automationSection = new QVBoxLayout;
    automationSection->setSpacing(4);
    automationSection->addWidget(sectionTitle(QStringLiteral("Automation")));
    triggerBox_ = new QCheckBox(QStringLiteral("Trigger when display configuration matches"), this);
    triggerBox_->setObjectName("editorTriggerBox");
    triggerBox_->setChecked(layout_.triggerOnDisplayChange);
    automationSection->addWidget(triggerBox_);
    restoreAtLoginBox_ = new QCheckBox(QStringLiteral("Restore when Vantrel starts"), this);
    restoreAtLoginBox_->setObjectName("editorRestoreAtLoginBox");
    restoreAtLoginBox_->setChecked(layout_.restoreAtLogin);
    automationSection->addWidget(restoreAtLoginBox_);
    automationSection->addWidget(
        style::label(QStringLiteral("After you log in, launches the apps and places their windows"),
                     style::Text::smallCaption, true));
    automationSection->addWidget(style::label(
        QStringLiteral("Restore when one of these apps starts:"), style::Text::caption));
    triggerApps_ = new TriggerAppsEditor(layout_.triggerApps, context_.runningApps,
                                         context_.installedApps, this);
    automationSection->addWidget(triggerApps_);
    column->addLayout(automationSection);

    // Restore options.
    auto* optionsSection = new QVBoxLayout;
    optionsSection->setSpacing(4);
    optionsSection->addWidget(sectionTitle(QStringLiteral("Restore Options")));
    launchBox_ = new QCheckBox(QStringLiteral("Launch apps that aren't running"), this);
    launchBox_->setObjectName("editorLaunchBox");
    launchBox_->setChecked(layout_.launchMissingApps);
    optionsSection->addWidget(launchBox_);
    optionsSection->addWidget(style::label(
        QStringLiteral("Opens apps saved in this layout that aren't currently running"),
        style::Text::smallCaption, true));
    closeBox_ = new QCheckBox(QStringLiteral("Close apps not in this layout"), this);
    closeBox_->setObjectName("editorCloseBox");
    closeBox_->setChecked(layout_.closeOtherApps);
    optionsSection->addWidget(closeBox_);
    optionsSection->addWidget(style::label(
        QStringLiteral(
            "Gracefully quits other apps when restoring (unsaved work will prompt to save)"),
        style::Text::smallCaption, true));
    column->addLayout(optionsSection);
}

QWidget* LayoutEditView::buildInfoChips() {
    auto* holder = new QWidget(this);
    holder->setObjectName("editorInfoChips");
    auto* row = new QHBoxLayout(holder);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    if (layout_.displayConfiguration) {
        row->addWidget(
            chip(QStringLiteral("displayChip"), "display",
                 plural(layout_.displayConfiguration->displays.size(), QStringLiteral("display")),
                 style::secondary()));
    }
    const SpaceSummary summary = LayoutManager::spaceSummary(layout_);
    if (summary.spansMultipleSpaces) {
        row->addWidget(
            chip(QStringLiteral("spaceChip"), "square.stack.3d.up",
                 QStringLiteral("Multiple %1").arg(platformWords(context_.session).Workspaces),
                 style::purple()));
    } else if (summary.spaceIndex) {
        row->addWidget(chip(QStringLiteral("spaceChip"), "square.stack.3d.up",
                            QStringLiteral("%1 %2")
                                .arg(platformWords(context_.session).Workspace)
                                .arg(*summary.spaceIndex),
                            style::blue()));
    }
    if (summary.stickyWindowCount >= 1) {
        row->addWidget(chip(QStringLiteral("stickyChip"), "square.stack.3d.forward.dottedline",
                            QStringLiteral("%1 sticky").arg(summary.stickyWindowCount),
                            style::orange()));
    }
    row->addStretch(1);
    return holder;
}

QWidget* LayoutEditView::buildWindowList() {
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("editorWindowList");
    scroll->setFixedHeight(90);
    scroll->setWidgetResizable(true);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setStyleSheet(QStringLiteral("QScrollArea#editorWindowList { background: %1; "
                                         "border: none; border-radius: 6px; }")
                              .arg(style::rgba(style::secondary(), 0.1)));
    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    auto* lines = new QVBoxLayout(content);
    lines->setContentsMargins(6, 6, 6, 6);
    lines->setSpacing(4);
    for (const auto& window : layout_.windows) {
        auto* line = new QWidget(content);
        line->setObjectName("editorWindowLine");
        auto* row = new QHBoxLayout(line);
        row->setContentsMargins(0, 0, 0, 0);
        auto* icon = new QLabel(line);
        icon->setPixmap(icons::symbolPixmap("app.fill", 12, style::secondary()));
        row->addWidget(icon, 0, Qt::AlignTop);
        auto* text = new QVBoxLayout;
        text->setSpacing(0);
        auto* appLine = new QHBoxLayout;
        appLine->setSpacing(4);
        auto* appName = style::label(QString::fromStdString(window.appName), style::Text::caption);
        appName->setObjectName("editorWindowApp");
        appLine->addWidget(appName);
        QString badgeText;
        QColor badgeColor;
        if (window.isOnAllSpaces) {
            badgeText = QStringLiteral("All");
            badgeColor = style::purple();
        } else if (window.spaceIndex) {
            // "W2": workspace 2.
            badgeText = QStringLiteral("%1%2")
                            .arg(platformWords(context_.session).Workspace.left(1))
                            .arg(*window.spaceIndex);
            badgeColor = style::blue();
        }
        if (!badgeText.isEmpty()) {
            auto* badge = new QLabel(badgeText, line);
            badge->setObjectName("editorSpaceBadge");
            QFont font = badge->font();
            font.setPixelSize(9);
            badge->setFont(font);
            style::setTextColor(badge, badgeColor);
            badge->setStyleSheet(
                QStringLiteral("QLabel { background: %1; border-radius: 3px; padding: 0px 3px; }")
                    .arg(style::rgba(badgeColor, 0.2)));
            appLine->addWidget(badge);
        }
        appLine->addStretch(1);
        text->addLayout(appLine);
        if (window.windowTitle && !window.windowTitle->empty()) {
            auto* title = style::label(QString::fromStdString(*window.windowTitle),
                                       style::Text::smallCaption, true);
            title->setObjectName("editorWindowTitle");
            text->addWidget(title);
        }
        row->addLayout(text, 1);
        auto* size = style::label(sizeText(window.frameWidth, window.frameHeight),
                                  style::Text::smallCaption, true);
        size->setObjectName("editorWindowSize");
        row->addWidget(size, 0, Qt::AlignTop);
        lines->addWidget(line);
    }
    lines->addStretch(1);
    scroll->setWidget(content);
    return scroll;
}

void LayoutEditView::updateShortcutRow() {
    const bool hasShortcut = recordedKeyCode_.has_value() && recordedModifiers_.has_value();
    shortcutText_->setVisible(!isRecordingShortcut_ && hasShortcut);
    clearButton_->setVisible(!isRecordingShortcut_ && hasShortcut);
    notSetLabel_->setVisible(!isRecordingShortcut_ && !hasShortcut);
    recordButton_->setVisible(!isRecordingShortcut_);
    if (hasShortcut)
        shortcutText_->setText(
            shortcutText(context_.hotkeys, *recordedKeyCode_, *recordedModifiers_));
    // The stored shortcut, unchanged, that could not be registered.
    const auto failure = context_.hotkeys.failureOf(layout_.id);
    const bool stored = recordedKeyCode_ == layout_.shortcutKeyCode &&
                        recordedModifiers_ == layout_.shortcutModifiers;
    shortcutWarning_->setVisible(!isRecordingShortcut_ && hasShortcut && stored && failure);
    shortcutWarning_->setToolTip(failure ? QString::fromStdString(failure->text()) : QString());

    if (isRecordingShortcut_ && recorder_ == nullptr) {
        recorder_ = new ShortcutRecorder(&context_.hotkeys, layout_.id, this);
        recorder_->onShortcutRecorded = [this](std::uint16_t keyCode, std::uint64_t modifiers) {
            recordedKeyCode_ = keyCode;
            recordedModifiers_ = modifiers;
            isRecordingShortcut_ = false;
            updateShortcutRow();
        };
        recorder_->onCancel = [this] {
            isRecordingShortcut_ = false;
            updateShortcutRow();
        };
        shortcutRow_->insertWidget(0, recorder_);
        recorder_->show();
        recorder_->requestFocusSoon();
    } else if (!isRecordingShortcut_ && recorder_ != nullptr) {
        // The recorder may be inside its own key handler: let it return first. Hiding it
        // registers the hotkeys again, which redraws this row: it must be gone from here first.
        ShortcutRecorder* done = std::exchange(recorder_, nullptr);
        done->hide();
        done->deleteLater();
    }
}

void LayoutEditView::updateSaveEnabled() {
    saveButton_->setEnabled(!trimBlanks(nameField_->text()).isEmpty());
}

void LayoutEditView::startRecording() {
    isRecordingShortcut_ = true;
    updateShortcutRow();
}

void LayoutEditView::clearShortcut() {
    recordedKeyCode_.reset();
    recordedModifiers_.reset();
    updateShortcutRow();
}

void LayoutEditView::save() {
    const QString name = trimBlanks(nameField_->text());
    if (name.isEmpty() || closing_) return;
    closing_ = true;
    // Only what the editor edits changes: the layout as it is now (a recapture may have replaced
    // its windows and displays since the editor opened) takes the edited fields.
    WindowLayout edited = layout_;
    for (const auto& current : context_.layoutManager.layouts.get())
        if (current.id == layout_.id) edited = current;
    edited.name = name.toStdString();
    edited.triggerOnDisplayChange = triggerBox_->isChecked();
    edited.launchMissingApps = launchBox_->isChecked();
    edited.closeOtherApps = closeBox_->isChecked();
    edited.restoreAtLogin = restoreAtLoginBox_->isChecked();
    edited.triggerApps = triggerApps_->apps();
    edited.shortcutKeyCode = recordedKeyCode_;
    edited.shortcutModifiers = recordedModifiers_;
    (void)context_.commands.update(std::move(edited));
    window()->close();
}

void LayoutEditView::cancel() {
    closing_ = true;
    window()->close();
}

LayoutEditView* LayoutEditView::openWindow(UiContext& context, const WindowLayout& layout) {
    auto* view = new LayoutEditView(context, layout);
    view->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         Qt::WindowMinMaxButtonsHint);
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->setObjectName("editLayoutWindow");
    view->setWindowTitle(QStringLiteral("Edit Layout"));
    view->setMinimumSize(380, 720);
    view->resize(380, 760);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        view->move(available.center() - QPoint(190, 380));
    }
    view->show();
    view->raise();
    view->activateWindow();
    return view;
}

}  // namespace vantrel
