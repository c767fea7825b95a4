// The default context over the application delegate.
#include "ui/UiContext.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

#include "core/AppDelegate.h"

#ifndef VANTREL_VERSION_SHORT
#define VANTREL_VERSION_SHORT ""
#endif
#ifndef VANTREL_VERSION_BUILD
#define VANTREL_VERSION_BUILD ""
#endif

namespace vantrel {
namespace {

// The preferences window's view of the update service.
class UpdateServiceControls final : public UpdateControls {
  public:
    explicit UpdateServiceControls(UpdateService& service) : service_(service) {}
    void start() override { service_.start(); }
    void checkForUpdatesNow() override { service_.checkForUpdatesNow(); }
    Published<bool>& canCheckForUpdates() override { return service_.canCheckForUpdates; }

  private:
    UpdateService& service_;
};

}  // namespace

UiContext makeUiContext(AppDelegate& app, MainQueue& mainQueue, Clock& clock, Worker& worker,
                        DialogPresenter& dialogs, UpdateControls* updates) {
    std::shared_ptr<UpdateControls> owned;
    if (updates == nullptr && app.updateService() != nullptr) {
        owned = std::make_shared<UpdateServiceControls>(*app.updateService());
        updates = owned.get();
    }
    return UiContext{
        app.layoutManager(),
        app.commands(),
        app.windowService(),
        app.preferences(),
        app.presetService(),
        app.hotkeyService(),
        app.notifications(),
        mainQueue,
        clock,
        worker,
        dialogs,
        updates,
        // exit, not quit: quit asks every window to close first, and a window that declines (the
        // popover hides instead of closing) or a dialog's own loop would cancel it.
        [] { QCoreApplication::exit(0); },
        [](const QString& text) {
            const QUrl url(text, QUrl::StrictMode);
            if (!url.isValid() || url.scheme().isEmpty()) return false;
            return QDesktopServices::openUrl(url);
        },
        QStringLiteral(VANTREL_VERSION_SHORT),
        QStringLiteral(VANTREL_VERSION_BUILD),
        std::move(owned),
        {},
        {},
        Session::x11,  // the composition root names the session it chose a backend for
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
