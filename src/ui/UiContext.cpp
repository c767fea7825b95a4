// The default context over the application delegate.
#include "ui/UiContext.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

#include "app/AppDelegate.h"

#ifndef VANTREL_VERSION_SHORT
#define VANTREL_VERSION_SHORT ""
#endif
#ifndef VANTREL_VERSION_BUILD
#define VANTREL_VERSION_BUILD ""
#endif

namespace vantrel {

UiContext makeUiContext(AppDelegate& app, MainQueue& mainQueue, Clock& clock, Worker& worker,
                        DialogPresenter& dialogs, UpdateControls* updates) {
    return UiContext{
        app.layoutManager(),
        app.windowService(),
        app.preferences(),
        app.presetService(),
        app.notifications(),
        mainQueue,
        clock,
        worker,
        dialogs,
        updates,
        [] { QCoreApplication::quit(); },
        [](const QString& text) {
            const QUrl url(text, QUrl::StrictMode);
            if (!url.isValid() || url.scheme().isEmpty()) return false;
            return QDesktopServices::openUrl(url);
        },
        QStringLiteral(VANTREL_VERSION_SHORT),
        QStringLiteral(VANTREL_VERSION_BUILD),
    };
}

QString versionText(const UiContext& context) {
    const QString shortVersion =
        context.versionShort.isEmpty() ? QStringLiteral("1.0") : context.versionShort;
    const QString build =
        context.versionBuild.isEmpty() ? QStringLiteral("1") : context.versionBuild;
    return QStringLiteral("Version %1 (%2)").arg(shortVersion, build);
}

}  // namespace vantrel
