// The layout editor: information chips, window lines, the shortcut row, and saving the copy.
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

#include "UiFixture.h"
#include "ui/LayoutEditView.h"
#include "ui/ShortcutRecorder.h"

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

    static QString chipText(QWidget* editor, const QString& chip) {
        return text(editor, chip + QStringLiteral("Text"));
    }
};

TEST_F(LayoutEditorTest, ChipsFollowTheDisplaysAndSpacesOfTheLayout) {
    auto layout = layoutOf("Work", 0);
    layout.windows = {onSpace(2), onSpace(2), onSpace(std::nullopt, true), onSpace(5, true)};
    layout.displayConfiguration = displays("1920x1080+0+0P,1280x1024+1920+0");
    auto* editor = open(layout);
    EXPECT_EQ(chipText(editor, "displayChip"), "2 displays");
    EXPECT_EQ(chipText(editor, "spaceChip"), "Space 2");
    EXPECT_EQ(chipText(editor, "stickyChip"), "2 sticky");

    auto multiple = layoutOf("Multi", 0);
    multiple.windows = {onSpace(1), onSpace(3)};
    multiple.displayConfiguration = displays("1920x1080+0+0P");
    auto* second = LayoutEditView::openWindow(shell->context(), multiple);
    EXPECT_EQ(chipText(second, "displayChip"), "1 display");
    EXPECT_EQ(chipText(second, "spaceChip"), "Multiple Spaces");
    EXPECT_EQ(child(second, "stickyChip"), nullptr);

    auto* plain = LayoutEditView::openWindow(shell->context(), layoutOf("Plain", 2));
    for (const char* chip : {"displayChip", "spaceChip", "stickyChip"})
        EXPECT_EQ(child(plain, chip), nullptr) << chip;
}

TEST_F(LayoutEditorTest, WindowLinesShowAppBadgeTitleAndWholeSize) {
    auto layout = layoutOf("Work", 0);
    auto first = windowState("org.example.Editor", 0, {0, 0, 800.7, 600});
    first.appName = "Editor";
    first.windowTitle = "notes.txt";
    first.spaceIndex = 3;
    auto second = windowState("org.example.Mail", 0, {0, 0, 1024.2, 768.9});
    second.appName = "Mail";
    second.windowTitle = "";
    second.isOnAllSpaces = true;
    layout.windows = {first, second};
    auto* editor = open(layout);
    EXPECT_EQ(text(editor, "editorWindowsTitle"), "Windows (2)");
    const auto lines = editor->findChildren<QWidget*>("editorWindowLine");
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(text(lines[0], "editorWindowApp"), "Editor");
    EXPECT_EQ(text(lines[0], "editorSpaceBadge"), "S3");
    EXPECT_EQ(text(lines[0], "editorWindowTitle"), "notes.txt");
    EXPECT_EQ(text(lines[0], "editorWindowSize"), "800\u00D7600");
    EXPECT_EQ(text(lines[1], "editorSpaceBadge"), "All");
    EXPECT_EQ(child(lines[1], "editorWindowTitle"), nullptr);
    EXPECT_EQ(text(lines[1], "editorWindowSize"), "1024\u00D7768");
}

