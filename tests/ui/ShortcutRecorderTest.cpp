// Shortcut texts, the Qt key table, and the recorder's key handling.
#include <QTest>

#include "UiFixture.h"
#include "ui/ShortcutRecorder.h"
#include "ui/ShortcutText.h"

namespace vantrel {
namespace {

constexpr std::uint64_t kCommandShift = 0x120000;
constexpr std::uint64_t kControlOption = 0xC0000;

TEST(ShortcutTextTest, ModifiersInControlOptionShiftCommandOrderThenTheKey) {
    EXPECT_EQ(editorShortcutText(40, kCommandShift), "\u21E7\u2318K");
    EXPECT_EQ(editorShortcutText(123, kControlOption), "\u2303\u2325\u2190");
    EXPECT_EQ(preferencesShortcutText(123, kControlOption), "\u2303\u2325\u2190");
    EXPECT_EQ(editorShortcutText(29, 0x1E0000), "\u2303\u2325\u21E7\u23180");
    // Bits outside the four modifiers are ignored.
    EXPECT_EQ(editorShortcutText(0, 0x10000 | 0x800000), "A");
}

TEST(ShortcutTextTest, FunctionAndSpecialKeysAreNamedOnlyInTheEditor) {
    const std::pair<std::uint16_t, const char*> editorOnly[] = {
        {122, "F1"},    {96, "F5"},    {111, "F12"},   {36, "\u21A9"},
        {48, "\u21E5"}, {49, "Space"}, {51, "\u232B"}, {53, "\u238B"}};
    for (const auto& [code, name] : editorOnly) {
        EXPECT_EQ(editorShortcutText(code, 0), QString::fromUtf8(name)) << code;
        EXPECT_EQ(preferencesShortcutText(code, 0), "?") << code;
    }
    EXPECT_EQ(editorShortcutText(10, 0), "?");
    EXPECT_EQ(preferencesShortcutText(10, 0), "?");
    EXPECT_EQ(editorShortcutText(22, 0), "6");
    EXPECT_EQ(editorShortcutText(23, 0), "5");
}

TEST(ShortcutTextTest, QtKeysMapToTheStoredKeyCodes) {
    EXPECT_EQ(virtualKeyCode(Qt::Key_A), 0);
    EXPECT_EQ(virtualKeyCode(Qt::Key_Z), 6);
    EXPECT_EQ(virtualKeyCode(Qt::Key_0), 29);
    EXPECT_EQ(virtualKeyCode(Qt::Key_9), 25);
    EXPECT_EQ(virtualKeyCode(Qt::Key_Up), 126);
    EXPECT_EQ(virtualKeyCode(Qt::Key_F12), 111);
    EXPECT_EQ(virtualKeyCode(Qt::Key_Return), 36);
    EXPECT_EQ(virtualKeyCode(Qt::Key_Enter), 36);
    EXPECT_EQ(virtualKeyCode(Qt::Key_Tab), 48);
    EXPECT_EQ(virtualKeyCode(Qt::Key_Backtab), 48);
    EXPECT_EQ(virtualKeyCode(Qt::Key_Space), 49);
    EXPECT_EQ(virtualKeyCode(Qt::Key_Backspace), 51);
    EXPECT_EQ(virtualKeyCode(Qt::Key_Escape), 53);
    // Shift+1 arrives as "!" but is still the 1 key.
    EXPECT_EQ(virtualKeyCode(Qt::Key_Exclam), 18);
    EXPECT_EQ(virtualKeyCode(Qt::Key_Shift), std::nullopt);
    EXPECT_EQ(virtualKeyCode(Qt::Key_CapsLock), std::nullopt);
}

TEST(ShortcutTextTest, SuperIsCommandAltIsOptionAndOtherModifiersAreDropped) {
    EXPECT_EQ(modifierFlags(Qt::MetaModifier), 0x100000U);
    EXPECT_EQ(modifierFlags(Qt::AltModifier), 0x80000U);
    EXPECT_EQ(modifierFlags(Qt::ControlModifier), 0x40000U);
    EXPECT_EQ(modifierFlags(Qt::ShiftModifier), 0x20000U);
    EXPECT_EQ(modifierFlags(Qt::KeypadModifier | Qt::GroupSwitchModifier), 0U);
}

class ShortcutRecorderTest : public ::testing::Test {
  protected:
    ShortcutRecorder recorder;
    std::vector<std::pair<std::uint16_t, std::uint64_t>> recorded;
    int cancels = 0;

    void SetUp() override {
        recorder.onShortcutRecorded = [this](std::uint16_t k, std::uint64_t m) {
            recorded.emplace_back(k, m);
        };
        recorder.onCancel = [this] { ++cancels; };
    }
};

TEST_F(ShortcutRecorderTest, RecordsKeyAndModifiersAndEscapeCancels) {
    EXPECT_EQ(recorder.sizeHint(), QSize(120, 24));
    EXPECT_EQ(QString::fromUtf8(ShortcutRecorder::prompt()), "Press shortcut...");
    QTest::keyClick(&recorder, Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier);
    QTest::keyClick(&recorder, Qt::Key_Left, Qt::ControlModifier | Qt::AltModifier);
    QTest::keyClick(&recorder, Qt::Key_Escape);
    EXPECT_EQ(recorded, (std::vector<std::pair<std::uint16_t, std::uint64_t>>{
                            {40, kCommandShift}, {123, kControlOption}}));
    EXPECT_EQ(cancels, 1);
}

TEST_F(ShortcutRecorderTest, ModifierKeysAloneAndUnknownKeysRecordNothing) {
    QTest::keyClick(&recorder, Qt::Key_Shift, Qt::ShiftModifier);
    QTest::keyClick(&recorder, Qt::Key_Control, Qt::ControlModifier);
    QTest::keyClick(&recorder, Qt::Key_Home);
    EXPECT_TRUE(recorded.empty());
    // A key without modifiers is accepted with no bits.
    QTest::keyClick(&recorder, Qt::Key_F5);
    EXPECT_EQ(recorded, (std::vector<std::pair<std::uint16_t, std::uint64_t>>{{96, 0}}));
}

TEST_F(ShortcutRecorderTest, WithoutActionsKeysDoNothing) {
    recorder.onShortcutRecorded = nullptr;
    recorder.onCancel = nullptr;
    QTest::keyClick(&recorder, Qt::Key_A);
    QTest::keyClick(&recorder, Qt::Key_Escape);
    EXPECT_TRUE(recorded.empty());
    EXPECT_EQ(cancels, 0);
}

}  // namespace
}  // namespace vantrel
