// The status item: toggling, showing, and the window used without a system tray.
#include <QSystemTrayIcon>

#include "UiFixture.h"

namespace vantrel::testing {
namespace {

using StatusItemTest = UiTest;

TEST_F(StatusItemTest, ToggleShowsThenClosesThePopupAndShowPopoverNeverCloses) {
    launch();
    ASSERT_TRUE(controller().hasTray());
    EXPECT_EQ(controller().trayIcon()->toolTip(), "Vantrel");
    EXPECT_FALSE(controller().trayIcon()->icon().isNull());
    EXPECT_FALSE(controller().isPopoverShown());
    controller().togglePopover();
    EXPECT_TRUE(controller().isPopoverShown());
    EXPECT_TRUE(controller().popover().windowFlags().testFlag(Qt::Popup));
    controller().showPopover();
    EXPECT_TRUE(controller().isPopoverShown());
    controller().togglePopover();
    EXPECT_FALSE(controller().isPopoverShown());
}

TEST_F(StatusItemTest, WithoutATrayTheMenuOpensAsAWindowSaysSoOnceAndClosingItQuits) {
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
