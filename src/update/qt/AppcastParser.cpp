// Walking the feed with a streaming XML reader.
#include "update/qt/AppcastParser.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QXmlStreamReader>

namespace vantrel {
namespace {

// Release texts are short; a longer one is cut rather than carried into dialogs.
constexpr qsizetype kMaxTextLength = 2048;

std::string text(const QString& value) {
    return value.trimmed().left(kMaxTextLength).toStdString();
}

std::string webLink(const QString& value) {
    const QUrl url(value.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) return {};
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("https") && scheme != QLatin1String("http")) return {};
    return url.toString(QUrl::FullyEncoded).toStdString();
}

Error notValid(const QXmlStreamReader& xml) {
    return Error{"The update feed is not valid XML (line " + std::to_string(xml.lineNumber()) +
                 "): " + xml.errorString().toStdString()};
}

// Reads the children of an <item> up to its end tag.
AppcastItem readItem(QXmlStreamReader& xml) {
    AppcastItem item;
    while (xml.readNextStartElement()) {
        const auto name = xml.name();
        const bool ours = xml.namespaceUri() == QLatin1String(kAppcastNamespace);
        const bool plain = xml.namespaceUri().isEmpty();
        if (plain && name == QLatin1String("title")) {
            item.title = text(xml.readElementText(QXmlStreamReader::SkipChildElements));
        } else if (plain && name == QLatin1String("link")) {
            item.downloadPage = webLink(xml.readElementText(QXmlStreamReader::SkipChildElements));
        } else if (ours && name == QLatin1String("version")) {
            item.version = text(xml.readElementText(QXmlStreamReader::SkipChildElements));
        } else if (ours && name == QLatin1String("shortVersionString")) {
            item.shortVersionString =
                text(xml.readElementText(QXmlStreamReader::SkipChildElements));
        } else if (ours && name == QLatin1String("releaseNotesLink")) {
            item.releaseNotesLink =
                webLink(xml.readElementText(QXmlStreamReader::SkipChildElements));
        } else {
            xml.skipCurrentElement();
        }
    }
    if (item.shortVersionString.empty()) item.shortVersionString = item.version;
    return item;
}

}  // namespace

Result<std::vector<AppcastItem>> parseAppcast(QByteArrayView document) {
    if (document.size() > kMaxFeedBytes) {
        return Error{"The update feed is larger than " + std::to_string(kMaxFeedBytes) + " bytes."};
    }
    if (document.trimmed().isEmpty()) return Error{"The update feed is empty."};
    QXmlStreamReader xml(QByteArray::fromRawData(document.data(), document.size()));
    std::vector<AppcastItem> items;
    bool sawRoot = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        // Entity declarations are how small documents grow huge; a feed has no use for them.
        if (token == QXmlStreamReader::DTD) return Error{"The update feed declares a DTD."};
        if (token != QXmlStreamReader::StartElement) continue;
        if (!sawRoot) {
            sawRoot = true;
            if (xml.name() != QLatin1String("rss") || !xml.namespaceUri().isEmpty())
                return Error{"The update feed is not an RSS document."};
            continue;
        }
        if (xml.name() == QLatin1String("item") && xml.namespaceUri().isEmpty()) {
            items.push_back(readItem(xml));
        }
    }
    if (xml.hasError()) return notValid(xml);
    if (!sawRoot) return Error{"The update feed is not an RSS document."};
    return items;
}

}  // namespace vantrel
