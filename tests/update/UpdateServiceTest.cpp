// The update checker without a network (a scripted feed, a recording presenter and updater): its
// schedule and outcomes on virtual time, the service between the preference and the updater, the
// delegate starting it, and version order.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/AppHarness.h"
#include "base/Log.h"
#include "base/ManualLoop.h"
#include "base/NotificationCenter.h"
#include "model/PreferencesStore.h"
#include "update/FeedChecker.h"
#include "update/FeedReader.h"
#include "update/UpdatePresenter.h"
#include "update/UpdateService.h"
#include "update/Updater.h"
#include "update/Version.h"

namespace vantrel {
namespace {

// Holds each read until the test answers it.
class ScriptedFeed final : public FeedReader {
  public:
    void read(const std::string& url, Completion done) override {
        urls.push_back(url);
        pending.push_back(std::move(done));
    }
    void answer(Result<std::vector<AppcastItem>> result) {
        auto done = std::move(pending.front());
        pending.pop_front();
        done(std::move(result));
    }
    std::vector<std::string> urls;
    std::deque<Completion> pending;
};

class RecordingPresenter final : public UpdatePresenter {
  public:
    void showUpdateAvailable(const AppcastItem& item) override {
        shown.push_back("available " + item.shortVersionString);
        offered.push_back(item);
    }
    void showUpToDate(const std::string& currentVersion) override {
        shown.push_back("up to date " + currentVersion);
    }
    void showCheckFailed(const std::string& reason) override {
        shown.push_back("failed " + reason);
    }
    std::vector<std::string> shown;
    std::vector<AppcastItem> offered;
};

// Records what the service asks of the updater.
class RecordingUpdater final : public Updater {
  public:
    void setAutomaticallyChecksForUpdates(bool enabled) override {
        calls.push_back(std::string("automatic ") + (enabled ? "on" : "off"));
    }
    void setUpdateCheckInterval(Duration interval) override {
        calls.push_back(
            "interval " +
            std::to_string(std::chrono::duration_cast<std::chrono::seconds>(interval).count()));
    }
    void startUpdater() override { calls.push_back("start"); }
    void checkForUpdates() override { calls.push_back("check"); }
    Published<bool>& canCheckForUpdates() override { return can; }
    Published<bool> can{true};
    std::vector<std::string> calls;
};

inline AppcastItem release(std::string version, std::string shortVersion = {}) {
    AppcastItem item;
    item.version = std::move(version);
    item.shortVersionString = shortVersion.empty() ? item.version : std::move(shortVersion);
    item.releaseNotesLink = "https://vantrel.app/notes/" + item.version;
    item.downloadPage = "https://vantrel.app/download";
    return item;
}

// With an updater of its own the delegate starts it at launch, not the hook; the order of the
// launch steps is AppScenarioTest's, the updater's calls UpdateService's.
TEST(AppUpdate, TheDelegateStartsItsUpdaterAtLaunchAndFollowsThePreference) {
    RecordingUpdater updater;
    testing::AppHarness h;
    h.app = std::make_unique<AppDelegate>(AppPlatform{h.seam, h.hotkeys, h.defaults, h.loginItem,
                                                      h.loop, h.loop, h.inlineWorker, h.log,
                                                      h.dir.path(), &updater});
    h.app->start();
    EXPECT_TRUE(updater.calls.empty());
    LaunchHooks hooks;
    hooks.startUpdater = [] { ADD_FAILURE() << "the hook started an updater too"; };
    h.app->setLaunchHooks(std::move(hooks));
    h.app->applicationDidFinishLaunching();
    EXPECT_EQ(updater.calls.back(), "start");
    h.app->preferences().setCheckForUpdates(false);
    EXPECT_EQ(updater.calls.back(), "automatic off");
}

// Once the service is gone, the preference no longer reaches its updater.
TEST(UpdateService, StoredFalseKeepsAutomaticChecksOffAndAGoneServiceHearsNothing) {
    InMemoryUserDefaults defaults;
    defaults.setBool("checkForUpdates", false);
    RecordingLoginItem loginItem;
    NotificationCenter notifications;
    MemoryLog log;
    PreferencesStore prefs(defaults, loginItem, notifications, log);
    RecordingUpdater updater;
    {
        UpdateService service(updater, prefs);
        service.start();
        service.start();
        service.checkForUpdatesNow();  // the manual check is still offered
        prefs.setCheckForUpdates(true);
    }
    prefs.setCheckForUpdates(false);
    EXPECT_EQ(updater.calls, (std::vector<std::string>{"automatic off", "interval 14400", "start",
                                                       "check", "automatic on"}));
}

TEST(Version, OrdersReleasesAndPreReleasesAndNoVersionIsEverNewer) {
    for (const auto& [lower, higher] : {std::pair{"1.9", "1.10"},
                                        {"1.2", "1.2.1"},
                                        {"0.9.9", "1.0"},
                                        {"1.2-beta", "1.2"},
                                        {"1.2rc1", "1.2"},
                                        {"1.2-alpha", "1.2-beta"},
                                        {"1.2-beta.2", "1.2-beta.10"},
                                        {"1.2-rc.1", "1.2-rc.beta"},
                                        {"1.2-beta", "1.2-beta.1"},
                                        {"2.0-alpha", "2.0.1"},
                                        {"1.0", "18446744073709551.0"}}) {
        EXPECT_TRUE(isNewerVersion(higher, lower)) << lower << " < " << higher;
        EXPECT_FALSE(isNewerVersion(lower, higher)) << lower << " < " << higher;
    }
    for (const auto& [a, b] : {std::pair{"1.2", "1.2.0"},
                               {"v1.2", " 1.2.0.0 "},
                               {"1.2+build.7", "1.2"},
                               {"1.2-RC1", "1.2rc.1"},
                               {"01.2", "1.2"}}) {
        ASSERT_TRUE(Version::parse(a) && Version::parse(b)) << a << " == " << b;
        EXPECT_EQ(*Version::parse(a), *Version::parse(b)) << a << " == " << b;
    }
    for (const char* text :
         {"", "beta", "v", "1.2-", "1.2-beta.", "1.2 beta", "1..2", "-1.2", "1.2-<b>",
          "9999999999999999999",
          "1.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0"}) {
        EXPECT_FALSE(Version::parse(text).has_value()) << text;
        EXPECT_FALSE(isNewerVersion(text, "0.1") || isNewerVersion("99.0", text)) << text;
    }
}

class FeedCheckerTest : public ::testing::Test {
  protected:
    ManualLoop loop;
    MemoryLog log;
    ScriptedFeed feed;
    RecordingPresenter presenter;
    FeedChecker checker{feed, presenter, loop,
                        loop, log,       {"https://vantrel.app/appcast.xml", "1.2.0"}};
};

TEST_F(FeedCheckerTest, AutomaticChecksComeShortlyAfterStartThenEveryInterval) {
    checker.setAutomaticallyChecksForUpdates(true);
    checker.setUpdateCheckInterval(4h);
    loop.advance(1h);
    EXPECT_TRUE(feed.urls.empty());  // nothing before start
    EXPECT_FALSE(checker.canCheckForUpdates().get());
    checker.startUpdater();
    EXPECT_TRUE(checker.canCheckForUpdates().get());
    loop.advance(FeedChecker::kFirstCheckDelay - 1ms);
    EXPECT_TRUE(feed.urls.empty());
    loop.advance(1ms);
    ASSERT_EQ(feed.urls, std::vector<std::string>{"https://vantrel.app/appcast.xml"});
    // No second check while one runs, not even a manual one.
    EXPECT_FALSE(checker.canCheckForUpdates().get());
    checker.checkForUpdates();
    loop.advance(5h);
    EXPECT_EQ(feed.urls.size(), 1U);

    // The next one comes an interval after this one ended; failures are one quiet log line.
    feed.answer(Error{"The update server did not answer within 15 seconds."});
    EXPECT_TRUE(checker.canCheckForUpdates().get());
    loop.advance(4h - 1ms);
    EXPECT_EQ(feed.urls.size(), 1U);
    loop.advance(1ms);
    feed.answer(std::vector{release("1.1")});
    EXPECT_TRUE(presenter.shown.empty());
    EXPECT_EQ(log.take(), std::vector<std::string>{"UpdateService: Update check failed: The "
                                                   "update server did not answer within 15 "
                                                   "seconds."});
    // Switching off cancels the scheduled check.
    checker.setAutomaticallyChecksForUpdates(false);
    loop.advance(10h);
    EXPECT_EQ(feed.urls.size(), 2U);
}

// The newest version listed decides; a failure is shown only to the user who asked.
TEST_F(FeedCheckerTest, AManualCheckReportsEveryOutcome) {
    checker.startUpdater();
    for (auto answer : std::vector<Result<std::vector<AppcastItem>>>{
             std::vector{release("1.1"), release("1.2.0")},
             std::vector{release("1.10.0", "1.10"), release("1.3"), release("nonsense")},
             Error{"The update server answered 404 Not Found."}, std::vector{release("soon")}}) {
        checker.checkForUpdates();
        feed.answer(std::move(answer));
    }
    EXPECT_EQ(presenter.shown,
              (std::vector<std::string>{"up to date 1.2.0", "available 1.10",
                                        "failed The update server answered 404 Not Found.",
                                        "failed The update feed lists no version."}));
    EXPECT_EQ(presenter.offered.at(0), release("1.10.0", "1.10"));
    EXPECT_EQ(log.lines().size(), 3U);
    EXPECT_EQ(log.lines().at(0), "UpdateService: Update available: 1.10");
}

TEST_F(FeedCheckerTest, AutomaticChecksAnnounceAVersionOnce) {
    checker.setAutomaticallyChecksForUpdates(true);
    checker.startUpdater();
    for (int i = 0; i < 2; ++i) {
        loop.advance(4h);
        feed.answer(std::vector{release("1.3")});
    }
    EXPECT_EQ(presenter.shown, std::vector<std::string>{"available 1.3"});
    checker.checkForUpdates();  // the user asking still hears of it
    feed.answer(std::vector{release("1.3")});
    EXPECT_EQ(presenter.shown.size(), 2U);
}

TEST_F(FeedCheckerTest, ALateAnswerAfterTheCheckerIsGoneIsDropped) {
    ScriptedFeed slowFeed;
    {
        FeedChecker gone(slowFeed, presenter, loop, loop, log, {"https://x.test/feed", "1.0"});
        gone.startUpdater();
        gone.checkForUpdates();
    }
    slowFeed.answer(std::vector{release("2.0")});
    EXPECT_TRUE(presenter.shown.empty());
}

}  // namespace
}  // namespace vantrel
