// The Notify call of org.freedesktop.Notifications, sent asynchronously over Qt D-Bus.
#include "app/DBusNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace vantrel {

void DBusNotifier::notify(const std::string& title, const std::string& body) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        log_.line("DBusNotifier: No session bus: " + bus.lastError().message().toStdString());
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // App name, replaces id, icon, summary, body, actions, hints, expiry (-1: the server's own).
    call << QStringLiteral("Vantrel") << 0U << QStringLiteral("vantrel")
         << QString::fromStdString(title) << QString::fromStdString(body) << QStringList()
         << QVariantMap() << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [this](QDBusPendingCallWatcher* finished) {
                         if (finished->isError())
                             log_.line("DBusNotifier: Notification failed: " +
                                       finished->error().message().toStdString());
                         finished->deleteLater();
                     });
}

}  // namespace vantrel
