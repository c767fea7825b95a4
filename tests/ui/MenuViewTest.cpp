// The layout menu: empty state, save sheet, quick layouts, overlay, errors, footer.
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include "UiFixture.h"
#include "ui/LayoutRowView.h"

namespace vantrel::testing {
namespace {

using MenuViewTest = UiTest;

TEST_F(MenuViewTest, EmptyStateFooterAndTheSaveSheet) {
    launch();
    controller().showPopover();
    EXPECT_TRUE(shown(&menu(), "emptyState"));
    EXPECT_FALSE(shown(&menu(), "layoutList"));
    EXPECT_EQ(text(&menu(), "versionLabel"), "Version 0.1.0 (7)");
    click(&menu(), "preferencesButton");
    click(&menu(), "preferencesButton");
    EXPECT_EQ(windows("preferencesWindow").size(), 2);
    // Cancel and Escape leave the field empty; the sheet persists across openings.
    click(&menu(), "saveLayoutButton");
    auto* field = child<QLineEdit>(&menu(), "layoutNameField");
    field->setText("Draft");
    controller().togglePopover();
    EXPECT_FALSE(controller().isPopoverShown());
    controller().showPopover();
    EXPECT_TRUE(menu().showingNewLayoutSheet());
    EXPECT_EQ(field->text(), "Draft");
    click(&menu(), "saveSheetCancel");
    EXPECT_FALSE(menu().showingNewLayoutSheet());
    click(&menu(), "saveLayoutButton");
    EXPECT_TRUE(field->text().isEmpty());
    field->setText("Other");
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(menu().showingNewLayoutSheet());
    EXPECT_TRUE(controller().isPopoverShown());
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_TRUE(app().layoutManager().layouts.get().empty());

    // The sheet trims the name, cannot save a blank one and asks about a taken one.
    click(&menu(), "saveLayoutButton");
    EXPECT_TRUE(shown(&menu(), "saveSheet"));
    h.loop.runPending();  // the count comes from the executor
    EXPECT_EQ(text(&menu(), "windowCountLabel"), "1 windows will be saved");
    auto* save = child<QAbstractButton>(&menu(), "saveSheetSave");
    QTest::keyClicks(field, "   ");
    EXPECT_FALSE(save->isEnabled());
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(menu().showingNewLayoutSheet());
    EXPECT_TRUE(app().layoutManager().layouts.get().empty());

    field->setText(" \tWork  ");
    QTest::keyClick(field, Qt::Key_Return);
    h.loop.runPending();  // captured on the executor, listed on the main thread
    ASSERT_EQ(app().layoutManager().layouts.get().size(), 1U);
    EXPECT_EQ(app().layoutManager().layouts.get()[0].name, "Work");
    EXPECT_FALSE(menu().showingNewLayoutSheet());
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_EQ(menu().rows().size(), 1U);

    // A name already listed asks first; Cancel goes back to the sheet, "Keep Both" saves.
    click(&menu(), "saveLayoutButton");
    field->setText("Work");
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_EQ(dialogs.asked.size(), 1U);
    EXPECT_EQ(dialogs.asked[0].title, "A layout named \"Work\" already exists");
    EXPECT_EQ(dialogs.asked[0].buttons, (QStringList{"Replace", "Keep Both", "Cancel"}));
    EXPECT_TRUE(menu().showingNewLayoutSheet());
    dialogs.setNextAnswer("Keep Both");
    QTest::keyClick(field, Qt::Key_Return);
    h.loop.runPending();
    EXPECT_EQ(app().layoutManager().layouts.get().size(), 2U);
}

TEST_F(MenuViewTest, QuickLayoutGridHasTwelvePresetsToldApartAndAppliesThem) {
    launch();
    controller().showPopover();
    EXPECT_FALSE(shown(&menu(), "quickLayoutGrid"));
    click(&menu(), "quickLayoutsButton");
    EXPECT_TRUE(shown(&menu(), "quickLayoutGrid"));
    QStringList labels;
    for (auto* button : child(&menu(), "quickLayoutGrid")->findChildren<QToolButton*>())
        labels << button->text();
    // No two read alike: the labels say what the icons do not.
    EXPECT_EQ(labels, (QStringList{"Left", "Right", "Top", "Bottom", "Top\nLeft", "Top\nRight",
                                   "Bottom\nLeft", "Bottom\nRight", "Maximize", "Center",
                                   "Left \u2153", "Right \u2154"}));
    click(&menu(), "quickLayout:Left Half");
    h.loop.runPending();
    EXPECT_EQ(h.frameOf(live), (Rect{0, 0, 960, 1080}));
}

// The overlay leaves the footer (Quit) free, and its Cancel stops the restore.
TEST_F(MenuViewTest, RestoringOverlayCoversTheMenuButTheFooterAndCancels) {
    launch();
    controller().showPopover();
    EXPECT_FALSE(shown(&menu(), "restoringOverlay"));
    app().layoutManager().restoreLayout(
        namedLayout("Gone", {windowState("org.example.Gone", 0, {1, 1, 9, 9})}));
    EXPECT_TRUE(shown(&menu(), "restoringOverlay"));
    const QRect footer = child(&menu(), "menuFooter")->geometry();
    EXPECT_EQ(child(&menu(), "restoringOverlay")->geometry(),
              menu().rect().adjusted(0, 0, 0, -footer.height()));
    click(&menu(), "cancelRestoreButton");
    h.loop.runPending();
    EXPECT_FALSE(shown(&menu(), "restoringOverlay"));
    EXPECT_TRUE(dialogs.asked.empty());  // no error (how a cancel ends: LayoutCommandsTest)
}

// A long list costs what is shown: rows are made as the list scrolls towards them.
TEST_F(MenuViewTest, RowsAreMadeAsTheListScrollsToThem) {
    launch();
    std::vector<WindowLayout> many;
    for (int i = 0; i < 100; ++i) many.push_back(layoutOf("L" + std::to_string(i), 1));
    app().layoutManager().layouts.set(many);
    controller().showPopover();
    EXPECT_EQ(menu().rows().size(), 30U);
    auto* bar = child<QScrollArea>(&menu(), "layoutList")->verticalScrollBar();
    for (int scrolls = 0; scrolls < 10 && menu().rows().size() < many.size(); ++scrolls) {
        QCoreApplication::processEvents();  // lays the new rows out
        bar->setValue(bar->maximum());
    }
    ASSERT_EQ(menu().rows().size(), 100U);
    EXPECT_EQ(menu().rows().back()->layout().name, "L99");
}

TEST_F(MenuViewTest, ErrorAlertShowsTheDescriptionAndDismissingClearsIt) {
    launch();
    h.desktop.removeWindow(live);
    (void)app().layoutManager().addLayout("Nothing", {});
    ASSERT_TRUE(app().layoutManager().lastError.get().has_value());
    EXPECT_TRUE(dialogs.asked.empty());  // presented from the queue, not inside the change
    h.loop.runPending();
    ASSERT_EQ(dialogs.asked.size(), 1U);
    EXPECT_EQ(dialogs.asked[0].title, "Error");
    EXPECT_EQ(dialogs.asked[0].message, "No windows to save. Open some windows first.");
    EXPECT_FALSE(app().layoutManager().lastError.get().has_value());
}

}  // namespace
}  // namespace vantrel::testing
