// The delegate's update service: made with the other services, started in launch step 3.
#include <gtest/gtest.h>

#include "UpdateFakes.h"
#include "app/AppHarness.h"

namespace vantrel {
namespace {

TEST(AppUpdate, TheDelegateStartsItsUpdaterAfterThePermissionQueryAndNotTheHook) {
    testing::RecordingUpdater updater(true);
    testing::AppHarness h;
    h.defaults.setBool("hasCompletedOnboarding", true);
    h.app = std::make_unique<AppDelegate>(AppPlatform{h.seam, h.hotkeys, h.defaults, h.loginItem,
                                                      h.loop, h.loop, h.inlineWorker, h.log,
                                                      h.dir.path(), &updater});
    ASSERT_NE(h.app->updateService(), nullptr);
    EXPECT_TRUE(h.app->updateService()->canCheckForUpdates.get());
    h.app->start();
    EXPECT_TRUE(updater.calls.empty());

    int hookStarts = 0;
    LaunchHooks hooks;
    hooks.installStatusItem = [&] { h.desktop.clearCalls(); };
    hooks.startUpdater = [&] { ++hookStarts; };
    h.app->setLaunchHooks(std::move(hooks));
    // The permission was asked again between the status item and the updater.
    std::size_t trustedAtStart = 0;
    updater.onStart = [&] { trustedAtStart = h.desktop.callCount("capabilities"); };
    h.app->applicationDidFinishLaunching();
    EXPECT_EQ(trustedAtStart, 1U);
    EXPECT_EQ(updater.calls, (std::vector<std::string>{"automatic on", "interval 14400", "start"}));
    EXPECT_EQ(hookStarts, 0);

    // The preferences window's switch reaches the updater at once.
    h.app->preferences().setCheckForUpdates(false);
    EXPECT_EQ(updater.calls.back(), "automatic off");
}

}  // namespace
}  // namespace vantrel
