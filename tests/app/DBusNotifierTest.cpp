// The desktop notifier against a real session bus (run under dbus-run-session) and a fake
// notification service on a connection of its own.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QVariant>
#include <mutex>

#include "../ui/QtWait.h"
#include "app/DBusNotifier.h"
#include "base/Log.h"

namespace vantrel::testing {
namespace {

// Answers Notify like a notification server and keeps what it was sent. Qt D-Bus calls it on
// the connection's own thread.
class FakeNotifications final : public QDBusVirtualObject {
  public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QLatin1String("Notify")) return false;
        {
            std::lock_guard lock(mutex_);
            received_.push_back(message.arguments());
        }
        connection.send(message.createReply(QVariant::fromValue(7U)));
        return true;
    }
    std::vector<QList<QVariant>> received() const {
        std::lock_guard lock(mutex_);
        return received_;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<QList<QVariant>> received_;
};

TEST(DBusNotifier, SendsTitleAndBodyToTheNotificationServiceAndLogsItsAbsence) {
    MemoryLog log;
    DBusNotifier notifier(log);
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run under dbus-run-session";

    // Without a service the call fails with the bus's reason, and nothing else happens.
    notifier.notify("Layout Partly Restored", "x");
    ASSERT_TRUE(waitUntil([&] { return !log.lines().empty(); }));
    EXPECT_TRUE(log.lines()[0].starts_with("DBusNotifier: Notification failed: "));

    FakeNotifications service;
    QDBusConnection server = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "server");
    ASSERT_TRUE(server.registerService("org.freedesktop.Notifications"));
    ASSERT_TRUE(server.registerVirtualObject("/org/freedesktop/Notifications", &service));
    notifier.notify("Layout Partly Restored", "Restored 1 of 2 windows. Not running: Mail.");
    ASSERT_TRUE(waitUntil([&] { return !service.received().empty(); }));
    const auto args = service.received()[0];
    ASSERT_EQ(args.size(), 8);
    EXPECT_EQ(args[0].toString(), "Vantrel");
    EXPECT_EQ(args[3].toString(), "Layout Partly Restored");
    EXPECT_EQ(args[4].toString(), "Restored 1 of 2 windows. Not running: Mail.");
    EXPECT_EQ(args[7].toInt(), -1);
    QCoreApplication::processEvents();
    EXPECT_EQ(log.lines().size(), 1U);
    server.unregisterObject("/org/freedesktop/Notifications");
    QDBusConnection::disconnectFromBus("server");
}

}  // namespace
}  // namespace vantrel::testing
