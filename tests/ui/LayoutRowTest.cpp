// Layout rows: details, badge, hover controls, double-click restore, the menu and the delete
// prompt.
#include <QEnterEvent>
#include <QMenu>
#include <QTest>
#include <QToolButton>

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
    EXPECT_EQ(text(row(0), "rowName"), "One");
    EXPECT_EQ(text(row(0), "rowDetails"), "1 window \u2022 5 min. ago");
    EXPECT_TRUE(text(row(1), "rowDetails").startsWith("0 windows \u2022 "));
    EXPECT_TRUE(text(row(2), "rowDetails").startsWith("3 windows \u2022 "));
    // The spoken label always uses the plural.
    EXPECT_EQ(row(0)->accessibleName(), "One, 1 windows");
    EXPECT_EQ(row(2)->accessibleName(), "Three, 3 windows");
    EXPECT_EQ(row(0)->toolTip(),
              "Double-click to restore. Press Enter to restore, Delete to remove.");
    EXPECT_EQ(child(row(0), "rowShortcutBadge"), nullptr);
    EXPECT_EQ(text(row(2), "rowShortcutBadge"), "\u2325\u23181");
    // The shortcut that could not be registered is marked, here and in the editor, with why.
    EXPECT_TRUE(shown(row(2), "rowShortcutWarning"));
    EXPECT_EQ(child(row(2), "rowShortcutWarning")->toolTip(), "Another program uses this shortcut");
    row(2)->openEditor();
    EXPECT_TRUE(shown(window("editLayoutWindow"), "editorShortcutWarning"));
    EXPECT_EQ(child(window("editLayoutWindow"), "editorShortcutWarning")->toolTip(),
              "Another program uses this shortcut");
}

TEST_F(LayoutRowTest, HoverControlsAppearOnlyWhileThePointerIsOverTheRow) {
    h.writeLayoutFile({layoutOf("Work", 1)});
    launch();
    auto* target = row(0);
    EXPECT_FALSE(target->isHovering());
    EXPECT_FALSE(shown(target, "rowRestoreButton"));
    EXPECT_FALSE(shown(target, "rowMenuButton"));
    hover(target, true);
    EXPECT_TRUE(target->isHovering());
    EXPECT_TRUE(shown(target, "rowRestoreButton"));
    EXPECT_TRUE(shown(target, "rowMenuButton"));
    EXPECT_EQ(child(target, "rowRestoreButton")->toolTip(), "Restore this layout");
    QStringList entries;
    for (auto* action : child<QToolButton>(target, "rowMenuButton")->menu()->actions())
        if (!action->isSeparator()) entries << action->text();
    EXPECT_EQ(entries, (QStringList{"Restore Layout", "Recapture Windows", "Edit...", "Delete"}));
    hover(target, false);
    EXPECT_FALSE(shown(target, "rowRestoreButton"));
}

TEST_F(LayoutRowTest, DoubleClickTheRestoreButtonAndTheMenuEntryRestoreButASingleClickDoesNot) {
    h.writeLayoutFile({layoutOf("A", 1, {10, 20, 500, 400}), layoutOf("B", 1, {30, 40, 600, 500})});
    launch();
    QTest::mouseClick(row(0), Qt::LeftButton);
    h.loop.runPending();
    EXPECT_EQ(h.frameOf(live), (Rect{100, 100, 400, 300}));
    QTest::mouseDClick(row(1), Qt::LeftButton);
    h.loop.runPending();
    EXPECT_EQ(h.frameOf(live), (Rect{30, 40, 600, 500}));
    EXPECT_FALSE(app().layoutManager().isRestoring.get());
    hover(row(0), true);
    click(row(0), "rowRestoreButton");
    h.loop.runPending();
    EXPECT_EQ(h.frameOf(live), (Rect{10, 20, 500, 400}));
    trigger(row(1), "rowRestoreAction");
    h.loop.runPending();
    EXPECT_EQ(h.frameOf(live), (Rect{30, 40, 600, 500}));
}

