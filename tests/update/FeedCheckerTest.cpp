// The checker's schedule and what each outcome tells the user, on virtual time.
#include <gtest/gtest.h>

#include "UpdateFakes.h"
#include "base/Log.h"
#include "base/ManualLoop.h"
#include "update/FeedChecker.h"

namespace vantrel {
namespace {

using testing::release;

class FeedCheckerTest : public ::testing::Test {
  protected:
    ManualLoop loop;
    MemoryLog log;
    testing::ScriptedFeed feed;
    testing::RecordingPresenter presenter;
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

TEST_F(FeedCheckerTest, AManualCheckReportsEveryOutcome) {
    checker.startUpdater();
    checker.checkForUpdates();
    feed.answer(std::vector{release("1.1"), release("1.2.0")});
    checker.checkForUpdates();
    feed.answer(std::vector{release("1.10.0", "1.10"), release("1.3"), release("nonsense")});
    checker.checkForUpdates();
    feed.answer(Error{"The update server answered 404 Not Found."});
    checker.checkForUpdates();
    feed.answer(std::vector{release("soon")});
    EXPECT_EQ(presenter.shown, (std::vector<std::string>{
                                   "up to date 1.2.0",
                                   "available 1.10",
                                   "failed The update server answered 404 Not Found.",
                                   "failed The update feed lists no version.",
                               }));
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
    testing::ScriptedFeed slowFeed;
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
