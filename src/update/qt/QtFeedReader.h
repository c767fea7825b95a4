// Fetches the update feed over HTTPS with Qt Network: a time limit, a size limit, and
// redirects only to HTTPS.
#pragma once

#include <QObject>
#include <QString>
#include <QUrl>
#include <chrono>
#include <memory>
#include <vector>

#include "update/FeedReader.h"
#include "update/qt/AppcastParser.h"

class QNetworkAccessManager;

namespace vantrel {

class QtFeedReader final : public QObject, public FeedReader {
  public:
    struct Options {
        // From the request to the last byte.
        std::chrono::milliseconds timeout{15000};
        qint64 maxBytes = kMaxFeedBytes;
        QString userAgent = QStringLiteral("Vantrel");
    };

    // The network is first touched by read(). Lives on the main thread, which runs Qt's loop.
    explicit QtFeedReader(Options options, QObject* parent = nullptr);
    explicit QtFeedReader(QObject* parent = nullptr) : QtFeedReader(Options{}, parent) {}
    QtFeedReader(const QtFeedReader&) = delete;
    QtFeedReader& operator=(const QtFeedReader&) = delete;
    // Abandons the fetches still running; their completions never run.
    ~QtFeedReader() override;

    void read(const std::string& url, Completion done) override;

    // Plain http is allowed only to this machine, where nothing else can see or change it.
    static bool isAllowedFeedUrl(const QUrl& url);

  private:
    struct Fetch;
    void settle(const std::shared_ptr<Fetch>& fetch, Result<std::vector<AppcastItem>> result);

    Options options_;
    QNetworkAccessManager* network_ = nullptr;
    std::vector<std::shared_ptr<Fetch>> fetches_;
};

}  // namespace vantrel
