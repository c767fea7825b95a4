// The recorder in the editor (refusals, Vantrel's own hotkeys silent, labels) and the workspace
// prompt.
#include <QTest>

#include "UiFixture.h"
#include "ui/LayoutEditView.h"
#include "ui/LayoutRowView.h"
#include "ui/ShortcutRecorder.h"

namespace vantrel::testing {
namespace {

constexpr std::uint64_t kControlOption = 0xC0000;
constexpr std::uint32_t kControlOptionMask = 0x1800;

class ShortcutRecorderTest : public UiTest {
  protected:
    WindowLayout work = withShortcut(layoutOf("Work", 1), 18);
    WindowLayout home = withShortcut(layoutOf("Home", 1), 4);  // Ctrl+Option+H
    LayoutEditView* editor = nullptr;

    static WindowLayout withShortcut(WindowLayout layout, std::uint16_t key) {
        layout.shortcutKeyCode = key;
        layout.shortcutModifiers = kControlOption;
        return layout;
    }

    void SetUp() override {
        UiTest::SetUp();
        h.writeLayoutFile({work, home});
        launch();
        app().preferences().setPresetShortcut(PresetLayout::leftHalf,
                                              PresetShortcut{123, kControlOption});
        editor = LayoutEditView::openWindow(shell->context(), home);
    }
    ShortcutRecorder* recorder() { return child<ShortcutRecorder>(editor, "shortcutRecorder"); }
};

TEST_F(ShortcutRecorderTest, RefusesWhatCannotWorkSaysWhyKeepsListeningAndKeepsThePrevious) {
    h.hotkeys.holdElsewhere(20, kControlOptionMask);  // another program has Ctrl+Option+3
    EXPECT_EQ(h.hotkeys.registered().size(), 3U);
    editor->startRecording();
    ASSERT_NE(recorder(), nullptr);
    // Listening: a press of Work's combination reaches nobody but the recorder.
    EXPECT_TRUE(h.hotkeys.registered().empty());
    EXPECT_EQ(h.hotkeys.press(18, kControlOptionMask), hotkey_status::kEventNotHandled);
    // Modifier keys alone, and keys without a code, are no shortcut: nothing happens.
    QTest::keyClick(recorder(), Qt::Key_Control, Qt::ControlModifier);
    QTest::keyClick(recorder(), Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_TRUE(recorder()->message().isEmpty());

    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* message;
    } refused[] = {
        {Qt::Key_A, Qt::NoModifier, "Add Ctrl, Alt or Super: only F1 to F12 work alone"},
        {Qt::Key_A, Qt::ShiftModifier, "Add Ctrl, Alt or Super: only F1 to F12 work alone"},
        {Qt::Key_1, Qt::ControlModifier | Qt::AltModifier, "Used by the layout Work"},
        {Qt::Key_Left, Qt::ControlModifier | Qt::AltModifier, "Used by the quick layout Left Half"},
        {Qt::Key_3, Qt::ControlModifier | Qt::AltModifier, "Another program uses this shortcut"},
    };
    for (const auto& r : refused) {
        QTest::keyClick(recorder(), r.key, r.modifiers);
        ASSERT_NE(recorder(), nullptr) << r.message;
        EXPECT_EQ(recorder()->message(), r.message);
        EXPECT_EQ(recorder()->toolTip(), r.message);
        EXPECT_EQ(editor->recordedKeyCode(), 4);
    }
    // Home's own combination is no conflict; F5 alone is a shortcut.
    QTest::keyClick(recorder(), Qt::Key_H, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_FALSE(editor->isRecordingShortcut());
    EXPECT_EQ(h.hotkeys.registered().size(), 3U);  // back once the recorder is gone
    flushDeletes();
    editor->startRecording();
    QTest::keyClick(recorder(), Qt::Key_F5);
    EXPECT_EQ(editor->recordedKeyCode(), 96);
    EXPECT_EQ(editor->recordedModifiers(), 0U);
    EXPECT_EQ(text(editor, "editorShortcutText"), "F5");
    // A layout switch relabels every shortcut shown (a made-up layout that prints Ж on H).
    h.hotkeys.changeKeyboard({{4, "\u0416"}});
    EXPECT_EQ(text(menu().rows()[1], "rowShortcutBadge"), "Ctrl+Alt+\u0416");
}

using SpaceMismatchTest = UiTest;

// What each answer does after that is LayoutCommandsTest's; here the prompt's words, and that
// each button reaches the commands as its answer (Restore This Time asks again next time).
TEST_F(SpaceMismatchTest, PromptNamesBothSpacesAndEachButtonGivesItsAnswer) {
    // The layout and its live window are on Space 2; the platform says Space 1 is current.
    auto onSpaceTwo = layoutOf("Elsewhere", 1, {10, 20, 500, 400});
    onSpaceTwo.windows[0].spaceIndex = 2;
    h.desktop.setWorkspaces(2);
    h.desktop.setWorkspace(live, 1);
    h.desktop.setCurrentWorkspace(0);
    h.writeLayoutFile({onSpaceTwo});
    launch();
    const struct {
        const char* button;
        bool moved, remembered;
    } table[] = {{"Cancel", false, false},
                 {"Restore This Time", true, false},
                 {"Always Restore", true, true}};
    for (const auto& row : table) {
        onSpaceTwo.windows[0].frameX += 10;  // somewhere new, so a restore shows
        dialogs.setNextAnswer(row.button);
        app().layoutManager().restoreLayout(onSpaceTwo);
        h.loop.runPending();
        EXPECT_EQ(h.frameOf(live).x == onSpaceTwo.windows[0].frameX, row.moved) << row.button;
        EXPECT_EQ(app().preferences().ignoreSpaceMismatch(), row.remembered) << row.button;
    }
    // A restore stopped for the prompt is no error, so no alert follows.
    ASSERT_EQ(dialogs.asked.size(), 3U);
    EXPECT_EQ(dialogs.asked[0].message,
              "This layout was saved on workspace 2, but you're currently on workspace 1.\n\n"
              "Windows will be restored to the current workspace.");
    EXPECT_EQ(dialogs.asked[0].buttons,
              (QStringList{"Always Restore", "Restore This Time", "Cancel"}));
}

}  // namespace
}  // namespace vantrel::testing
