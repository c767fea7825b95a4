// The workspace-mismatch prompt: its text, its three answers, the preference, malformed notices.
#include "UiFixture.h"

namespace vantrel::testing {
namespace {

class SpaceMismatchTest : public UiTest {
  protected:
    WindowLayout onSpaceTwo = layoutOf("Elsewhere", 1, {10, 20, 500, 400});

    void SetUp() override {
        UiTest::SetUp();
        // The layout and its live window are on Space 2; the platform says Space 1 is current.
        h.desktop.setWorkspaces(2);
        h.desktop.setWorkspace(live, 1);
        h.desktop.setCurrentWorkspace(0);
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
    EXPECT_EQ(prompt.title, "Different Workspace Detected");
    EXPECT_EQ(prompt.message,
              "This layout was saved on workspace 2, but you're currently on workspace 1.\n\n"
              "Windows will be restored to the current workspace.");
    EXPECT_EQ(prompt.buttons, (QStringList{"Always Restore", "Restore This Time", "Cancel"}));
    EXPECT_EQ(prompt.cancelButton, "Cancel");
    EXPECT_FALSE(moved());
    EXPECT_TRUE(menu().pendingRestoreWindows().empty());
}

TEST_F(SpaceMismatchTest, RestoreThisTimeAsksAgainNextTimeAndAlwaysRestoreSilencesLaterOnes) {
    dialogs.setNextAnswer("Restore This Time");
    restore();
    EXPECT_TRUE(moved());
    EXPECT_FALSE(app().preferences().ignoreSpaceMismatch());
    EXPECT_TRUE(menu().pendingRestoreWindows().empty());
    dialogs.setNextAnswer("Always Restore");
    restore();
    EXPECT_EQ(prompts().size(), 2U);
    EXPECT_TRUE(h.defaults.boolForKey("ignoreSpaceMismatch"));
    restore();
    EXPECT_EQ(prompts().size(), 2U);
}

TEST_F(SpaceMismatchTest, MalformedNotificationsAreIgnored) {
    UserInfo info;
    info["capturedSpace"] = std::int64_t{2};
    info["currentSpace"] = std::int64_t{1};
    info["windows"] = std::string("not windows");
    app().notifications().post("layoutSpaceMismatch", info);
    app().notifications().post("layoutSpaceMismatch", {});
    info["windows"] = onSpaceTwo.windows;
    info["currentSpace"] = 1;  // an int, not a 64-bit integer
    app().notifications().post("layoutSpaceMismatch", info);
    h.loop.runPending();
    EXPECT_TRUE(dialogs.asked.empty());
    EXPECT_TRUE(menu().pendingRestoreWindows().empty());
}

}  // namespace
}  // namespace vantrel::testing
