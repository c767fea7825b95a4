// The three update messages.
#include "ui/UpdateAlert.h"

#include <QDesktopServices>
#include <QUrl>

namespace vantrel {
namespace {

const QString kDownload = QStringLiteral("Download");
const QString kReleaseNotes = QStringLiteral("Release Notes");
const QString kLater = QStringLiteral("Later");
const QString kOk = QStringLiteral("OK");

// Texts from the feed go into labels that would read markup; show them as they stand.
QString feedText(const std::string& text) {
    QString result = QString::fromStdString(text);
    result.remove(u'<');
    result.remove(u'>');
    return result;
}

bool openInBrowser(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || (scheme != QLatin1String("https") && scheme != QLatin1String("http")))
        return false;
    return QDesktopServices::openUrl(url);
}

}  // namespace

UpdateAlert::UpdateAlert() : dialogs_(ownDialogs_), openLink_(openInBrowser) {}

UpdateAlert::UpdateAlert(DialogPresenter& dialogs, OpenLink openLink)
    : dialogs_(dialogs), openLink_(std::move(openLink)) {}

void UpdateAlert::showUpdateAvailable(const AppcastItem& item) {
    DialogQuestion question;
    question.kind = DialogQuestion::Kind::information;
    question.title = QStringLiteral("A new version of Vantrel is available");
    question.message =
        QStringLiteral("Vantrel %1 is available.").arg(feedText(item.shortVersionString));
    if (!item.downloadPage.empty()) question.buttons.append(kDownload);
    if (!item.releaseNotesLink.empty()) question.buttons.append(kReleaseNotes);
    question.buttons.append(kLater);
    question.cancelButton = kLater;
    const QString answer = dialogs_.ask(nullptr, question);
    if (!openLink_) return;
    if (answer == kDownload) (void)openLink_(QString::fromStdString(item.downloadPage));
    if (answer == kReleaseNotes) (void)openLink_(QString::fromStdString(item.releaseNotesLink));
}

void UpdateAlert::showUpToDate(const std::string& currentVersion) {
    DialogQuestion question;
    question.kind = DialogQuestion::Kind::information;
    question.title = QStringLiteral("You're up to date!");
    question.message = QStringLiteral("Vantrel %1 is the newest version available.")
                           .arg(QString::fromStdString(currentVersion));
    question.buttons = {kOk};
    (void)dialogs_.ask(nullptr, question);
}

void UpdateAlert::showCheckFailed(const std::string& reason) {
    DialogQuestion question;
    question.kind = DialogQuestion::Kind::warning;
    question.title = QStringLiteral("Vantrel could not check for updates");
    question.message = feedText(reason);
    question.buttons = {kOk};
    (void)dialogs_.ask(nullptr, question);
}

}  // namespace vantrel
