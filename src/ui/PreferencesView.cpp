// The three tabs, and the preset rows' recorder binding.
#include "ui/PreferencesView.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <chrono>

#include "core/Constants.h"
#include "ui/Icons.h"
#include "ui/PermissionHelp.h"
#include "ui/PlatformWords.h"
#include "ui/ShortcutRecorder.h"
#include "ui/ShortcutText.h"
#include "ui/Style.h"

namespace vantrel {
namespace {

QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

PreferencesView::PreferencesView(UiContext& context, QWidget* parent)
    : QWidget(parent), context_(context), bridge_(this) {
    setObjectName("preferencesView");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName("preferencesTabs");
    tabs_->addTab(buildGeneralTab(), icons::symbol("gear"), QStringLiteral("General"));
    tabs_->addTab(buildShortcutsTab(), icons::symbol("keyboard"), QStringLiteral("Shortcuts"));
    tabs_->addTab(buildAboutTab(), icons::symbol("info.circle"), QStringLiteral("About"));
    column->addWidget(tabs_);

    bridge_.watchAndApply(context_.windowService.hasAccessibilityPermission,
                          [this](bool granted) { applyPermission(granted); });
    auto launchView = context_.preferences.launchAtLoginPublisher();
    bridge_.watchAndApply(launchView, [this](bool on) {
        const QSignalBlocker blocker(launchAtLogin_);
        launchAtLogin_->setChecked(on);
    });
    auto updatesView = context_.preferences.checkForUpdatesPublisher();
    bridge_.watchAndApply(updatesView, [this](bool on) {
        const QSignalBlocker blocker(checkForUpdates_);
        checkForUpdates_->setChecked(on);
    });
    auto shortcutsView = context_.preferences.presetShortcutsPublisher();
    bridge_.watch(shortcutsView, [this](const PresetShortcutMap&) { rebuildPresetRows(); });
    // Registration results and keyboard labels change the rows too; not while one records.
    bridge_.watch(context_.hotkeys.failures, [this](const std::vector<ShortcutFailure>&) {
        if (!recordingPreset_) rebuildPresetRows();
    });
    if (context_.updates != nullptr) {
        bridge_.watchAndApply(context_.updates->canCheckForUpdates(),
                              [this](bool can) { checkNow_->setEnabled(can); });
    } else {
        checkNow_->setEnabled(false);
    }
    rebuildPresetRows();
}

QWidget* PreferencesView::buildGeneralTab() {
    auto* tab = new QWidget;
    tab->setObjectName("generalTab");
    auto* column = new QVBoxLayout(tab);
    column->setContentsMargins(16, 16, 16, 16);

    auto* startup = new QGroupBox(QStringLiteral("Startup"));
    startup->setObjectName("startupGroup");
    auto* startupColumn = new QVBoxLayout(startup);
    startupColumn->setSpacing(8);
    launchAtLogin_ = new QCheckBox(QStringLiteral("Launch at login"));
    launchAtLogin_->setObjectName("launchAtLoginBox");
    connect(launchAtLogin_, &QCheckBox::toggled, this,
            [this](bool on) { context_.preferences.setLaunchAtLogin(on); });
    checkForUpdates_ = new QCheckBox(QStringLiteral("Check for updates automatically"));
    checkForUpdates_->setObjectName("checkForUpdatesBox");
    connect(checkForUpdates_, &QCheckBox::toggled, this,
            [this](bool on) { context_.preferences.setCheckForUpdates(on); });
    checkNow_ = new QPushButton(QStringLiteral("Check for Updates Now"));
    checkNow_->setObjectName("checkNowButton");
    connect(checkNow_, &QPushButton::clicked, this, [this] {
        if (context_.updates != nullptr) context_.updates->checkForUpdatesNow();
    });
    startupColumn->addWidget(launchAtLogin_);
    startupColumn->addWidget(checkForUpdates_);
    startupColumn->addWidget(checkNow_, 0, Qt::AlignLeft);
    column->addWidget(startup);

    auto* accessibility = new QGroupBox(platformWords(context_.session).needName);
    accessibility->setObjectName("accessibilityGroup");
    auto* row = new QHBoxLayout(accessibility);
    permissionIcon_ = new QLabel;
    permissionIcon_->setObjectName("permissionIcon");
    permissionText_ = new QLabel;
    permissionText_->setObjectName("permissionText");
    grantAccess_ = new QPushButton(platformWords(context_.session).checkButton);
    grantAccess_->setObjectName("grantAccessButton");
    connect(grantAccess_, &QPushButton::clicked, this, [this] {
        context_.windowService.requestAccessibilityPermission();
        showWindowManagerHelp(context_, window());
    });
    row->addWidget(permissionIcon_);
    row->addWidget(permissionText_);
    row->addStretch(1);
    row->addWidget(grantAccess_);
    column->addWidget(accessibility);
    column->addStretch(1);
    return tab;
}

QWidget* PreferencesView::buildShortcutsTab() {
    auto* tab = new QWidget;
    tab->setObjectName("shortcutsTab");
    auto* column = new QVBoxLayout(tab);
    column->setContentsMargins(8, 8, 8, 8);
    column->addWidget(
        style::label(QStringLiteral("Quick Layout Shortcuts"), style::Text::caption, true));
    auto* scroll = new QScrollArea;
    scroll->setObjectName("presetShortcutList");
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    presetList_ = new QWidget;
    presetLayout_ = new QVBoxLayout(presetList_);
    presetLayout_->setContentsMargins(0, 0, 0, 0);
    presetLayout_->setSpacing(2);
    scroll->setWidget(presetList_);
    column->addWidget(scroll, 1);
    return tab;
}

QWidget* PreferencesView::buildAboutTab() {
    auto* tab = new QWidget;
    tab->setObjectName("aboutTab");
    auto* column = new QVBoxLayout(tab);
    column->setContentsMargins(16, 16, 16, 16);
    column->setAlignment(Qt::AlignCenter);
    column->setSpacing(8);
    auto* icon = new QLabel;
    icon->setPixmap(icons::appPixmap(64));
    icon->setAlignment(Qt::AlignCenter);
    column->addWidget(icon);
    auto* name = style::label(QString::fromLatin1(constants::kAppName), style::Text::title2);
    name->setObjectName("aboutName");
    name->setAlignment(Qt::AlignCenter);
    column->addWidget(name);
    auto* version = style::label(versionText(context_), style::Text::caption, true);
    version->setObjectName("aboutVersion");
    version->setAlignment(Qt::AlignCenter);
    column->addWidget(version);
    auto* links = new QHBoxLayout;
    links->setAlignment(Qt::AlignCenter);
    auto* website = new QPushButton(QStringLiteral("Website"));
    website->setObjectName("websiteButton");
    website->setFlat(true);
    connect(website, &QPushButton::clicked, this, [this] {
        if (context_.openLink) (void)context_.openLink(QString::fromLatin1(constants::kWebsiteURL));
    });
    auto* support = new QPushButton(QStringLiteral("Support"));
    support->setObjectName("supportButton");
    support->setFlat(true);
    connect(support, &QPushButton::clicked, this, [this] {
        if (context_.openLink) (void)context_.openLink(QString::fromLatin1(constants::kSupportURL));
    });
    links->addWidget(website);
    links->addWidget(support);
    column->addLayout(links);
    auto* copyright =
        style::label(copyrightText(context_.clock.wallNow()), style::Text::smallCaption, true);
    copyright->setObjectName("copyrightLabel");
    copyright->setAlignment(Qt::AlignCenter);
    column->addWidget(copyright);
    return tab;
}

QString PreferencesView::copyrightText(Date now) {
    const auto days = std::chrono::floor<std::chrono::days>(now);
    const std::chrono::year_month_day date{std::chrono::sys_days{days}};
    return QStringLiteral("\u00A9 %1 Vantrel. All rights reserved.")
        .arg(static_cast<int>(date.year()));
}

void PreferencesView::applyPermission(bool granted) {
    permissionIcon_->setPixmap(
        icons::symbolPixmap(granted ? "checkmark.circle.fill" : "xmark.circle.fill", 16,
                            granted ? style::green() : style::red()));
    permissionText_->setText(granted ? platformWords(context_.session).needMet
                                     : platformWords(context_.session).needMissing);
    grantAccess_->setVisible(!granted);
}

void PreferencesView::rebuildPresetRows() {
    // Hiding a recorder registers the hotkeys again, which asks for a rebuild: this one will do.
    if (rebuildingRows_) return;
    const QScopedValueRollback guard(rebuildingRows_, true);
    // Rows are remade from the state; the recorder of a finished recording may still be running
    // its key handler, so old rows are deleted later.
    while (QLayoutItem* item = presetLayout_->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->setParent(nullptr);
            widget->deleteLater();
        }
        delete item;
    }
    const PresetShortcutMap shortcuts = context_.preferences.presetShortcuts();
    for (const PresetLayout preset : allPresetLayouts()) {
        const QString raw = fromView(rawValue(preset));
        auto* row = new QWidget(presetList_);
        row->setObjectName(QStringLiteral("presetRow:") + raw);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(4, 0, 4, 0);
        auto* icon = new QLabel(row);
        icon->setFixedWidth(20);
        icon->setPixmap(icons::presetPixmap(preset, 16, style::accent()));
        line->addWidget(icon);
        auto* name = style::label(fromView(displayName(preset)), style::Text::callout);
        name->setFixedWidth(100);
        line->addWidget(name);
        const bool recording = recordingPreset_ == rawValue(preset);
        if (recording) {
            auto* recorder = new ShortcutRecorder(&context_.hotkeys, preset, row);
            recorder->onShortcutRecorded = [this](std::uint16_t keyCode, std::uint64_t modifiers) {
                recordedKeyCode_ = keyCode;
                recordedModifiers_ = modifiers;
                finishRecording();
            };
            recorder->onCancel = [this] { finishRecording(); };
            line->addWidget(recorder);
            recorder->requestFocusSoon();
        } else if (const auto it = shortcuts.find(rawValue(preset)); it != shortcuts.end()) {
            auto* text = new QLabel(
                shortcutText(context_.hotkeys, it->second.keyCode, it->second.modifiers), row);
            text->setObjectName("presetShortcutText");
            QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
            mono.setPointSizeF(text->font().pointSizeF() * 0.85);
            text->setFont(mono);
            text->setStyleSheet(
                QStringLiteral("QLabel { background: %1; border-radius: 4px; padding: 2px 6px; }")
                    .arg(style::rgba(style::secondary(), 0.2)));
            line->addWidget(text);
            if (const auto failure = context_.hotkeys.failureOf(preset)) {
                auto* mark = notWorkingMark(row);
                mark->setObjectName("presetShortcutWarning");
                mark->setToolTip(QString::fromStdString(failure->text()));
                line->addWidget(mark);
            }
            auto* clear = new QToolButton(row);
            clear->setObjectName("presetClearButton");
            clear->setAutoRaise(true);
            clear->setIcon(QIcon(icons::symbolPixmap("xmark.circle.fill", 14, style::secondary())));
            connect(clear, &QToolButton::clicked, this, [this, preset] { clearShortcut(preset); });
            line->addWidget(clear);
        } else {
            auto* none = style::label(QStringLiteral("None"), style::Text::caption, true);
            none->setObjectName("presetNone");
            line->addWidget(none);
        }
        line->addStretch(1);
        if (!recording) {
            auto* set = new QPushButton(QStringLiteral("Set"), row);
            set->setObjectName("presetSetButton");
            connect(set, &QPushButton::clicked, this, [this, preset] { startRecording(preset); });
            line->addWidget(set);
        }
        presetLayout_->addWidget(row);
    }
    presetLayout_->addStretch(1);
}

void PreferencesView::startRecording(PresetLayout preset) {
    // Moving the recording to another row stores nothing for the first.
    recordingPreset_ = std::string(rawValue(preset));
    recordedKeyCode_.reset();
    recordedModifiers_.reset();
    rebuildPresetRows();
}

void PreferencesView::finishRecording() {
    const auto raw = recordingPreset_;
    const auto keyCode = recordedKeyCode_;
    const auto modifiers = recordedModifiers_;
    recordingPreset_.reset();
    recordedKeyCode_.reset();
    recordedModifiers_.reset();
    if (raw && keyCode && modifiers) {
        auto map = context_.preferences.presetShortcuts();
        map.insert_or_assign(*raw, PresetShortcut{*keyCode, *modifiers});
        // Rebuilds the rows through the store's announcement.
        context_.preferences.setPresetShortcuts(std::move(map));
        return;
    }
    rebuildPresetRows();
}

void PreferencesView::clearShortcut(PresetLayout preset) {
    context_.preferences.setPresetShortcut(preset, std::nullopt);
}

PreferencesView* PreferencesView::openWindow(UiContext& context) {
    auto* view = new PreferencesView(context);
    view->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->setObjectName("preferencesWindow");
    view->setWindowTitle(QStringLiteral("Preferences"));
    view->resize(400, 380);
    // Escape closes, as in every settings window; a recorder that listens takes it first.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), view);
    QObject::connect(escape, &QShortcut::activated, view, &QWidget::close);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        view->move(screen->availableGeometry().center() - QPoint(200, 190));
    }
    view->show();
    view->raise();
    view->activateWindow();
    return view;
}

}  // namespace vantrel
