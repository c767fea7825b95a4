// Whole checks over HTTP against a loopback server: the service, the checker and the reader.
#include <gtest/gtest.h>

#include <optional>

#include "LoopbackServer.h"
#include "UpdateFakes.h"
#include "base/Clock.h"
#include "base/Log.h"
#include "base/NotificationCenter.h"
#include "model/PreferencesStore.h"
#include "model/UserDefaults.h"
#include "ui/QtMainQueue.h"
#include "update/FeedChecker.h"
#include "update/UpdateService.h"
#include "update/qt/QtFeedReader.h"

namespace vantrel {
namespace {

using testing::Reply;
using testing::waitUntil;

QByteArray feedOf(const QByteArray& version) {
    return "<rss version=\"2.0\" xmlns:vantrel=\"https://vantrel.app/xml-namespaces/appcast\">"
           "<channel><item><link>https://vantrel.app/download</link><vantrel:version>" +
           version + "</vantrel:version></item></channel></rss>";
}

class QtFeedReaderTest : public ::testing::Test {
  protected:
    testing::LoopbackServer server;
    QtMainQueue queue;
    SystemClock clock;
    MemoryLog log;
    testing::RecordingPresenter presenter;
    InMemoryUserDefaults defaults;
    RecordingLoginItem loginItem;
    NotificationCenter notifications;
    std::optional<PreferencesStore> preferences;
    std::optional<QtFeedReader> reader;
    std::optional<FeedChecker> checker;
    std::optional<UpdateService> service;

    void start(QtFeedReader::Options options = {}) {
        preferences.emplace(defaults, loginItem, notifications, log);
        reader.emplace(options);
        checker.emplace(*reader, presenter, queue, clock, log,
                        FeedChecker::Config{server.url("/appcast.xml").toStdString(), "1.2.0",
                                            Duration::zero()});
        service.emplace(*checker, *preferences);
        service->start();
    }

    // A check the user asked for, run to its message.
    std::string checkNow() {
        const auto before = presenter.shown.size();
        EXPECT_TRUE(service->canCheckForUpdates.get());
        service->checkForUpdatesNow();
        EXPECT_FALSE(service->canCheckForUpdates.get());
        if (!waitUntil([&] { return presenter.shown.size() > before; })) return "no answer";
        EXPECT_TRUE(service->canCheckForUpdates.get());
        return presenter.shown.back();
    }
};

TEST_F(QtFeedReaderTest, ManualChecksCompareTheFeedWithTheRunningVersion) {
    defaults.setBool("checkForUpdates", false);
    start();
    server.route("/appcast.xml", Reply{200, feedOf("1.10"), {}, false});
    EXPECT_EQ(checkNow(), "available 1.10");
    EXPECT_EQ(presenter.offered.back().downloadPage, "https://vantrel.app/download");
    server.route("/appcast.xml", Reply{200, feedOf("1.2"), {}, false});
    EXPECT_EQ(checkNow(), "up to date 1.2.0");
    server.route("/appcast.xml", Reply{200, feedOf("1.1.9"), {}, false});
    EXPECT_EQ(checkNow(), "up to date 1.2.0");
    EXPECT_EQ(server.requests.size(), 3);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"UpdateService: Update available: 1.10"});
}

TEST_F(QtFeedReaderTest, FailuresAreOneLineAndLeaveTheCheckerReady) {
    QtFeedReader::Options options;
    options.timeout = std::chrono::milliseconds{300};
    options.maxBytes = 4096;
    defaults.setBool("checkForUpdates", false);
    start(options);

    server.route("/appcast.xml", Reply{200, "<rss><channel><item>", {}, false});
    EXPECT_TRUE(checkNow().starts_with("failed The update feed is not valid XML"));
    server.route("/appcast.xml", Reply{404, "gone", {}, false});
    EXPECT_EQ(checkNow(), "failed The update server answered 404 Not Found.");
    server.route("/appcast.xml", Reply{200, QByteArray(5000, ' '), {}, false});
    EXPECT_EQ(checkNow(), "failed The update feed is larger than 4096 bytes.");
    server.route("/appcast.xml", Reply{0, {}, {}, true});
    EXPECT_EQ(checkNow(), "failed The update server did not answer within 0.3 seconds.");
    // A redirect may only lead to HTTPS.
    server.route("/appcast.xml",
                 Reply{302, {}, "Location: " + server.url("/other.xml").toUtf8() + "\r\n", false});
    EXPECT_EQ(checkNow(), "failed The update feed redirected to an address that is not HTTPS: " +
                              server.url("/other.xml").toStdString());
    EXPECT_FALSE(server.requests.contains("/other.xml"));

    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 5U);
    for (const auto& line : lines)
        EXPECT_TRUE(line.starts_with("UpdateService: Update check failed: "));
}

TEST_F(QtFeedReaderTest, PlainHttpIsRefusedExceptOnThisMachine) {
    for (const char* refused : {"http://vantrel.app/a.xml", "http://10.0.0.1/a.xml",
                                "ftp://vantrel.app/a.xml", "file:///etc/passwd"})
        EXPECT_FALSE(QtFeedReader::isAllowedFeedUrl(QUrl(refused))) << refused;
    for (const char* allowed :
         {"https://vantrel.app/a.xml", "http://localhost:8000/a.xml", "http://[::1]:8000/a.xml"})
        EXPECT_TRUE(QtFeedReader::isAllowedFeedUrl(QUrl(allowed))) << allowed;

    QtFeedReader plain;
    std::optional<std::string> failure;
    plain.read("http://vantrel.app/appcast.xml",
               [&](auto result) { failure = result.ok() ? "read" : result.error().message; });
    EXPECT_FALSE(failure);  // answered later, like any read
    ASSERT_TRUE(waitUntil([&] { return failure.has_value(); }));
    EXPECT_EQ(*failure,
              "The update feed address is not an HTTPS address: http://vantrel.app/appcast.xml");
}

TEST_F(QtFeedReaderTest, AutomaticChecksFollowThePreferenceAtOnce) {
    defaults.setBool("checkForUpdates", false);
    server.route("/appcast.xml", Reply{200, feedOf("2.0"), {}, false});
    start();
    EXPECT_FALSE(checker->hasScheduledCheck());

    preferences->setCheckForUpdates(true);
    EXPECT_TRUE(checker->hasScheduledCheck());
    ASSERT_TRUE(waitUntil([&] { return !presenter.shown.empty(); }));
    EXPECT_EQ(presenter.shown, std::vector<std::string>{"available 2.0"});
    EXPECT_EQ(server.requests.size(), 1);
    // The next automatic check waits the full interval; switching off cancels it.
    EXPECT_TRUE(checker->hasScheduledCheck());
    preferences->setCheckForUpdates(false);
    EXPECT_FALSE(checker->hasScheduledCheck());
}

TEST_F(QtFeedReaderTest, AReaderDestroyedMidFetchNeverAnswers) {
    server.route("/slow.xml", Reply{0, {}, {}, true});
    bool answered = false;
    {
        QtFeedReader doomed;
        doomed.read(server.url("/slow.xml").toStdString(), [&](auto) { answered = true; });
        ASSERT_TRUE(waitUntil([&] { return !server.requests.isEmpty(); }));
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(answered);
}

}  // namespace
}  // namespace vantrel
