// The Qt key table, and the recorder: refusals with their reasons, the previous shortcut kept,
// and Vantrel's own hotkeys silent while it listens.
#include <QTest>

#include "UiFixture.h"
#include "ui/LayoutEditView.h"
#include "ui/LayoutRowView.h"
#include "ui/ShortcutRecorder.h"
#include "ui/ShortcutText.h"

namespace vantrel::testing {
namespace {

constexpr std::uint64_t kCommandShift = 0x120000;
constexpr std::uint64_t kControlOption = 0xC0000;
constexpr std::uint32_t kControlOptionMask = 0x1800;

TEST(ShortcutTextTest, QtKeysMapToTheStoredKeyCodesAndSuperIsCommand) {
    const std::pair<Qt::Key, std::optional<std::uint16_t>> keys[] = {
        {Qt::Key_A, 0},
        {Qt::Key_Z, 6},
        {Qt::Key_0, 29},
        {Qt::Key_9, 25},
        {Qt::Key_Up, 126},
        {Qt::Key_F12, 111},
        {Qt::Key_Return, 36},
        {Qt::Key_Enter, 36},
        {Qt::Key_Tab, 48},
        {Qt::Key_Backtab, 48},
        {Qt::Key_Space, 49},
        {Qt::Key_Backspace, 51},
        {Qt::Key_Escape, 53},
        {Qt::Key_PageDown, 121},
        {Qt::Key_Minus, 27},
        {Qt::Key_Exclam, 18},  // Shift+1 arrives as "!"
        {Qt::Key_Shift, std::nullopt},
        {Qt::Key_CapsLock, std::nullopt},
    };
    for (const auto& [key, code] : keys) EXPECT_EQ(virtualKeyCode(key), code) << key;
    EXPECT_EQ(modifierFlags(Qt::MetaModifier), 0x100000U);
    EXPECT_EQ(modifierFlags(Qt::AltModifier), 0x80000U);
    EXPECT_EQ(modifierFlags(Qt::ControlModifier), 0x40000U);
    EXPECT_EQ(modifierFlags(Qt::ShiftModifier), 0x20000U);
    EXPECT_EQ(modifierFlags(Qt::KeypadModifier | Qt::GroupSwitchModifier), 0U);
}

TEST(ShortcutRecorderAloneTest, RecordsKeysWithModifiersRefusesBareOnesAndEscapeCancels) {
    ShortcutRecorder recorder(nullptr, Uuid());
    std::vector<std::pair<std::uint16_t, std::uint64_t>> recorded;
    int cancels = 0;
    recorder.onShortcutRecorded = [&](std::uint16_t k, std::uint64_t m) {
        recorded.emplace_back(k, m);
    };
    recorder.onCancel = [&] { ++cancels; };
    EXPECT_EQ(QString::fromUtf8(ShortcutRecorder::prompt()), "Press shortcut...");
    QTest::keyClick(&recorder, Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier);
    QTest::keyClick(&recorder, Qt::Key_Shift, Qt::ShiftModifier);
    QTest::keyClick(&recorder, Qt::Key_Control, Qt::ControlModifier);
    QTest::keyClick(&recorder, Qt::Key_Insert);
    EXPECT_TRUE(recorder.message().isEmpty());
    QTest::keyClick(&recorder, Qt::Key_A);  // would take every "a" typed anywhere
    EXPECT_EQ(recorder.message(), "Add Ctrl, Alt or Super: only F1 to F12 work alone");
    QTest::keyClick(&recorder, Qt::Key_Left, Qt::ControlModifier | Qt::AltModifier);
    QTest::keyClick(&recorder, Qt::Key_F5);  // a function key may stand alone
    QTest::keyClick(&recorder, Qt::Key_Escape);
    EXPECT_EQ(recorded, (std::vector<std::pair<std::uint16_t, std::uint64_t>>{
                            {40, kCommandShift}, {123, kControlOption}, {96, 0}}));
    EXPECT_EQ(cancels, 1);
}

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
}

TEST_F(ShortcutRecorderTest, EscapeEndsTheSilenceAndTheKeyboardsLabelsAreShown) {
    editor->startRecording();
    EXPECT_TRUE(h.hotkeys.registered().empty());
    QTest::keyClick(recorder(), Qt::Key_Escape);
    flushDeletes();
    EXPECT_EQ(h.hotkeys.registered().size(), 3U);
    EXPECT_EQ(text(editor, "editorShortcutText"), "\u2303\u2325H");
    // A layout switch relabels every shortcut shown (a made-up layout that prints Ж on H).
    h.hotkeys.changeKeyboard({{4, "\u0416"}});
    EXPECT_EQ(text(editor, "editorShortcutText"), "\u2303\u2325\u0416");
    EXPECT_EQ(text(menu().rows()[1], "rowShortcutBadge"), "\u2303\u2325\u0416");
}

}  // namespace
}  // namespace vantrel::testing
