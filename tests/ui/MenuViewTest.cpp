// The layout menu: banner, empty state, save sheet, quick layouts, overlay, errors, footer.
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include "UiFixture.h"
#include "ui/LayoutRowView.h"

namespace vantrel::testing {
namespace {

class MenuViewTest : public UiTest {
  protected:
    void openPopover() {
        controller().showPopover();
        ASSERT_TRUE(controller().isPopoverShown());
    }
};

TEST_F(MenuViewTest, WithoutPermissionTheBannerReplacesListAndSaveSectionUntilGranted) {
    h.desktop.setTrusted(false);
    launch();
    openPopover();
    EXPECT_TRUE(shown(&menu(), "accessibilityBanner"));
    EXPECT_EQ(text(&menu(), "bannerTitle"), "Window Manager Required");
    EXPECT_EQ(text(&menu(), "bannerText"),
              "Vantrel needs a window manager that lets it manage your windows.");
    EXPECT_TRUE(text(&menu(), "bannerPlatformText").contains("EWMH"));
    EXPECT_FALSE(shown(&menu(), "layoutListStack"));
    EXPECT_FALSE(shown(&menu(), "saveSection"));
    EXPECT_FALSE(shown(&menu(), "saveLayoutButton"));
    EXPECT_TRUE(shown(&menu(), "preferencesButton"));

    // Linux has no setting to open: both buttons explain what to run instead.
    click(&menu(), "bannerSettingsButton");
    click(&menu(), "bannerGrantButton");
    EXPECT_EQ(h.desktop.trustRequests(), 1);
    ASSERT_EQ(dialogs.asked.size(), 2U);
    for (const auto& help : dialogs.asked) {
        EXPECT_EQ(help.title, "Window Manager Needed");
        EXPECT_TRUE(help.message.contains("window manager supports EWMH"));
    }

    // The user grants it elsewhere; the poll picks it up and the list comes back by itself.
    h.desktop.setTrusted(true);
    h.loop.advance(2s);
    h.loop.runPending();
    EXPECT_FALSE(shown(&menu(), "accessibilityBanner"));
    EXPECT_TRUE(shown(&menu(), "layoutListStack"));
    EXPECT_TRUE(shown(&menu(), "saveSection"));
}

TEST_F(MenuViewTest, EmptyListShowsTheEmptyStateAndTheFooterOpensPreferencesEachTimeAndQuits) {
    launch();
    openPopover();
    EXPECT_TRUE(shown(&menu(), "emptyState"));
    EXPECT_FALSE(shown(&menu(), "layoutList"));
    EXPECT_EQ(text(&menu(), "emptyTitle"), "No Saved Layouts");
    EXPECT_EQ(text(&menu(), "emptyLine1"), "Arrange your windows how you like them,");
    EXPECT_EQ(text(&menu(), "emptyLine2"), "then click \"Save Current Layout\" below.");
    QStringList hints;
    for (auto* label : menu().findChildren<QLabel*>("emptyHint")) hints << label->text();
    EXPECT_EQ(hints, (QStringList{"Add shortcuts", "Multi-display"}));
    EXPECT_EQ(text(&menu(), "menuHeader"), "Window Layouts");

    EXPECT_EQ(text(&menu(), "versionLabel"), "Version 0.1.0 (7)");
    click(&menu(), "preferencesButton");
    click(&menu(), "preferencesButton");
    EXPECT_EQ(windowCount("preferencesWindow"), 2);
    EXPECT_EQ(window("preferencesWindow")->windowTitle(), "Preferences");
    click(&menu(), "quitButton");
    EXPECT_EQ(quits, 1);
}

TEST_F(MenuViewTest, SaveSheetTrimsTheNameAndCannotSaveABlankOne) {
    launch();
    openPopover();
    click(&menu(), "saveLayoutButton");
    ASSERT_TRUE(menu().showingNewLayoutSheet());
    EXPECT_TRUE(shown(&menu(), "saveSheet"));
    h.loop.runPending();  // the count comes from the executor
    EXPECT_EQ(text(&menu(), "windowCountLabel"), "1 windows will be saved");
    auto* field = child<QLineEdit>(&menu(), "layoutNameField");
    auto* save = child<QAbstractButton>(&menu(), "saveSheetSave");
    EXPECT_EQ(field->placeholderText(), "Layout Name");
    EXPECT_FALSE(save->isEnabled());

    QTest::keyClicks(field, "   ");
    EXPECT_FALSE(save->isEnabled());
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(menu().showingNewLayoutSheet());
    EXPECT_TRUE(app().layoutManager().layouts.get().empty());

    field->setText(" \tWork  ");
    EXPECT_TRUE(save->isEnabled());
    QTest::keyClick(field, Qt::Key_Return);
    h.loop.runPending();  // captured on the executor, listed on the main thread
    ASSERT_EQ(app().layoutManager().layouts.get().size(), 1U);
    EXPECT_EQ(app().layoutManager().layouts.get()[0].name, "Work");
    EXPECT_FALSE(menu().showingNewLayoutSheet());
    EXPECT_TRUE(field->text().isEmpty());
    // The list shows the new layout.
    EXPECT_TRUE(shown(&menu(), "layoutList"));
    ASSERT_EQ(menu().rows().size(), 1U);
}

TEST_F(MenuViewTest, CancelAndEscapeLeaveTheFieldEmptyAndTheSheetPersistsAcrossOpenings) {
    launch();
    openPopover();
    click(&menu(), "saveLayoutButton");
    auto* field = child<QLineEdit>(&menu(), "layoutNameField");
    field->setText("Draft");
    // Closing and reopening the popover keeps the open sheet and its text.
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
}

TEST_F(MenuViewTest, QuickLayoutGridHasTwelvePresetsAndAppliesThem) {
    launch();
    openPopover();
    EXPECT_FALSE(shown(&menu(), "quickLayoutGrid"));
    EXPECT_EQ(child(&menu(), "quickLayoutsChevron")->property("symbol").toString(), "chevron.down");
    click(&menu(), "quickLayoutsButton");
    EXPECT_TRUE(shown(&menu(), "quickLayoutGrid"));
    EXPECT_EQ(child(&menu(), "quickLayoutsChevron")->property("symbol").toString(), "chevron.up");

    const auto buttons = child(&menu(), "quickLayoutGrid")->findChildren<QToolButton*>();
    ASSERT_EQ(buttons.size(), 12);
    QStringList labels;
    for (auto* button : buttons) labels << button->text();
    EXPECT_EQ(labels, (QStringList{"Left", "Right", "Top", "Bottom", "Top", "Top", "Bottom",
                                   "Bottom", "Maximize", "Center", "Left", "Right"}));
    for (const char* absent : {"Center Third", "Right Third", "Left Two Thirds"})
        EXPECT_EQ(child(&menu(), QStringLiteral("quickLayout:") + absent), nullptr) << absent;
    auto* leftHalf = child<QToolButton>(&menu(), "quickLayout:Left Half");
    EXPECT_EQ(leftHalf->toolTip(), "Left 50%");

    leftHalf->click();
    h.loop.runPending();
    const Rect frame = h.frameOf(live);
    EXPECT_EQ(frame.x, 0);
    EXPECT_EQ(frame.width, 960);
}

// The overlay leaves the footer (Quit) free, and its Cancel stops the restore without an error.
TEST_F(MenuViewTest, RestoringOverlayCoversTheMenuButTheFooterAndCancels) {
    launch();
    openPopover();
    EXPECT_FALSE(shown(&menu(), "restoringOverlay"));
    app().layoutManager().restoreLayout(
        namedLayout("Gone", {windowState("org.example.Gone", 0, {1, 1, 9, 9})}));
    EXPECT_TRUE(shown(&menu(), "restoringOverlay"));
    EXPECT_EQ(text(&menu(), "restoringText"), "Restoring layout...");
    const QRect footer = child(&menu(), "menuFooter")->geometry();
    EXPECT_EQ(child(&menu(), "restoringOverlay")->geometry(),
              menu().rect().adjusted(0, 0, 0, -footer.height()));
    click(&menu(), "cancelRestoreButton");
    h.loop.runPending();
    EXPECT_FALSE(shown(&menu(), "restoringOverlay"));
    EXPECT_FALSE(app().layoutManager().lastError.get().has_value());
    EXPECT_TRUE(dialogs.asked.empty());
}

// A long list costs what is shown: rows are made as the list scrolls towards them.
TEST_F(MenuViewTest, RowsAreMadeAsTheListScrollsToThem) {
    launch();
    std::vector<WindowLayout> many;
    for (int i = 0; i < 100; ++i) many.push_back(layoutOf("L" + std::to_string(i), 1));
    app().layoutManager().layouts.set(many);
    openPopover();
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
    dialogs.setNextAnswer("OK");
    h.loop.runPending();
    ASSERT_EQ(dialogs.asked.size(), 1U);
    EXPECT_EQ(dialogs.asked[0].title, "Error");
    EXPECT_EQ(dialogs.asked[0].message, "No windows to save. Open some windows first.");
    EXPECT_EQ(dialogs.asked[0].buttons, QStringList{"OK"});
    EXPECT_FALSE(app().layoutManager().lastError.get().has_value());
}

}  // namespace
}  // namespace vantrel::testing
