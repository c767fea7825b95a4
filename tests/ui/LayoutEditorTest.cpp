// The layout editor: information chips, window lines, the shortcut row, and saving the copy.
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTest>

#include "UiFixture.h"
#include "ui/LayoutEditView.h"
#include "ui/LayoutPreview.h"

namespace vantrel::testing {
namespace {

class LayoutEditorTest : public UiTest {
  protected:
    LayoutEditView* open(const WindowLayout& layout) {
        h.writeLayoutFile({layout});
        launch();
        return LayoutEditView::openWindow(shell->context(), layout);
    }

    static WindowState onSpace(std::optional<std::int64_t> space, bool allSpaces = false) {
        auto state = windowState("org.example.Editor", 0, {0, 0, 800, 600});
        state.spaceIndex = space;
        state.isOnAllSpaces = allSpaces;
        return state;
    }
};

TEST_F(LayoutEditorTest, ChipsPreviewAndWindowLinesFollowTheLayout) {
    auto layout = layoutOf("Work", 0);
    // The sticky window's own workspace counts for no workspace chip.
    layout.windows = {onSpace(2), onSpace(2), onSpace(2), onSpace(5, true)};
    layout.windows[0].windowTitle = "notes.txt";
    layout.windows[0].frameWidth = 800.7;
    layout.windows[2].windowTitle = "";
    layout.displayConfiguration = displays("1920x1080+0+0P,1280x1024+1920+0");
    auto* editor = open(layout);
    EXPECT_EQ(text(editor, "displayChipText"), "2 displays");
    EXPECT_EQ(text(editor, "spaceChipText"), "Workspace 2");
    EXPECT_EQ(text(editor, "stickyChipText"), "1 sticky");
    // Window lines: the workspace badge, the title when there is one, the size in whole points.
    QStringList lines;
    for (QWidget* line : editor->findChildren<QWidget*>("editorWindowLine"))
        lines << text(line, "editorSpaceBadge") + "|" + text(line, "editorWindowTitle") + "|" +
                     text(line, "editorWindowSize");
    const QString untitled = "<missing editorWindowTitle>|800\u00D7600";
    EXPECT_EQ(lines, (QStringList{"W2|notes.txt|800\u00D7600", "W2|" + untitled, "W2|" + untitled,
                                  "All|" + untitled}));

    auto multiple = layoutOf("Multi", 0);
    multiple.windows = {onSpace(1), onSpace(3)};
    multiple.displayConfiguration = displays("1920x1080+0+0P");
    auto* second = LayoutEditView::openWindow(shell->context(), multiple);
    EXPECT_EQ(text(second, "displayChipText"), "1 display");
    EXPECT_EQ(text(second, "spaceChipText"), "Multiple Workspaces");
    EXPECT_EQ(child(second, "stickyChip"), nullptr);

    // The preview draws both displays side by side to one scale, the window on its display.
    auto preview = layout;
    preview.windows = {windowState("org.example.Editor", 0, {0, 0, 960, 1080})};
    const PreviewPlan plan = planPreview(preview, QSizeF(326, 120), 6);
    ASSERT_EQ(plan.displays.size(), 2U);
    const QRectF main = plan.displays[0].rect;
    EXPECT_NEAR(main.width() / main.height(), 1920.0 / 1080.0, 0.01);
    EXPECT_NEAR(plan.displays[1].rect.left(), main.right(), 0.01);
    EXPECT_NEAR(plan.displays[1].rect.width() / main.width(), 1280.0 / 1920.0, 0.01);
    ASSERT_EQ(plan.windows.size(), 1U);
    EXPECT_EQ(plan.windows[0].rect,
              QRectF(main.topLeft(), QSizeF(main.width() / 2, main.height())));

    auto* plain = LayoutEditView::openWindow(shell->context(), layoutOf("Plain", 2));
    for (const char* chip : {"displayChip", "spaceChip", "stickyChip"})
        EXPECT_EQ(child(plain, chip), nullptr) << chip;
}

// Escape keeps the shortcut and a clear takes effect only on save; a recorded shortcut is saved
// with the other fields.
TEST_F(LayoutEditorTest, RecordingClearingAndSavingTheShortcut) {
    auto layout = layoutOf("Work", 1);
    layout.shortcutKeyCode = 0;
    layout.shortcutModifiers = modifier::kControl;
    auto* editor = open(layout);
    click(editor, "editorRecordButton");
    QTest::keyClick(child(editor, "shortcutRecorder"), Qt::Key_Escape);
    EXPECT_FALSE(editor->isRecordingShortcut());
    EXPECT_EQ(text(editor, "editorShortcutText"), "Ctrl+A");
    // Escape went to the recorder, not to the window's cancel.
    EXPECT_EQ(windows("editLayoutWindow").size(), 1);
    click(editor, "editorClearButton");
    EXPECT_TRUE(shown(editor, "editorNotSet"));
    click(editor, "editorCancelButton");
    flushDeletes();
    EXPECT_TRUE(app().layoutManager().layouts.get()[0].hasShortcut());

    auto* again = LayoutEditView::openWindow(shell->context(), layout);
    click(again, "editorClearButton");
    EXPECT_FALSE(shown(again, "editorClearButton"));
    click(again, "editorRecordButton");
    QTest::keyClick(child(again, "shortcutRecorder"), Qt::Key_K,
                    Qt::MetaModifier | Qt::ShiftModifier);
    EXPECT_FALSE(shown(again, "shortcutRecorder"));
    EXPECT_EQ(text(again, "editorShortcutText"), "Shift+Super+K");
    EXPECT_TRUE(shown(again, "editorClearButton"));
    child<QLineEdit>(again, "editorNameField")->setText("  Renamed ");
    child<QCheckBox>(again, "editorLaunchBox")->setChecked(true);
    click(again, "editorSaveButton");
    flushDeletes();
    EXPECT_EQ(windows("editLayoutWindow").size(), 0);
    auto expected = layout;
    expected.name = "Renamed";
    expected.shortcutKeyCode = 40;
    expected.shortcutModifiers = 0x120000;
    expected.launchMissingApps = true;
    const auto stored = app().layoutManager().layouts.get().at(0);
    expected.modifiedAt = stored.modifiedAt;
    EXPECT_EQ(stored, expected);

    auto* cleared = LayoutEditView::openWindow(shell->context(), stored);
    click(cleared, "editorClearButton");
    click(cleared, "editorSaveButton");
    EXPECT_FALSE(app().layoutManager().layouts.get()[0].hasShortcut());
}

TEST_F(LayoutEditorTest, BlankNameDisablesSaveAndReturnSavesTheOptionsAndTriggerApps) {
    auto layout = layoutOf("Work", 1);
    layout.triggerApps = {"org.example.Gone"};
    auto* editor = open(layout);
    auto* name = child<QLineEdit>(editor, "editorNameField");
    name->setText(" \t ");
    EXPECT_FALSE(child<QAbstractButton>(editor, "editorSaveButton")->isEnabled());
    name->setText("Work");
    child<QCheckBox>(editor, "editorTriggerBox")->setChecked(true);
    child<QCheckBox>(editor, "editorRestoreAtLoginBox")->setChecked(true);
    // Trigger apps: the listed one removed, one running and one installed application added.
    auto* apps = child<QListWidget>(editor, "triggerAppsList");
    ASSERT_EQ(apps->count(), 1);
    EXPECT_EQ(apps->item(0)->text(), "org.example.Gone");
    apps->setCurrentRow(0);
    click(editor, "triggerAppsRemoveButton");
    auto* add = child<QMenu>(editor, "triggerAppsAddMenu");
    const auto pick = [add](const QString& kind, const QString& id) {
        emit add->aboutToShow();
        for (QAction* action : add->actions())
            if (action->objectName() == kind && action->data().toString() == id) {
                if (!action->isEnabled()) return false;
                action->trigger();
                return true;
            }
        return false;
    };
    EXPECT_TRUE(pick("triggerRunningApp", "org.example.Editor"));
    // Offered once listed no more, in either section.
    EXPECT_FALSE(pick("triggerInstalledApp", "org.example.Editor"));
    EXPECT_TRUE(pick("triggerInstalledApp", "org.example.Viewer"));
    EXPECT_EQ(apps->item(0)->text(), "Editor (org.example.Editor)");
    editor->activateWindow();
    QTest::keyClick(name, Qt::Key_Return);
    const auto saved = app().layoutManager().layouts.get()[0];
    EXPECT_TRUE(saved.triggerOnDisplayChange);
    EXPECT_TRUE(saved.restoreAtLogin);
    EXPECT_EQ(saved.triggerApps,
              (std::vector<std::string>{"org.example.Editor", "org.example.Viewer"}));
}

// Save writes only what the editor edits: a recapture made while it was open stays, and a layout
// deleted meanwhile stays deleted.
TEST_F(LayoutEditorTest, SaveKeepsChangesMadeWhileTheEditorWasOpen) {
    auto layout = layoutOf("Work", 2);
    auto* editor = open(layout);
    auto* second = LayoutEditView::openWindow(shell->context(), layout);
    const auto recaptured = app().layoutManager().replaceWindows(
        layout.id, {app().windowService().captureWindows(),
                    app().windowService().currentDisplayConfiguration()});
    ASSERT_TRUE(recaptured.has_value());
    child<QLineEdit>(editor, "editorNameField")->setText("Renamed");
    click(editor, "editorSaveButton");
    const auto stored = app().layoutManager().layouts.get().at(0);
    EXPECT_EQ(stored.name, "Renamed");
    EXPECT_EQ(stored.windows, recaptured->windows);
    EXPECT_EQ(stored.displayConfiguration, recaptured->displayConfiguration);
    app().layoutManager().layouts.set({});
    app().layoutManager().saveLayouts();
    click(second, "editorSaveButton");
    flushDeletes();
    EXPECT_TRUE(app().layoutManager().layouts.get().empty());
    EXPECT_EQ(windows("editLayoutWindow").size(), 0);
}

}  // namespace
}  // namespace vantrel::testing
