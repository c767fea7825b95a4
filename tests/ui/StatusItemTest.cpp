// The status item: toggling, showing, its menu, and the window used without a system tray.
#include <QSystemTrayIcon>
#include <QTest>

#include "UiFixture.h"
#include "ui/TrayIcon.h"
#include "ui/TrayMenu.h"

namespace vantrel::testing {
namespace {

using StatusItemTest = UiTest;

TEST_F(StatusItemTest, ToggleShowsThenClosesThePopupAndShowPopoverNeverCloses) {
    launch();
    ASSERT_TRUE(controller().hasTray());
    EXPECT_EQ(controller().trayIcon()->toolTip(), "Vantrel");
    EXPECT_FALSE(controller().trayIcon()->icon().isNull());
    // After onboarding a launch opens no window.
    EXPECT_EQ(windowCount("welcomeWindow"), 0);
    EXPECT_FALSE(controller().isPopoverShown());
    controller().togglePopover();
    EXPECT_TRUE(controller().isPopoverShown());
    EXPECT_TRUE(controller().popover().windowFlags().testFlag(Qt::Popup));
    controller().showPopover();
    EXPECT_TRUE(controller().isPopoverShown());
    controller().togglePopover();
    EXPECT_FALSE(controller().isPopoverShown());
}

TEST_F(StatusItemTest, TheRightClickMenuRestoresLayoutsAppliesQuickLayoutsAndQuits) {
    auto work = layoutOf("Work & Play", 1, {10, 20, 500, 400});
    work.shortcutKeyCode = 18;
    work.shortcutModifiers = modifier::kControl | modifier::kOption;
    h.writeLayoutFile({work});
    launch();
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
    EXPECT_EQ(h.frameOf(live).x, 0);
    EXPECT_EQ(h.frameOf(live).width, 960);
    EXPECT_FALSE(controller().isPopoverShown());
    action("trayOpenAction")->trigger();
    EXPECT_TRUE(controller().isPopoverShown());
    controller().togglePopover();
    // Preferences opens; Escape closes it.
    action("trayPreferencesAction")->trigger();
    QWidget* prefs = window("preferencesWindow");
    ASSERT_NE(prefs, nullptr);
    prefs->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(prefs));
    QTest::keyClick(prefs, Qt::Key_Escape);
    flushDeletes();
    EXPECT_EQ(windowCount("preferencesWindow"), 0);
    action("trayQuitAction")->trigger();
    EXPECT_EQ(quits, 1);
}

// The tray draws the icon at each size and scale it asks for, never a scaled bitmap, in ink
// that stands out from the panel.
TEST_F(StatusItemTest, TheTrayIconIsDrawnForEachScaleInInkThatReadsOnThePanel) {
    EXPECT_GT(trayInk(Qt::black).lightnessF(), 0.8);
    EXPECT_LT(trayInk(Qt::white).lightnessF(), 0.2);
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
    const QIcon icon = trayIcon(dark);
    const QPixmap crisp = icon.pixmap(QSize(22, 22), 2.0);
    EXPECT_EQ(crisp.size(), QSize(44, 44));
    EXPECT_EQ(crisp.devicePixelRatio(), 2.0);
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
    window("welcomeWindow")->close();
    flushDeletes();
    h.loop.runPending();
    EXPECT_TRUE(controller().isPopoverShown());
    EXPECT_FALSE(controller().popover().windowFlags().testFlag(Qt::Popup));
    EXPECT_EQ(controller().popover().windowTitle(), "Vantrel");
    ASSERT_EQ(dialogs.asked.size(), 1U);
    EXPECT_EQ(dialogs.asked[0].title, "No System Tray");
    controller().showPopover();
    h.loop.runPending();
    EXPECT_EQ(dialogs.asked.size(), 1U);
    // Closing the window is quitting: there is no icon to bring it back.
    controller().popover().close();
    EXPECT_EQ(quits, 1);
}

}  // namespace
}  // namespace vantrel::testing
