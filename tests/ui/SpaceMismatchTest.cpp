// The Space-mismatch prompt: its text, its three answers and the preference.
#include "UiFixture.h"

namespace vantrel::testing {
namespace {

class SpaceMismatchTest : public UiTest {
  protected:
    WindowLayout onSpaceTwo = layoutOf("Elsewhere", 1, {10, 20, 500, 400});

    void SetUp() override {
        UiTest::SetUp();
        // The layout and its live window are on Space 2; the platform says Space 1 is current.
        h.desktop.setSpaces({{"S1", {}, {}}, {"S2", {static_cast<std::int64_t>(live)}, {}}});
        h.desktop.setCurrentSpace(1);
        onSpaceTwo.windows[0].spaceIndex = 2;
        h.writeLayoutFile({onSpaceTwo});
        launch();
    }

    void restore() {
        app().layoutManager().restoreLayout(onSpaceTwo);
        h.loop.runPending();
    }

    // Placed, and on the current Space as the prompt promised.
    bool moved() {
        return h.frameOf(live) == Rect{10, 20, 500, 400} &&
               app().spaceService().spaceForWindow(live)->index == 1;
    }

    // Every question asked; a restore stopped for the prompt is no error, so no alert follows.
    const std::vector<DialogQuestion>& prompts() const { return dialogs.asked; }
};

TEST_F(SpaceMismatchTest, PromptNamesBothSpacesAndCancelRestoresNothing) {
    restore();
    ASSERT_EQ(prompts().size(), 1U);
    const auto prompt = prompts()[0];
    EXPECT_EQ(prompt.title, "Different Space Detected");
    EXPECT_EQ(prompt.message,
              "This layout was saved on Space 2, but you're currently on Space 1.\n\nWindows "
              "will be restored to the current Space.");
    EXPECT_EQ(prompt.buttons, (QStringList{"Always Restore", "Restore This Time", "Cancel"}));
    EXPECT_EQ(prompt.cancelButton, "Cancel");
    EXPECT_FALSE(moved());
    EXPECT_FALSE(app().commands().pendingSpaceRestore.get().has_value());
}

// "Restore This Time" restores and asks again next time; "Always Restore" asks no more.
TEST_F(SpaceMismatchTest, EachRestoringAnswerRestoresAndOnlyAlwaysSilencesLaterPrompts) {
    dialogs.setNextAnswer("Restore This Time");
    restore();
    EXPECT_TRUE(moved());
    EXPECT_FALSE(app().preferences().ignoreSpaceMismatch());
    dialogs.setNextAnswer("Always Restore");
    restore();
    EXPECT_EQ(prompts().size(), 2U);
    EXPECT_TRUE(h.defaults.boolForKey("ignoreSpaceMismatch"));
    restore();
    EXPECT_EQ(prompts().size(), 2U);
    EXPECT_FALSE(app().commands().pendingSpaceRestore.get().has_value());
}

}  // namespace
}  // namespace vantrel::testing
