// Vantrel's GNOME Shell extension in a real headless GNOME Shell (run by with-gnome-shell.sh):
// what the contract suite does not cover: an XWayland window, AppStarted, monitors, refusals.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "ui/QtWait.h"

namespace vantrel::testing {

// Wakes the waiting loop on each WindowsChanged, so frames are read again only when they changed;
// keeps what AppStarted said.
class Changes : public QObject {
    Q_OBJECT
  public:
    int count = 0;
    QStringList apps;
  public slots:
    void take() { ++count; }
    void started(const QString& json) { apps << json; }
};

namespace {

const QString service = QStringLiteral("app.vantrel.Shell");
const QString path = QStringLiteral("/app/vantrel/Shell");
const QString iface = QStringLiteral("app.vantrel.Shell1");

QDBusMessage call(QDBusConnection& bus, const QString& method, const QVariantList& args = {}) {
    auto message = QDBusMessage::createMethodCall(service, path, iface, method);
    message.setArguments(args);
    return bus.call(message, QDBus::Block, 60000);
}

class GnomeShellTest : public ::testing::Test {
  protected:
    // The owner; one connection for every case. (An owner that left: vantrel-gnome-e2e.sh.)
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "owner");
    QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "other");
    Changes changes;

    void SetUp() override {
        ASSERT_TRUE(other.isConnected()) << "run it through tests/gnome/with-gnome-shell.sh";
        ASSERT_EQ(call(bus, "Register").type(), QDBusMessage::ReplyMessage);
        bus.connect(service, path, iface, "WindowsChanged", &changes, SLOT(take()));
        bus.connect(service, path, iface, "AppStarted", &changes, SLOT(started(QString)));
    }

    QJsonObject state(const QString& method = "ListWindows") {
        const auto reply = call(bus, method);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        return QJsonDocument::fromJson(reply.arguments().value(0).toString().toUtf8()).object();
    }
    // The window whose `key` is `value`; empty when there is none.
    QJsonObject window(const QString& key, const QString& value) {
        for (const auto w : state()["windows"].toArray())
            if (w[key].toString() == value) return w.toObject();
        return {};
    }
    // Waits (each WindowsChanged wakes it) until the window matches.
    bool waitFor(const QString& key, const QString& value,
                 const std::function<bool(const QJsonObject&)>& holds) {
        // Seen only at the deadline means no WindowsChanged announced the change: a failure.
        QDeadlineTimer deadline(60000);
        return waitUntil([&] { return holds(window(key, value)); }, 60000) &&
               !deadline.hasExpired();
    }
};

// The contract suite (tests/contract, GnomeHarness) moves and closes Wayland windows through the
// backend, and vantrel-gnome-e2e.sh restores an XWayland one; here an XWayland window through the
// other requests, and a Wayland client's AppStarted.
TEST_F(GnomeShellTest, MinimisesActivatesAndMovesAnXWaylandWindowAndAnnouncesAppStarts) {
    QProcess wayland;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "wayland");
    wayland.setProcessEnvironment(env);
    wayland.start(VANTREL_WAYLAND_TESTCLIENT, {"--app-id", "vantrel-gnome-test"});
    ASSERT_TRUE(qEnvironmentVariableIsSet("DISPLAY")) << "the Shell started no XWayland";
    QProcess xlogo;
    xlogo.start("xlogo", {"-geometry", "200x150+10+10"});
    const QString key = "resourceName", value = "xlogo";
    ASSERT_TRUE(waitFor(key, value, [](auto now) { return !now.isEmpty(); }));
    const auto w = window(key, value);
    EXPECT_EQ(w["resourceClass"].toString(), "XLogo");
    EXPECT_TRUE(w["xwayland"].toBool());
    const auto id = w["id"].toString().toULongLong();
    ASSERT_GT(id, 0u);
    const QVariantList idArg{QVariant::fromValue(qulonglong(id))};
    // Each request, and the state the window must then show.
    const std::pair<QString, std::pair<const char*, QJsonValue>> steps[] = {
        {"Minimize", {"minimized", true}},      {"Unminimize", {"minimized", false}},
        {"Activate", {"active", true}},         {"MoveToWorkspace 1", {"desktop", 1}},
        {"MoveToWorkspace -1", {"desktop", 0}},
    };
    for (const auto& [request, want] : steps) {
        SCOPED_TRACE(request.toStdString());
        const auto words = request.split(' ');
        auto args = idArg;
        if (words.size() > 1) args << words[1].toInt();
        const auto reply = call(bus, words[0], args);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        EXPECT_TRUE(waitFor(key, value, [&](auto now) { return now[want.first] == want.second; }));
    }
    // The Wayland client's app id names a test desktop entry: the Shell's app tracking finds it.
    EXPECT_TRUE(waitUntil(
        [&] { return changes.apps.filter("\"desktopFile\":\"vantrel-gnome-test\"").size() == 1; },
        60000))
        << changes.apps.join(' ').toStdString();
    EXPECT_TRUE(waitUntil([&] { return changes.count > 0; }, 60000));
    wayland.kill();
    wayland.waitForFinished();
}

