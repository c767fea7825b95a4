// Reading the update feed: parsing, and whole checks over HTTP against a loopback server.
#include <gtest/gtest.h>

#include <QByteArray>
#include <optional>

#include "LoopbackServer.h"
#include "UpdateFakes.h"
#include "base/Clock.h"
#include "base/Log.h"
#include "ui/QtMainQueue.h"
#include "update/FeedChecker.h"
#include "update/qt/AppcastParser.h"
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
    std::optional<QtFeedReader> reader;
    std::optional<FeedChecker> checker;

    void start(QtFeedReader::Options options) {
        reader.emplace(options);
        checker.emplace(*reader, presenter, queue, clock, log,
                        FeedChecker::Config{server.url("/appcast.xml").toStdString(), "1.2.0",
                                            Duration::zero()});
        checker->startUpdater();
    }

    // A check the user asked for, run to its message.
    std::string checkNow() {
        const auto before = presenter.shown.size();
        EXPECT_TRUE(checker->canCheckForUpdates().get());
        checker->checkForUpdates();
        EXPECT_FALSE(checker->canCheckForUpdates().get());
        if (!waitUntil([&] { return presenter.shown.size() > before; })) return "no answer";
        EXPECT_TRUE(checker->canCheckForUpdates().get());
        return presenter.shown.back();
    }
};

// Each check compares the feed with the running version; a failure is one line and leaves the
// checker ready.
TEST_F(QtFeedReaderTest, ManualChecksReportEachOutcome) {
    QtFeedReader::Options options;
    options.timeout = std::chrono::milliseconds{300};
    options.maxBytes = 4096;
    start(options);
    server.route("/appcast.xml", Reply{200, feedOf("1.10"), {}, false});
    EXPECT_EQ(checkNow(), "available 1.10");
    EXPECT_EQ(presenter.offered.back().downloadPage, "https://vantrel.app/download");
    EXPECT_EQ(log.take(), std::vector<std::string>{"UpdateService: Update available: 1.10"});
    server.route("/appcast.xml", Reply{200, feedOf("1.2"), {}, false});
    EXPECT_EQ(checkNow(), "up to date 1.2.0");
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

QByteArray feed(const QByteArray& items) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<rss version=\"2.0\" xmlns:vantrel=\"https://vantrel.app/xml-namespaces/appcast\">"
           "<channel><title>Vantrel</title>" +
           items + "</channel></rss>";
}

// Every item in order; only web links and our own namespace's elements are kept.
TEST(AppcastParser, ReadsEveryItemKeepingOnlyWebLinksAndOurOwnElements) {
    const auto items = parseAppcast(
        feed("<item><title>Vantrel 1.3</title><link>https://vantrel.app/download</link>"
             "<vantrel:version>1.3.0</vantrel:version>"
             "<vantrel:shortVersionString>1.3</vantrel:shortVersionString>"
             "<vantrel:releaseNotesLink> https://vantrel.app/notes/1.3 </vantrel:releaseNotesLink>"
             "<description><![CDATA[<p>Faster <b>restores</b></p>]]></description>"
             "<enclosure url=\"https://vantrel.app/x.tar\"/></item>"
             "<item xmlns:other=\"https://example.org/ns\"><other:version>9.0</other:version>"
             "<vantrel:version>1.2</vantrel:version><link>file:///usr/bin/xterm</link>"
             "<vantrel:releaseNotesLink>javascript:alert(1)</vantrel:releaseNotesLink></item>"
             "<item><link>https://vantrel.app/</link></item>"));
    ASSERT_TRUE(items.ok()) << items.error().message;
    // Without a short version string the version is shown; an item without one is kept, then
    // passed over when versions are compared.
    EXPECT_EQ(*items, (std::vector<AppcastItem>{
                          {"Vantrel 1.3", "1.3.0", "1.3", "https://vantrel.app/notes/1.3",
                           "https://vantrel.app/download"},
                          {"", "1.2", "1.2", "", ""},
                          {"", "", "", "", "https://vantrel.app/"}}));
    EXPECT_TRUE(parseAppcast(feed("")).value().empty());
}

TEST(AppcastParser, RefusesWhatIsNotAFeedAndAHugeDocumentBeforeReadingIt) {
    QByteArray many;
    while (many.size() < kMaxFeedBytes)
        many += "<item><vantrel:version>1.0</vantrel:version></item>";
    const std::pair<QByteArray, std::string> cases[] = {
        {feed("<item><vantrel:version>1.3</item>"), "The update feed is not valid XML (line 2)"},
        {"<html><body>Not found</body></html>", "The update feed is not an RSS document."},
        {"", "The update feed is empty."},
        {"<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY a \"aaaa\">]><rss>&a;</rss>",
         "The update feed declares a DTD."},
        {feed("<item><vantrel:version>1.3</vantrel:version></item>").left(150),
         "The update feed is not valid XML"},
        {feed(many), "The update feed is larger than 1048576 bytes."},
    };
    for (const auto& [document, reason] : cases) {
        SCOPED_TRACE(document.left(200).toStdString());
        const auto items = parseAppcast(document);
        ASSERT_FALSE(items.ok());
        EXPECT_TRUE(items.error().message.starts_with(reason)) << items.error().message;
    }
    many.truncate(kMaxFeedBytes / 2);
    many.truncate(many.lastIndexOf("</item>") + 7);
    EXPECT_GT(parseAppcast(feed(many)).value().size(), 10000U);
}

}  // namespace
}  // namespace vantrel