TEST_F(LayoutRowTest, DeleteAsksFirstAndCancelKeepsTheLayout) {
    auto keep = layoutOf("Keep", 1);
    auto work = layoutOf("Work", 1);
    h.writeLayoutFile({keep, work});
    launch();
    trigger(row(1), "rowDeleteAction");
    ASSERT_EQ(dialogs.asked.size(), 1U);
    EXPECT_EQ(dialogs.asked[0].title, "Delete \"Work\"?");
    EXPECT_EQ(dialogs.asked[0].message, "This action cannot be undone.");
    EXPECT_EQ(dialogs.asked[0].buttons, (QStringList{"Delete", "Cancel"}));
    EXPECT_EQ(dialogs.asked[0].destructiveButtons, QStringList{"Delete"});
    EXPECT_EQ(app().layoutManager().layouts.get().size(), 2U);

    dialogs.setNextAnswer("Delete");
    trigger(row(1), "rowDeleteAction");
    flushDeletes();
    EXPECT_EQ(app().layoutManager().layouts.get(), std::vector<WindowLayout>{keep});
    EXPECT_EQ(LayoutStorage(h.log, h.loop, h.dir.path()).load(), std::vector<WindowLayout>{keep});
    ASSERT_EQ(menu().rows().size(), 1U);
    EXPECT_EQ(text(menu().rows()[0], "rowName"), "Keep");
}

TEST_F(LayoutRowTest, RecaptureReplacesTheWindowsWithTheCurrentOnes) {
    h.writeLayoutFile({layoutOf("Work", 3)});
    launch();
    trigger(row(0), "rowRecaptureAction");
    h.loop.runPending();
    const auto stored = app().layoutManager().layouts.get();
    ASSERT_EQ(stored.size(), 1U);
    ASSERT_EQ(stored[0].windows.size(), 1U);
    EXPECT_EQ(stored[0].windows[0].frameWidth, 400);
    flushDeletes();
    EXPECT_TRUE(text(row(0), "rowDetails").startsWith("1 window \u2022"));
}

TEST_F(LayoutRowTest, TheKeyboardMovesBetweenRowsRestoresAsksToDeleteAndEditsAsTheMenuDoes) {
    h.writeLayoutFile({layoutOf("A", 1, {10, 20, 500, 400}), layoutOf("B", 1, {30, 40, 600, 500})});
    launch();
    controller().showPopover();
    QTest::keyClick(&menu(), Qt::Key_Down);
    EXPECT_TRUE(row(0)->hasFocus());
    QTest::keyClick(row(0), Qt::Key_Down);
    EXPECT_TRUE(row(1)->hasFocus());
    QTest::keyClick(row(1), Qt::Key_Return);
    h.loop.runPending();
    EXPECT_EQ(h.frameOf(live), (Rect{30, 40, 600, 500}));
    QTest::keyClick(row(1), Qt::Key_Delete);
    ASSERT_EQ(dialogs.asked.size(), 1U);
    EXPECT_EQ(dialogs.asked[0].title, "Delete \"B\"?");
    QTest::keyClick(row(1), Qt::Key_F2);
    trigger(row(1), "rowEditAction");  // each asks for another editor window
    EXPECT_EQ(windowCount("editLayoutWindow"), 2);
    EXPECT_EQ(window("editLayoutWindow")->windowTitle(), "Edit Layout");
}

TEST(RelativeTimeTest, AbbreviatedUnitsInThePastAndFuture) {
    const Date now{std::chrono::seconds{1'765'000'000}};
    EXPECT_EQ(relativeTimeText(now, now), "0 sec. ago");
    EXPECT_EQ(relativeTimeText(now - 42s, now), "42 sec. ago");
    EXPECT_EQ(relativeTimeText(now - 2h - 5min, now), "2 hr. ago");
    EXPECT_EQ(relativeTimeText(now - 24h, now), "1 day ago");
    EXPECT_EQ(relativeTimeText(now - 72h, now), "3 days ago");
    EXPECT_EQ(relativeTimeText(now - 24h * 400, now), "1 yr. ago");
    EXPECT_EQ(relativeTimeText(now + 10min, now), "in 10 min.");
}

}  // namespace
}  // namespace vantrel::testing
