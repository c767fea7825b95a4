// Onboarding: when the welcome window opens, its pages, live permission, and completion.
#include <QTest>

#include "UiFixture.h"
#include "ui/OnboardingView.h"

namespace vantrel::testing {
namespace {

class OnboardingTest : public UiTest {
  protected:
    void SetUp() override {
        UiTest::SetUp();
        h.defaults.remove("hasCompletedOnboarding");
    }
    OnboardingView* welcome() { return shell->welcomeWindow(); }
};

// The texts of the pages are walked with every other view's (PlatformWordsTest).
TEST_F(OnboardingTest, FirstLaunchOpensTheWelcomeWindowBeforeTheSummaryAndItsPagesNavigate) {
    launch();
    auto* view = welcome();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(h.lastLines(3)[0], "Vantrel started");
    EXPECT_EQ(view->currentPage(), 0);
    EXPECT_FALSE(shown(view, "onboardingBack"));
    EXPECT_TRUE(shown(view, "onboardingContinue"));
    EXPECT_FALSE(shown(view, "onboardingGetStarted"));

    click(view, "onboardingContinue");
    EXPECT_EQ(view->currentPage(), 1);
    EXPECT_TRUE(shown(view, "onboardingBack"));

    QTest::keyClick(view, Qt::Key_Return);  // the window's default button
    EXPECT_EQ(view->currentPage(), 2);
    EXPECT_FALSE(shown(view, "onboardingContinue"));
    EXPECT_TRUE(shown(view, "onboardingGetStarted"));

    click(view, "onboardingBack");
    click(view, "onboardingBack");
    EXPECT_EQ(view->currentPage(), 0);
    view->back();
    EXPECT_EQ(view->currentPage(), 0);
}

TEST_F(OnboardingTest, PermissionPageSwitchesByItselfWhenThePermissionArrives) {
    h.desktop.setTrusted(false);
    launch();
    auto* view = welcome();
    view->next();
    EXPECT_TRUE(shown(view, "permissionButtons"));
    EXPECT_FALSE(shown(view, "permissionGrantedRow"));
    click(view, "onboardingGrantButton");
    EXPECT_EQ(h.desktop.trustRequests(), 1);
    click(view, "onboardingSettingsButton");
    ASSERT_EQ(dialogs.asked.size(), 2U);
    EXPECT_EQ(dialogs.asked[1].title, "Window Manager Needed");

    h.desktop.setTrusted(true);
    h.loop.advance(2s);
    h.loop.runPending();
    EXPECT_FALSE(shown(view, "permissionButtons"));
    EXPECT_TRUE(shown(view, "permissionGrantedRow"));
    EXPECT_EQ(text(view, "permissionGrantedText"), "Window manager found!");
}

TEST_F(OnboardingTest, GetStartedStoresTheFlagClosesAndOpensThePopoverLater) {
    launch();
    auto* view = welcome();
    view->next();
    view->next();
    click(view, "onboardingGetStarted");
    flushDeletes();
    EXPECT_TRUE(h.defaults.boolForKey("hasCompletedOnboarding"));
    EXPECT_EQ(windowCount("welcomeWindow"), 0);
    EXPECT_FALSE(controller().isPopoverShown());
    h.loop.advance(299ms);
    EXPECT_FALSE(controller().isPopoverShown());
    h.loop.advance(1ms);
    EXPECT_TRUE(controller().isPopoverShown());
}

TEST_F(OnboardingTest, ClosingTheWindowLeavesOnboardingPending) {
    launch();
    welcome()->close();
    flushDeletes();
    h.loop.advance(1s);
    EXPECT_FALSE(h.defaults.boolForKey("hasCompletedOnboarding"));
    EXPECT_FALSE(controller().isPopoverShown());
}

}  // namespace
}  // namespace vantrel::testing
