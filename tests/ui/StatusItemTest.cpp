// The status item (toggling, its menu, the window without a tray) and the welcome window.
#include <QSystemTrayIcon>
#include <QTest>

#include "UiFixture.h"
#include "ui/OnboardingView.h"
#include "ui/TrayIcon.h"
#include "ui/TrayMenu.h"

namespace vantrel::testing {
namespace {

using StatusItemTest = UiTest;

TEST_F(StatusItemTest, TheIconTogglesThePopupAndItsMenuRestoresLayoutsAndAppliesQuickLayouts) {
    auto work = layoutOf("Work & Play", 1, {10, 20, 500, 400});
    work.shortcutKeyCode = 18;
    work.shortcutModifiers = modifier::kControl | modifier::kOption;
    h.writeLayoutFile({work});
    launch();
    ASSERT_TRUE(controller().hasTray());
    // The icon toggles the popup, which showing keeps.
    controller().togglePopover();
    EXPECT_TRUE(controller().popover().windowFlags().testFlag(Qt::Popup));
    controller().showPopover();
    EXPECT_TRUE(controller().isPopoverShown());
    controller().togglePopover();
    EXPECT_FALSE(controller().isPopoverShown());
    TrayMenu* tray = controller().trayMenu();
    ASSERT_EQ(controller().trayIcon()->contextMenu(), tray);
    emit tray->aboutToShow();
    QStringList entries;
    for (QAction* action : tray->actions()) entries << action->text();
    EXPECT_EQ(entries, (QStringList{"Window Layouts", "", "Work && Play\tCtrl+Alt+1", "",
                                    "Quick Layouts", "", "Preferences...", "", "Quit Vantrel"}));
    const auto action = [tray](const QString& name) { return tray->findChild<QAction*>(name); };
    action("trayLayoutAction")->trigger();
    h.loop.runPending();
    EXPECT_EQ(h.frameOf(live), (Rect{10, 20, 500, 400}));
    // All fifteen positions, each with its icon.
    EXPECT_EQ(tray->findChild<QMenu*>("trayQuickLayouts")->actions().size(), 15);
    action("trayPresetAction:Left Half")->trigger();
    h.loop.runPending();
    EXPECT_EQ(h.frameOf(live), (Rect{0, 0, 960, 1080}));
    action("trayOpenAction")->trigger();
    EXPECT_TRUE(controller().isPopoverShown());
    action("trayPreferencesAction")->trigger();
    EXPECT_EQ(windows("preferencesWindow").size(), 1);
}

// The tray draws the icon at each size and scale it asks for, never a scaled bitmap, in ink
// that stands out from the panel.
TEST_F(StatusItemTest, TheTrayIconIsDrawnForEachScaleInInkThatReadsOnThePanel) {
    EXPECT_GT(trayInk(Qt::black).lightnessF(), 0.8);
    EXPECT_LT(trayInk(Qt::white).lightnessF(), 0.2);
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
    const QPixmap crisp = trayIcon(dark).pixmap(QSize(22, 22), 2.0);
    EXPECT_EQ(crisp.size(), QSize(44, 44));
    const QImage image = crisp.toImage();
    int lightest = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 255)
                lightest = std::max(lightest, qGray(image.pixel(x, y)));
    EXPECT_GT(lightest, 200);
}

TEST_F(StatusItemTest, WithoutATrayTheMenuOpensAsAWindowSaysSoOnceAndClosingItQuits) {
    // A first start opens the welcome window alone; the menu's window follows it.
    h.defaults.setBool("hasCompletedOnboarding", false);
    launch(false);
    EXPECT_FALSE(controller().hasTray());
    h.loop.runPending();
    EXPECT_FALSE(controller().isPopoverShown());
    EXPECT_TRUE(dialogs.asked.empty());
    windows("welcomeWindow").value(0)->close();
    flushDeletes();
    h.loop.runPending();
    EXPECT_TRUE(controller().isPopoverShown());
    EXPECT_FALSE(controller().popover().windowFlags().testFlag(Qt::Popup));
    ASSERT_EQ(dialogs.asked.size(), 1U);
    EXPECT_EQ(dialogs.asked[0].title, "No System Tray");
    controller().showPopover();
    h.loop.runPending();
    EXPECT_EQ(dialogs.asked.size(), 1U);
    // Closing the window is quitting: there is no icon to bring it back.
    controller().popover().close();
    EXPECT_EQ(quits, 1);
}

using OnboardingTest = UiTest;

// The texts of the pages are walked with every other view's (PlatformWordsTest); the order of
// the launch steps and the popover after the welcome window are the core's (AppScenarioTest).
TEST_F(OnboardingTest, FirstLaunchOpensTheWelcomeWindowAndGetStartedEndsIt) {
    h.defaults.remove("hasCompletedOnboarding");
    launch();
    auto* view = shell->welcomeWindow();
    ASSERT_TRUE(view != nullptr && view->isVisible());
    EXPECT_FALSE(shown(view, "onboardingBack"));
    click(view, "onboardingContinue");
    QTest::keyClick(view, Qt::Key_Return);  // the window's default button
    EXPECT_EQ(view->currentPage(), 2);
    EXPECT_FALSE(shown(view, "onboardingContinue"));
    click(view, "onboardingBack");
    EXPECT_EQ(view->currentPage(), 1);
    view->next();
    click(view, "onboardingGetStarted");
    flushDeletes();
    EXPECT_TRUE(h.defaults.boolForKey("hasCompletedOnboarding"));
    EXPECT_EQ(windows("welcomeWindow").size(), 0);
}

// The permission page switches by itself when the permission arrives; closing the window
// leaves onboarding pending.
TEST_F(OnboardingTest, PermissionPageFollowsThePermissionAndClosingLeavesOnboardingPending) {
    h.defaults.remove("hasCompletedOnboarding");
    h.desktop.setTrusted(false);
    launch();
    auto* view = shell->welcomeWindow();
    view->next();
    EXPECT_FALSE(shown(view, "permissionGrantedRow"));
    click(view, "onboardingGrantButton");
    EXPECT_EQ(h.desktop.trustRequests(), 1);
    click(view, "onboardingSettingsButton");
    EXPECT_EQ(dialogs.asked.size(), 2U);
    h.desktop.setTrusted(true);
    h.loop.advance(2s);
    EXPECT_FALSE(shown(view, "permissionButtons"));
    EXPECT_TRUE(shown(view, "permissionGrantedRow"));
    view->close();
    flushDeletes();
    h.loop.advance(1s);
    EXPECT_FALSE(h.defaults.boolForKey("hasCompletedOnboarding"));
    EXPECT_FALSE(controller().isPopoverShown());
}

}  // namespace
}  // namespace vantrel::testing