TEST_F(GnomeShellTest, ListsTheVirtualMonitor) {
    const auto monitors = state("ListMonitors")["monitors"].toArray();
    ASSERT_EQ(monitors.size(), 1);
    const auto m = monitors[0].toObject();
    EXPECT_EQ(m["frame"].toArray(), (QJsonArray{0, 0, 1280, 800}));
    EXPECT_TRUE(m["primary"].toBool());
    EXPECT_EQ(m["name"].toString(), "Meta-0");
    const auto work = m["workArea"].toArray();
    EXPECT_EQ(work[2].toInt(), 1280);
    EXPECT_LT(work[3].toInt(), 800);  // less the top bar
}

// Each refused request answers with its error and its reason; the owner stays the first client.
TEST_F(GnomeShellTest, RefusesOtherCallersAndBadArguments) {
    const auto denied = QStringLiteral("org.freedesktop.DBus.Error.AccessDenied");
    const auto invalid = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
    const auto none = QVariant::fromValue(qulonglong(1) << 40);
    struct Case {
        QDBusConnection* caller;
        QString method;
        QVariantList args;
        QString error, reason;
    } cases[] = {
        {&other, "Register", {}, denied, "another client is registered"},
        {&other, "ListWindows", {}, denied, "only the client that registered first"},
        {&bus,
         "MoveResize",
         {none, 0, 0, 100, 100},
         "app.vantrel.Shell1.Error.NoSuchWindow",
         "no window"},
        {&bus, "Minimize", {none}, "app.vantrel.Shell1.Error.NoSuchWindow", "no window"},
        {&bus, "MoveResize", {none, 0, 0, 0, 100}, invalid, "size out of range"},
        {&bus, "MoveResize", {none, 0, -70000, 100, 100}, invalid, "position out of range"},
        {&bus, "MoveToWorkspace", {none, 99}, invalid, "no workspace 99"},
        {&bus, "MoveResize", {"1", 0, 0, 100, 100}, invalid, "does not match expected type"},
        {&bus, "GrabAccelerator", {""}, invalid, "not an accelerator"},
        {&bus, "GrabAccelerator", {"<Ctrl>$(reboot)"}, invalid, "not an accelerator"},
        {&bus, "GrabAccelerator", {"NoSuchKey"}, invalid, "cannot grab"},
        {&bus, "UngrabAccelerator", {12345u}, invalid, "no accelerator 12345"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.method.toStdString());
        const auto reply = call(*c.caller, c.method, c.args);
        EXPECT_EQ(reply.errorName(), c.error);
        EXPECT_TRUE(reply.errorMessage().contains(c.reason)) << reply.errorMessage().toStdString();
    }
    // A good accelerator is grabbed once and released once.
    const auto grabbed = call(bus, "GrabAccelerator", {"<Super><Alt>F7"});
    ASSERT_EQ(grabbed.type(), QDBusMessage::ReplyMessage) << grabbed.errorMessage().toStdString();
    const auto action = grabbed.arguments().value(0).toUInt();
    EXPECT_GT(action, 0u);
    EXPECT_EQ(call(bus, "UngrabAccelerator", {action}).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(call(bus, "UngrabAccelerator", {action}).errorName(), invalid);
}

}  // namespace
}  // namespace vantrel::testing

#include "GnomeShellTest.moc"
