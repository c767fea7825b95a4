// The status item: toggling, showing, the icon, and the window used without a system tray.
#include <QSystemTrayIcon>

#include "UiFixture.h"

namespace vantrel::testing {
namespace {

using StatusItemTest = UiTest;

TEST_F(StatusItemTest, ToggleShowsThenClosesAndShowPopoverNeverCloses) {
    launch();
    ASSERT_TRUE(controller().hasTray());
    EXPECT_EQ(controller().trayIcon()->toolTip(), "Vantrel");
    EXPECT_FALSE(controller().trayIcon()->icon().isNull());
    EXPECT_FALSE(controller().isPopoverShown());
    controller().togglePopover();
    EXPECT_TRUE(controller().isPopoverShown());
    EXPECT_EQ(controller().popover().size(), QSize(300, 450));
    EXPECT_TRUE(controller().popover().windowFlags().testFlag(Qt::Popup));
    controller().showPopover();
    EXPECT_TRUE(controller().isPopoverShown());
    controller().togglePopover();
    EXPECT_FALSE(controller().isPopoverShown());
}

TEST_F(StatusItemTest, TheIconIsAppliedAgainWhenTheListChangesAndLooksTheSame) {
    launch();
    const auto before = controller().trayIcon()->icon().pixmap(16, 16).toImage();
    (void)app().layoutManager().saveCurrentLayout("Work");
    const auto after = controller().trayIcon()->icon().pixmap(16, 16).toImage();
    EXPECT_EQ(before, after);
}

TEST_F(StatusItemTest, WithoutATrayTheMenuOpensAsAWindowAndSaysSoOnce) {
    launch(false);
    EXPECT_FALSE(controller().hasTray());
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
