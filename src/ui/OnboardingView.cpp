// The three onboarding pages and their navigation bar.
#include "ui/OnboardingView.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "ui/Icons.h"
#include "ui/PermissionHelp.h"
#include "ui/PlatformWords.h"
#include "ui/Style.h"

namespace vantrel {
namespace {

QLabel* pageSymbol(std::string_view name, const QColor& color) {
    auto* label = new QLabel;
    label->setPixmap(icons::symbolPixmap(name, 64, color));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QLabel* pageTitle(const QString& text, style::Text textStyle, const char* objectName) {
    auto* label = style::label(text, textStyle);
    style::applyText(label, textStyle, true);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QLabel* explanation(const QString& text) {
    auto* label = style::label(text, style::Text::body, true);
    label->setObjectName("pageExplanation");
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setContentsMargins(40, 0, 40, 0);
    return label;
}

QLabel* dot() {
    auto* label = new QLabel;
    label->setFixedSize(8, 8);
    return label;
}

}  // namespace

OnboardingView::OnboardingView(UiContext& context, std::function<void()> onComplete,
                               QWidget* parent)
    : QWidget(parent), context_(context), onComplete_(std::move(onComplete)), bridge_(this) {
    setObjectName("onboardingView");
    auto* column = new QVBoxLayout(this);
    pages_ = new QStackedWidget(this);
    pages_->setObjectName("onboardingPages");
    pages_->addWidget(buildWelcomePage());
    pages_->addWidget(buildPermissionPage());
    pages_->addWidget(buildDonePage());
    column->addWidget(pages_, 1);

    auto* nav = new QHBoxLayout;
    backButton_ = new QPushButton(QStringLiteral("Back"), this);
    backButton_->setObjectName("onboardingBack");
    connect(backButton_, &QPushButton::clicked, this, [this] { back(); });
    nav->addWidget(backButton_);
    nav->addStretch(1);
    auto* dotsRow = new QHBoxLayout;
    dotsRow->setSpacing(6);
    for (auto*& d : dots_) {
        d = dot();
        dotsRow->addWidget(d);
    }
    nav->addLayout(dotsRow);
    nav->addStretch(1);
    continueButton_ = new QPushButton(QStringLiteral("Continue"), this);
    continueButton_->setObjectName("onboardingContinue");
    continueButton_->setDefault(true);
    connect(continueButton_, &QPushButton::clicked, this, [this] { next(); });
    getStartedButton_ = new QPushButton(QStringLiteral("Get Started"), this);
    getStartedButton_->setObjectName("onboardingGetStarted");
    connect(getStartedButton_, &QPushButton::clicked, this, [this] { getStarted(); });
    nav->addWidget(continueButton_);
    nav->addWidget(getStartedButton_);
    // "Back" keeps its place while hidden, so the dots stay centred.
    QSizePolicy keep = backButton_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    backButton_->setSizePolicy(keep);
    column->addLayout(nav);

    bridge_.watchAndApply(context_.windowService.hasAccessibilityPermission,
                          [this](bool granted) { applyPermission(granted); });
    showPage();
}

QWidget* OnboardingView::buildWelcomePage() {
    auto* page = new QWidget;
    page->setObjectName("onboardingWelcomePage");
    auto* column = new QVBoxLayout(page);
    // Vertically centred; full width, so wrapped text keeps its 40-point side margins.
    column->setAlignment(Qt::AlignVCenter);
    column->setSpacing(16);
    column->addWidget(pageSymbol("rectangle.3.group.fill", style::accent()));
    column->addWidget(
        pageTitle(QStringLiteral("Welcome to Vantrel"), style::Text::title, "welcomeTitle"));
    column->addWidget(explanation(QStringLiteral(
        "Save and restore your window arrangements with a single click or keyboard shortcut.")));
    return page;
}

QWidget* OnboardingView::buildPermissionPage() {
    auto* page = new QWidget;
    page->setObjectName("onboardingPermissionPage");
    auto* column = new QVBoxLayout(page);
    // Vertically centred; full width, so wrapped text keeps its 40-point side margins.
    column->setAlignment(Qt::AlignVCenter);
    column->setSpacing(16);
    column->addWidget(pageSymbol("lock.shield.fill", style::orange()));
    column->addWidget(pageTitle(platformWords(context_.session).needName, style::Text::title2,
                                "permissionTitle"));
    column->addWidget(explanation(platformWords(context_.session).needPurpose));

    grantedRow_ = new QWidget;
    grantedRow_->setObjectName("permissionGrantedRow");
    auto* granted = new QHBoxLayout(grantedRow_);
    granted->setAlignment(Qt::AlignCenter);
    auto* check = new QLabel;
    check->setPixmap(icons::symbolPixmap("checkmark.circle.fill", 16, style::green()));
    granted->addWidget(check);
    auto* grantedText = new QLabel(platformWords(context_.session).needMetExclaimed);
    grantedText->setObjectName("permissionGrantedText");
    style::setTextColor(grantedText, style::green());
    granted->addWidget(grantedText);
    column->addWidget(grantedRow_);

    permissionButtons_ = new QWidget;
    permissionButtons_->setObjectName("permissionButtons");
    auto* buttons = new QVBoxLayout(permissionButtons_);
    buttons->setSpacing(12);
    buttons->setAlignment(Qt::AlignCenter);
    auto* grant = new QPushButton(platformWords(context_.session).checkButton);
    grant->setObjectName("onboardingGrantButton");
    connect(grant, &QPushButton::clicked, this, [this] {
        context_.windowService.requestAccessibilityPermission();
        showWindowManagerHelp(context_, window());
    });
    auto* settings = new QPushButton(platformWords(context_.session).helpButton);
    settings->setObjectName("onboardingSettingsButton");
    connect(settings, &QPushButton::clicked, this,
            [this] { showWindowManagerHelp(context_, window()); });
    buttons->addWidget(grant);
    buttons->addWidget(settings);
    column->addWidget(permissionButtons_);
    return page;
}

QWidget* OnboardingView::buildDonePage() {
    auto* page = new QWidget;
    page->setObjectName("onboardingDonePage");
    auto* column = new QVBoxLayout(page);
    // Vertically centred; full width, so wrapped text keeps its 40-point side margins.
    column->setAlignment(Qt::AlignVCenter);
    column->setSpacing(16);
    column->addWidget(pageSymbol("checkmark.circle.fill", style::green()));
    column->addWidget(
        pageTitle(QStringLiteral("You're All Set!"), style::Text::title2, "doneTitle"));
    auto* tips = new QVBoxLayout;
    tips->setSpacing(12);
    const QString trayTip = QStringLiteral("Click the %1 to save layouts")
                                .arg(platformWords(context_.session).trayIcon);
    for (const auto& [symbol, text] :
         {std::pair{"plus.circle", trayTip},
          std::pair{"arrow.counterclockwise",
                    QStringLiteral("Double-click a layout to restore it")},
          std::pair{"keyboard", QStringLiteral("Set keyboard shortcuts for quick access")}}) {
        auto* tip = new QWidget;
        tip->setObjectName("onboardingTip");
        tip->setAttribute(Qt::WA_StyledBackground);
        tip->setStyleSheet(QStringLiteral("#onboardingTip { background: %1; border-radius: 8px; }")
                               .arg(style::rgba(style::secondary(), 0.1)));
        auto* row = new QHBoxLayout(tip);
        auto* icon = new QLabel;
        icon->setFixedWidth(24);
        icon->setAlignment(Qt::AlignCenter);
        icon->setPixmap(icons::symbolPixmap(symbol, 16, style::accent()));
        row->addWidget(icon);
        auto* label = style::label(text, style::Text::callout);
        label->setObjectName("onboardingTipText");
        row->addWidget(label, 1);
        tips->addWidget(tip);
    }
    auto* tipsHolder = new QHBoxLayout;
    tipsHolder->setContentsMargins(40, 0, 40, 0);
    tipsHolder->addLayout(tips);
    column->addLayout(tipsHolder);
    return page;
}

void OnboardingView::keyPressEvent(QKeyEvent* event) {
    // Default buttons answer Return only in dialogs; this window is not one.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        (currentPage_ < kPageCount - 1 ? continueButton_ : getStartedButton_)->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void OnboardingView::applyPermission(bool granted) {
    grantedRow_->setVisible(granted);
    permissionButtons_->setVisible(!granted);
}

void OnboardingView::showPage() {
    pages_->setCurrentIndex(currentPage_);
    backButton_->setVisible(currentPage_ >= 1);
    continueButton_->setVisible(currentPage_ < kPageCount - 1);
    getStartedButton_->setVisible(currentPage_ == kPageCount - 1);
    (currentPage_ < kPageCount - 1 ? continueButton_ : getStartedButton_)->setDefault(true);
    for (int i = 0; i < kPageCount; ++i) {
        QColor color = style::secondary();
        if (i == currentPage_) {
            color = style::accent();
        } else {
            color.setAlphaF(0.3f);
        }
        dots_[i]->setStyleSheet(QStringLiteral("QLabel { background: %1; border-radius: 4px; }")
                                    .arg(style::rgba(color, color.alphaF())));
    }
}

void OnboardingView::back() {
    if (currentPage_ <= 0) return;
    --currentPage_;
    showPage();
}

void OnboardingView::next() {
    if (currentPage_ >= kPageCount - 1) return;
    ++currentPage_;
    showPage();
}

void OnboardingView::getStarted() {
    if (onComplete_) onComplete_();
    window()->close();
}

OnboardingView* OnboardingView::openWindow(UiContext& context, std::function<void()> onComplete) {
    auto* view = new OnboardingView(context, std::move(onComplete));
    view->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->setObjectName("welcomeWindow");
    view->setWindowTitle(QStringLiteral("Welcome to Vantrel"));
    view->setFixedSize(500, 400);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        view->move(screen->availableGeometry().center() - QPoint(250, 200));
    }
    view->show();
    view->raise();
    view->activateWindow();
    return view;
}

}  // namespace vantrel