TEST_F(LayoutEditorTest, RecordingAShortcutAndSavingStoresItWithTheOtherFields) {
    auto layout = layoutOf("Work", 1);
    auto* editor = open(layout);
    EXPECT_TRUE(shown(editor, "editorNotSet"));
    EXPECT_FALSE(shown(editor, "editorClearButton"));
    EXPECT_TRUE(shown(editor, "editorRecordButton"));

    click(editor, "editorRecordButton");
    auto* recorder = child<ShortcutRecorder>(editor, "shortcutRecorder");
    ASSERT_NE(recorder, nullptr);
    EXPECT_TRUE(recorder->isVisible());
    EXPECT_FALSE(shown(editor, "editorRecordButton"));
    QTest::keyClick(recorder, Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier);
    EXPECT_FALSE(shown(editor, "shortcutRecorder"));
    EXPECT_EQ(text(editor, "editorShortcutText"), "\u21E7\u2318K");
    EXPECT_TRUE(shown(editor, "editorClearButton"));

    child<QLineEdit>(editor, "editorNameField")->setText("  Renamed ");
    child<QCheckBox>(editor, "editorLaunchBox")->setChecked(true);
    click(editor, "editorSaveButton");
    flushDeletes();
    EXPECT_EQ(windowCount("editLayoutWindow"), 0);
    const auto stored = app().layoutManager().layouts.get();
    ASSERT_EQ(stored.size(), 1U);
    EXPECT_EQ(stored[0].name, "Renamed");
    EXPECT_EQ(stored[0].shortcutKeyCode, std::optional<std::uint16_t>(40));
    EXPECT_EQ(stored[0].shortcutModifiers, std::optional<std::uint64_t>(0x120000));
    EXPECT_TRUE(stored[0].launchMissingApps);
    EXPECT_FALSE(stored[0].closeOtherApps);
    EXPECT_EQ(stored[0].windows, layout.windows);
    EXPECT_EQ(stored[0].id, layout.id);
    // The new shortcut became a hotkey.
    ASSERT_EQ(h.hotkeys.registered().size(), 1U);
    EXPECT_EQ(h.hotkeys.registered()[0].keyCode, 40U);
}

TEST_F(LayoutEditorTest, EscapeKeepsTheShortcutAndAClearTakesEffectOnlyOnSave) {
    auto layout = layoutOf("Work", 1);
    layout.shortcutKeyCode = 0;
    layout.shortcutModifiers = modifier::kControl;
    auto* editor = open(layout);
    EXPECT_EQ(text(editor, "editorShortcutText"), "\u2303A");
    click(editor, "editorRecordButton");
    EXPECT_TRUE(h.hotkeys.registered().empty());  // silent while the recorder listens
    QTest::keyClick(child(editor, "shortcutRecorder"), Qt::Key_Escape);
    EXPECT_FALSE(static_cast<LayoutEditView*>(editor)->isRecordingShortcut());
    EXPECT_EQ(h.hotkeys.registered().size(), 1U);
    EXPECT_EQ(text(editor, "editorShortcutText"), "\u2303A");
    // Escape went to the recorder, not to the window's cancel.
    EXPECT_EQ(windowCount("editLayoutWindow"), 1);

    click(editor, "editorClearButton");
    EXPECT_TRUE(shown(editor, "editorNotSet"));
    click(editor, "editorCancelButton");
    flushDeletes();
    EXPECT_TRUE(app().layoutManager().layouts.get()[0].hasShortcut());

    auto* again = LayoutEditView::openWindow(shell->context(), layout);
    click(again, "editorClearButton");
    click(again, "editorSaveButton");
    EXPECT_FALSE(app().layoutManager().layouts.get()[0].hasShortcut());
    EXPECT_TRUE(h.hotkeys.registered().empty());
}

TEST_F(LayoutEditorTest, BlankNameDisablesSaveAndReturnSavesACheckBoxChange) {
    auto layout = layoutOf("Work", 1);
    auto* editor = open(layout);
    auto* name = child<QLineEdit>(editor, "editorNameField");
    EXPECT_EQ(name->placeholderText(), "Layout Name");
    name->setText(" \t ");
    EXPECT_FALSE(child<QAbstractButton>(editor, "editorSaveButton")->isEnabled());
    name->setText("Work");
    child<QCheckBox>(editor, "editorTriggerBox")->setChecked(true);
    editor->activateWindow();
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_TRUE(app().layoutManager().layouts.get()[0].triggerOnDisplayChange);
}

// Save writes only what the editor edits: a recapture made while it was open stays.
TEST_F(LayoutEditorTest, SaveKeepsARecaptureMadeWhileTheEditorWasOpen) {
    auto layout = layoutOf("Work", 2);
    auto* editor = open(layout);
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
}

TEST_F(LayoutEditorTest, SavingALayoutDeletedMeanwhileChangesNothingAndCloses) {
    auto layout = layoutOf("Work", 1);
    auto* editor = open(layout);
    app().layoutManager().layouts.set({});
    app().layoutManager().saveLayouts();
    click(editor, "editorSaveButton");
    flushDeletes();
    EXPECT_TRUE(app().layoutManager().layouts.get().empty());
    EXPECT_EQ(windowCount("editLayoutWindow"), 0);
}

}  // namespace
}  // namespace vantrel::testing
