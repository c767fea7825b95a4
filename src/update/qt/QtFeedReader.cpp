// One GET per check, watched for time, size and where it is redirected.
#include "update/qt/QtFeedReader.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <algorithm>

namespace vantrel {

struct QtFeedReader::Fetch {
    QNetworkReply* reply = nullptr;
    QTimer* timer = nullptr;
    Completion done;
};

namespace {

bool isLoopbackHost(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

std::string httpFailure(QNetworkReply& reply) {
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid()) {
        const QString reason =
            reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().trimmed();
        return "The update server answered " + std::to_string(status.toInt()) +
               (reason.isEmpty() ? std::string() : " " + reason.left(100).toStdString()) + ".";
    }
    return "The update server could not be reached: " + reply.errorString().toStdString();
}

}  // namespace

QtFeedReader::QtFeedReader(Options options, QObject* parent)
    : QObject(parent), options_(std::move(options)) {}

QtFeedReader::~QtFeedReader() {
    for (const auto& fetch : fetches_) {
        fetch->reply->disconnect(this);
        fetch->timer->disconnect(this);
        fetch->reply->abort();
    }
    fetches_.clear();
}

bool QtFeedReader::isAllowedFeedUrl(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty()) return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https")) return true;
    return scheme == QLatin1String("http") && isLoopbackHost(url.host());
}

void QtFeedReader::read(const std::string& address, Completion done) {
    const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
    if (!isAllowedFeedUrl(url)) {
        // Still later, as the seam promises.
        QTimer::singleShot(0, this, [done = std::move(done), address] {
            done(Error{"The update feed address is not an HTTPS address: " + address});
        });
        return;
    }
    if (network_ == nullptr) network_ = new QNetworkAccessManager(this);

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setHeader(QNetworkRequest::UserAgentHeader, options_.userAgent);

    auto fetch = std::make_shared<Fetch>();
    fetch->done = std::move(done);
    fetch->reply = network_->get(request);
    fetch->timer = new QTimer(fetch->reply);
    fetch->timer->setSingleShot(true);
    fetches_.push_back(fetch);
    std::weak_ptr<Fetch> weak = fetch;

    const auto seconds = std::chrono::duration<double>(options_.timeout).count();
    connect(fetch->timer, &QTimer::timeout, this, [this, weak, seconds] {
        if (auto f = weak.lock()) {
            settle(f, Error{"The update server did not answer within " +
                            QString::number(seconds).toStdString() + " seconds."});
        }
    });
    connect(fetch->reply, &QNetworkReply::redirected, this, [this, weak](const QUrl& target) {
        auto f = weak.lock();
        if (!f) return;
        if (target.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0) {
            emit f->reply->redirectAllowed();
        } else {
            settle(f, Error{"The update feed redirected to an address that is not HTTPS: " +
                            target.toString(QUrl::RemoveUserInfo).left(200).toStdString()});
        }
    });
    const qint64 maxBytes = options_.maxBytes;
    connect(fetch->reply, &QNetworkReply::downloadProgress, this,
            [this, weak, maxBytes](qint64 received, qint64 total) {
                auto f = weak.lock();
                if (f && std::max(received, total) > maxBytes) {
                    settle(f, Error{"The update feed is larger than " + std::to_string(maxBytes) +
                                    " bytes."});
                }
            });
    connect(fetch->reply, &QNetworkReply::finished, this, [this, weak] {
        auto f = weak.lock();
        if (!f) return;
        QNetworkReply& reply = *f->reply;
        const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply.error() != QNetworkReply::NoError || status < 200 || status >= 300) {
            settle(f, Error{httpFailure(reply)});
            return;
        }
        const QByteArray body = reply.readAll();
        settle(f, parseAppcast(body));
    });
    fetch->timer->start(options_.timeout);
}

void QtFeedReader::settle(const std::shared_ptr<Fetch>& fetch,
                          Result<std::vector<AppcastItem>> result) {
    const auto it = std::find(fetches_.begin(), fetches_.end(), fetch);
    if (it == fetches_.end()) return;  // already settled
    fetches_.erase(it);
    fetch->reply->disconnect(this);
    fetch->timer->disconnect(this);
    fetch->timer->stop();
    fetch->reply->abort();
    fetch->reply->deleteLater();
    fetch->done(std::move(result));
}

}  // namespace vantrel
