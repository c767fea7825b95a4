// Reading the update feed: items, missing parts, and documents that are not feeds.
#include <gtest/gtest.h>

#include <QByteArray>

#include "update/qt/AppcastParser.h"

namespace vantrel {
namespace {

QByteArray feed(const QByteArray& items) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<rss version=\"2.0\" xmlns:vantrel=\"https://vantrel.app/xml-namespaces/appcast\">"
           "<channel><title>Vantrel</title>" +
           items + "</channel></rss>";
}

TEST(AppcastParser, ReadsEveryItemInOrder) {
    const auto items = parseAppcast(
        feed("<item><title>Vantrel 1.3</title><link>https://vantrel.app/download</link>"
             "<vantrel:version>1.3.0</vantrel:version>"
             "<vantrel:shortVersionString>1.3</vantrel:shortVersionString>"
             "<vantrel:releaseNotesLink> https://vantrel.app/notes/1.3 </vantrel:releaseNotesLink>"
             "<description><![CDATA[<p>Faster <b>restores</b></p>]]></description>"
             "<enclosure url=\"https://vantrel.app/x.tar\"/></item>"
             "<item><vantrel:version>1.2</vantrel:version><pubDate>today</pubDate></item>"));
    ASSERT_TRUE(items.ok()) << items.error().message;
    ASSERT_EQ(items->size(), 2U);
    EXPECT_EQ(items->at(0),
              (AppcastItem{"Vantrel 1.3", "1.3.0", "1.3", "https://vantrel.app/notes/1.3",
                           "https://vantrel.app/download"}));
    // Without a short version string the version is shown; missing links stay empty.
    EXPECT_EQ(items->at(1), (AppcastItem{"", "1.2", "1.2", "", ""}));
}

TEST(AppcastParser, KeepsOnlyWebLinksAndOurOwnElements) {
    const auto items = parseAppcast(
        feed("<item xmlns:other=\"https://example.org/ns\">"
             "<other:version>9.0</other:version><vantrel:version>1.4</vantrel:version>"
             "<link>file:///usr/bin/xterm</link>"
             "<vantrel:releaseNotesLink>javascript:alert(1)</vantrel:releaseNotesLink></item>"
             "<item><link>https://vantrel.app/</link></item>"));
    ASSERT_TRUE(items.ok());
    ASSERT_EQ(items->size(), 2U);
    EXPECT_EQ(items->at(0).version, "1.4");
    EXPECT_EQ(items->at(0).downloadPage, "");
    EXPECT_EQ(items->at(0).releaseNotesLink, "");
    EXPECT_EQ(items->at(1).version, "");  // kept, then passed over when versions are compared

    const auto empty = parseAppcast(feed(""));
    ASSERT_TRUE(empty.ok());
    EXPECT_TRUE(empty->empty());
}

TEST(AppcastParser, RefusesWhatIsNotAFeed) {
    const std::pair<QByteArray, std::string> cases[] = {
        {feed("<item><vantrel:version>1.3</item>"), "The update feed is not valid XML (line 2)"},
        {"<html><body>Not found</body></html>", "The update feed is not an RSS document."},
        {"", "The update feed is empty."},
        {"<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY a \"aaaa\">]><rss>&a;</rss>",
         "The update feed declares a DTD."},
        {feed("<item><vantrel:version>1.3</vantrel:version></item>").left(150),
         "The update feed is not valid XML"},
    };
    for (const auto& [document, reason] : cases) {
        SCOPED_TRACE(document.toStdString());
        const auto items = parseAppcast(document);
        ASSERT_FALSE(items.ok());
        EXPECT_TRUE(items.error().message.starts_with(reason)) << items.error().message;
    }
}

TEST(AppcastParser, RefusesAHugeDocumentBeforeReadingIt) {
    QByteArray many;
    while (many.size() < kMaxFeedBytes)
        many += "<item><vantrel:version>1.0</vantrel:version></item>";
    const auto tooLarge = parseAppcast(feed(many));
    ASSERT_FALSE(tooLarge.ok());
    EXPECT_EQ(tooLarge.error().message, "The update feed is larger than 1048576 bytes.");

    many.truncate(kMaxFeedBytes / 2);
    many.truncate(many.lastIndexOf("</item>") + 7);
    const auto fits = parseAppcast(feed(many));
    ASSERT_TRUE(fits.ok());
    EXPECT_GT(fits->size(), 10000U);
}

}  // namespace
}  // namespace vantrel
