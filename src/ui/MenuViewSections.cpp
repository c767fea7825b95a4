// The layout menu's sections, built once: the banner, the empty state, saving and quick layouts,
// the footer, the save sheet and the restoring overlay.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/Icons.h"
#include "ui/LayoutEditView.h"
#include "ui/MenuView.h"
#include "ui/PermissionHelp.h"
#include "ui/PlatformWords.h"
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

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A button's label: the name without what the drawn icon already says ("Left Half" → "Left",
// "Top Left" stays, "Left Third" → "Left ⅓"), so no two buttons read alike.
QString quickLabel(PresetLayout preset) {
    QString name = qText(displayName(preset));
    name.replace(QStringLiteral(" Two Thirds"), QStringLiteral(" \u2154"));
    name.replace(QStringLiteral(" Third"), QStringLiteral(" \u2153"));
    name.remove(QStringLiteral(" Half"));
    // Two lines where one would not fit a quarter of the menu ("Bottom Right").
    if (name.size() > 7) name.replace(QLatin1Char(' '), QLatin1Char('\n'));
    return name;
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

QWidget* MenuView::buildBanner() {
    auto* banner = new QWidget;
    banner->setObjectName("accessibilityBanner");
    banner->setMinimumHeight(200);
    auto* column = new QVBoxLayout(banner);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(8);
    // Centred by stretches, not by alignment: wrapped lines then get their full height.
    column->addStretch(1);
    column->addWidget(symbolLabel("lock.shield.fill", 40, style::orange()));
    const PlatformWords& words = platformWords(context_.session);
    auto* title = style::label(words.needTitle, style::Text::headline);
    title->setObjectName("bannerTitle");
    title->setAlignment(Qt::AlignCenter);
    column->addWidget(title);
    auto* text = style::label(words.needReason, style::Text::caption, true);
    text->setObjectName("bannerText");
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    column->addWidget(text);
    auto* platformText = style::label(words.needDetail, style::Text::smallCaption, true);
    platformText->setObjectName("bannerPlatformText");
    platformText->setAlignment(Qt::AlignCenter);
    platformText->setWordWrap(true);
    column->addWidget(platformText);
    auto* grant = new QPushButton(words.checkButton);
    grant->setObjectName("bannerGrantButton");
    grant->setDefault(true);
    connect(grant, &QPushButton::clicked, this, [this] {
        context_.windowService.requestAccessibilityPermission();
        showWindowManagerHelp(context_, window());
    });
    auto* settings = new QPushButton(words.helpButton);
    settings->setObjectName("bannerSettingsButton");
    connect(settings, &QPushButton::clicked, this,
            [this] { showWindowManagerHelp(context_, window()); });
    column->addWidget(grant, 0, Qt::AlignCenter);
    column->addWidget(settings, 0, Qt::AlignCenter);
    column->addStretch(1);
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
        button->setIconSize(QSize(22, 22));
        button->setText(quickLabel(preset));
        style::applyText(button, style::Text::caption);
        button->setToolTip(
            QStringLiteral("%1 (%2)").arg(qText(displayName(preset)), qText(helpText(preset))));
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

}  // namespace vantrel
