// Reading the update feed: parsing, and whole checks over HTTP against a scripted server on
// 127.0.0.1 inside the test process.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QHostAddress>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>
#include <optional>

#include "../ui/QtWait.h"
#include "update/qt/AppcastParser.h"
#include "update/qt/QtFeedReader.h"

namespace vantrel {
namespace {

struct Reply {
    int status = 200;
    QByteArray body;
    QByteArray headers;  // extra header lines, each ending in \r\n
    // Reads the request and never answers.
    bool silent = false;
};

class LoopbackServer {
  public:
    LoopbackServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { accept(); });
    }

    QString url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
    }
    void route(const QByteArray& path, Reply reply) { routes_.insert(path, std::move(reply)); }

    // The paths asked for, in order.
    QList<QByteArray> requests;

  private:
    void accept() {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            auto* buffer = new QByteArray;
            QObject::connect(socket, &QObject::destroyed, [buffer] { delete buffer; });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                *buffer += socket->readAll();
                if (!buffer->contains("\r\n\r\n")) return;
                const QByteArray path = buffer->split(' ').value(1);
                buffer->clear();
                requests.append(path);
                answer(*socket, routes_.value(path, Reply{404, "missing", {}, false}));
            });
        }
    }

    static void answer(QTcpSocket& socket, const Reply& reply) {
        if (reply.silent) return;
        const QByteArray reason = reply.status == 200   ? "OK"
                                  : reply.status == 404 ? "Not Found"
                                                        : "Status";
        socket.write("HTTP/1.1 " + QByteArray::number(reply.status) + " " + reason + "\r\n" +
                     "Content-Type: application/rss+xml\r\nConnection: close\r\n" +
                     "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n" +
                     reply.headers + "\r\n" + reply.body);
        socket.disconnectFromHost();
    }

    QTcpServer server_;
    QMap<QByteArray, Reply> routes_;
};

using testing::waitUntil;

QByteArray feed(const QByteArray& items) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<rss version=\"2.0\" xmlns:vantrel=\"https://vantrel.app/xml-namespaces/appcast\">"
           "<channel><title>Vantrel</title>" +
           items + "</channel></rss>";
}

class QtFeedReaderTest : public ::testing::Test {
  protected:
    // Reads the feed at `url`: the version of its first item, or why there is none.
    static std::string read(QtFeedReader& reader, const std::string& url) {
        std::optional<std::string> result;
        reader.read(url, [&](Result<std::vector<AppcastItem>> items) {
            result = items.ok() ? items.value().at(0).version : items.error().message;
        });
        EXPECT_FALSE(result);  // answered later, like any read
        return waitUntil([&] { return result.has_value(); }) ? *result : "no answer";
    }

    LoopbackServer server;
};

// Each failure is one message in words a user can read; what a check makes of it is
// FeedCheckerTest's.
TEST_F(QtFeedReaderTest, ReadsTheFeedAndNamesEachFailure) {
    QtFeedReader::Options options;
    options.timeout = std::chrono::milliseconds{300};
    options.maxBytes = 4096;
    QtFeedReader reader(options);
    const std::string url = server.url("/appcast.xml").toStdString();
    server.route(
        "/appcast.xml",
        Reply{200, feed("<item><vantrel:version>1.10</vantrel:version></item>"), {}, false});
    EXPECT_EQ(read(reader, url), "1.10");
    const QString other = server.url("/other.xml");
    const std::pair<Reply, std::string> cases[] = {
        {Reply{200, "<rss><channel><item>", {}, false}, "The update feed is not valid XML"},
        {Reply{404, "gone", {}, false}, "The update server answered 404 Not Found."},
        {Reply{200, QByteArray(5000, ' '), {}, false},
         "The update feed is larger than 4096 bytes."},
        {Reply{0, {}, {}, true}, "The update server did not answer within 0.3 seconds."},
        // A redirect may only lead to HTTPS.
        {Reply{302, {}, "Location: " + other.toUtf8() + "\r\n", false},
         "The update feed redirected to an address that is not HTTPS: " + other.toStdString()},
    };
    for (const auto& [reply, message] : cases) {
        server.route("/appcast.xml", reply);
        EXPECT_TRUE(read(reader, url).starts_with(message)) << message;
    }
    EXPECT_FALSE(server.requests.contains("/other.xml"));
}

TEST_F(QtFeedReaderTest, PlainHttpIsRefusedExceptOnThisMachine) {
    for (const char* refused : {"http://vantrel.app/a.xml", "http://10.0.0.1/a.xml",
                                "ftp://vantrel.app/a.xml", "file:///etc/passwd"})
        EXPECT_FALSE(QtFeedReader::isAllowedFeedUrl(QUrl(refused))) << refused;
    for (const char* allowed :
         {"https://vantrel.app/a.xml", "http://localhost:8000/a.xml", "http://[::1]:8000/a.xml"})
        EXPECT_TRUE(QtFeedReader::isAllowedFeedUrl(QUrl(allowed))) << allowed;
    QtFeedReader plain;
    EXPECT_EQ(read(plain, "http://vantrel.app/appcast.xml"),
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
