// Layout rows: details, badge, hover controls, double-click restore, the menu and the delete
// prompt.
#include <QEnterEvent>
#include <QTest>

#include "UiFixture.h"
#include "ui/LayoutRowView.h"
#include "ui/RelativeTime.h"

namespace vantrel::testing {
namespace {

class LayoutRowTest : public UiTest {
  protected:
    LayoutRowView* row(std::size_t index) {
        controller().showPopover();
        const auto rows = menu().rows();
        return index < rows.size() ? rows[index] : nullptr;
    }

    void hover(QWidget* widget, bool inside) {
        if (inside) {
            QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
            QCoreApplication::sendEvent(widget, &enter);
        } else {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(widget, &leave);
        }
    }

    void trigger(LayoutRowView* target, const QString& action) {
        auto* found = target->findChild<QAction*>(action);
        ASSERT_NE(found, nullptr) << action.toStdString();
        found->trigger();
    }
};

TEST_F(LayoutRowTest, DetailsUseTheSingularOnlyForOneWindowAndTheBadgeOnlyAShortcut) {
    auto one = layoutOf("One", 1);
    auto none = layoutOf("None", 0);
    auto three = layoutOf("Three", 3);
    one.modifiedAt = h.loop.wallNow() - 5min;
    three.shortcutKeyCode = 18;
    three.shortcutModifiers = modifier::kCommand | modifier::kOption;
    h.writeLayoutFile({one, none, three});
    h.hotkeys.holdElsewhere(18, 0x900);  // the window manager has Option+Command+1
    launch();
    EXPECT_EQ(text(row(0), "rowDetails"), "1 window \u2022 5 min. ago");
    // The times move on while the popover is open.
    h.loop.advance(60s);
    EXPECT_EQ(text(row(0), "rowDetails"), "1 window \u2022 6 min. ago");
    EXPECT_TRUE(text(row(1), "rowDetails").startsWith("0 windows \u2022 "));
    EXPECT_TRUE(text(row(2), "rowDetails").startsWith("3 windows \u2022 "));
    EXPECT_EQ(child(row(0), "rowShortcutBadge"), nullptr);
    EXPECT_EQ(text(row(2), "rowShortcutBadge"), "Alt+Super+1");
    // The shortcut that could not be registered is marked, here and in the editor, with why.
    EXPECT_TRUE(shown(row(2), "rowShortcutWarning"));
    row(2)->openEditor();
    EXPECT_EQ(child(windows("editLayoutWindow").value(0), "editorShortcutWarning")->toolTip(),
              "Another program uses this shortcut");
}

// The hover controls show only under the pointer; double-click, the restore button, the menu
// entry and Return restore, a single click does not (Delete on a row: the end-to-end test).
TEST_F(LayoutRowTest, HoverControlsKeysAndEveryWayToRestoreButASingleClick) {
    h.writeLayoutFile({layoutOf("A", 1, {10, 20, 500, 400}), layoutOf("B", 1, {30, 40, 600, 500})});
    launch();
    QTest::mouseClick(row(0), Qt::LeftButton);
    h.loop.runPending();
    EXPECT_EQ(h.frameOf(live), (Rect{100, 100, 400, 300}));
    QTest::mouseDClick(row(1), Qt::LeftButton);
    h.loop.runPending();
    EXPECT_EQ(h.frameOf(live), (Rect{30, 40, 600, 500}));
    EXPECT_FALSE(shown(row(0), "rowRestoreButton") || shown(row(0), "rowMenuButton"));
    hover(row(0), true);
    EXPECT_TRUE(row(0)->isHovering() && shown(row(0), "rowMenuButton"));
    click(row(0), "rowRestoreButton");
    h.loop.runPending();
    EXPECT_EQ(h.frameOf(live), (Rect{10, 20, 500, 400}));
    trigger(row(1), "rowRestoreAction");
    h.loop.runPending();
    EXPECT_EQ(h.frameOf(live), (Rect{30, 40, 600, 500}));
    hover(row(0), false);
    EXPECT_FALSE(shown(row(0), "rowRestoreButton"));
    // The keyboard moves between rows, restores, asks to delete and edits as the menu does.
    QTest::keyClick(&menu(), Qt::Key_Down);
    EXPECT_TRUE(row(0)->hasFocus());
    QTest::keyClick(row(0), Qt::Key_Return);
    h.loop.runPending();
    EXPECT_EQ(h.frameOf(live), (Rect{10, 20, 500, 400}));
    QTest::keyClick(row(0), Qt::Key_Down);
    EXPECT_TRUE(row(1)->hasFocus());
    QTest::keyClick(row(1), Qt::Key_F2);
    trigger(row(1), "rowEditAction");  // each asks for another editor window
    EXPECT_EQ(windows("editLayoutWindow").size(), 2);
}

// Recapture and delete ask first; Cancel changes nothing, and the popover outlives the question.
TEST_F(LayoutRowTest, RecaptureAndDeleteAskFirstThenActAndThePopoverStaysOpen) {
    const auto keep = layoutOf("Keep", 3);
    const auto work = layoutOf("Work", 1);
    h.writeLayoutFile({keep, work});
    launch();
    trigger(row(0), "rowRecaptureAction");
    trigger(row(1), "rowDeleteAction");
    ASSERT_EQ(dialogs.asked.size(), 2U);
    EXPECT_EQ(dialogs.asked[0].defaultButton, "Cancel");
    EXPECT_EQ(dialogs.asked[1].title, "Delete \"Work\"?");
    EXPECT_EQ(dialogs.asked[1].destructiveButtons, QStringList{"Delete"});
    EXPECT_EQ(app().layoutManager().layouts.get(), (std::vector<WindowLayout>{keep, work}));

    dialogs.setNextAnswer("Recapture");
    trigger(row(0), "rowRecaptureAction");
    h.loop.runPending();
    const auto recaptured = app().layoutManager().layouts.get()[0];
    flushDeletes();
    EXPECT_TRUE(text(row(0), "rowDetails").startsWith("1 window \u2022"));
    dialogs.setNextAnswer("Delete");
    // The popup closes when the dialog takes the pointer; it is back to show the row gone.
    dialogs.whileAsking = [](QWidget* parent) { parent->hide(); };
    trigger(row(1), "rowDeleteAction");
    flushDeletes();
    EXPECT_TRUE(controller().isPopoverShown());
    EXPECT_EQ(app().layoutManager().layouts.get(), std::vector<WindowLayout>{recaptured});
    EXPECT_EQ(menu().rows().size(), 1U);
}

TEST(RelativeTimeTest, AbbreviatedUnitsInThePastAndFuture) {
    const Date now{std::chrono::seconds{1'765'000'000}};
    const std::pair<Duration, const char*> cases[] = {
        {0s, "0 sec. ago"},   {-42s, "42 sec. ago"}, {-2h - 5min, "2 hr. ago"},
        {-24h, "1 day ago"},  {-72h, "3 days ago"},  {-24h * 400, "1 yr. ago"},
        {10min, "in 10 min."}};
    for (const auto& [offset, expected] : cases)
        EXPECT_EQ(relativeTimeText(now + offset, now), expected);
}

}  // namespace
}  // namespace vantrel::testing
