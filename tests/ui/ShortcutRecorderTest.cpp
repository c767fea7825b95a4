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

TEST_F(ShortcutRecorderTest, RecordsKeyAndModifiersSkipsModifierAndUnknownKeysEscapeCancels) {
    EXPECT_EQ(QString::fromUtf8(ShortcutRecorder::prompt()), "Press shortcut...");
    QTest::keyClick(&recorder, Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier);
    QTest::keyClick(&recorder, Qt::Key_Shift, Qt::ShiftModifier);
    QTest::keyClick(&recorder, Qt::Key_Control, Qt::ControlModifier);
    QTest::keyClick(&recorder, Qt::Key_Home);
    QTest::keyClick(&recorder, Qt::Key_Left, Qt::ControlModifier | Qt::AltModifier);
    QTest::keyClick(&recorder, Qt::Key_F5);  // without modifiers: accepted with no bits
    QTest::keyClick(&recorder, Qt::Key_Escape);
    EXPECT_EQ(recorded, (std::vector<std::pair<std::uint16_t, std::uint64_t>>{
                            {40, kCommandShift}, {123, kControlOption}, {96, 0}}));
    EXPECT_EQ(cancels, 1);

    recorder.onShortcutRecorded = nullptr;
    recorder.onCancel = nullptr;
    QTest::keyClick(&recorder, Qt::Key_A);
    QTest::keyClick(&recorder, Qt::Key_Escape);
    EXPECT_EQ(recorded.size(), 3U);
    EXPECT_EQ(cancels, 1);
}

}  // namespace
}  // namespace vantrel
