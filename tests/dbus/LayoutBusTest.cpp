// The session-bus service built over the real commands on the simulated desktop, driven through
// a bus connection of its own, and the vantrel command line against it (under dbus-run-session).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <fstream>
#include <set>

#include "app/AppHarness.h"
#include "dbus/BusNames.h"
#include "dbus/LayoutBus.h"
#include "model/LayoutJson.h"

namespace vantrel::testing {

// The service's signals as the client hears them: "member:name" (the layout's, when it has one).
class SignalLog : public QObject {
    Q_OBJECT
  public:
    QStringList seen;
  public slots:
    void take(const QDBusMessage& message) {
        seen << message.member() + QLatin1Char(':') + message.arguments().value(1).toString();
    }
};

namespace {

using namespace bus;

class LayoutBusTest : public ::testing::Test {
  protected:
    AppHarness h;
    SimWindowId live = 0;
    WindowLayout work = editorLayout("Work", {10, 20, 500, 400});
    WindowLayout away = editorLayout("Away", {30, 40, 600, 500});
    std::unique_ptr<LayoutBus> service;
    QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "client");
    SignalLog heard;

    void SetUp() override {
        ASSERT_TRUE(client.isConnected()) << "run under dbus-run-session";
        qDBusRegisterMetaType<QList<QVariantMap>>();
        h.desktop.setScreens("1920x1080+0+0P");
        const auto editor = h.desktop.addApplication(
            SimApp{"org.example.Editor", "Editor", 10, native::AppRole::regular, false, false});
        SimWindow window;
        window.size = {400, 300};
        live = h.desktop.addWindow(editor, window);
        h.desktop.setFrontmost(editor);
        h.desktop.setFocusedWindow(editor, live);
        // "Away" was saved on the second workspace; the first is current.
        h.desktop.setWorkspaces(2);
        h.desktop.setWorkspace(live, 1);
        h.desktop.setCurrentWorkspace(0);
        away.windows[0].spaceIndex = 2;
        h.writeLayoutFile({work, away, namedLayout("Twin"), namedLayout("Twin")});
        h.launch();
        h.loop.runPending();
        service = std::make_unique<LayoutBus>(h.app->commands(), h.app->notifications(),
                                              QDBusConnection::sessionBus());
        ASSERT_EQ(service->publish(), std::nullopt);
        for (const char* name : {"LayoutsChanged", "RestoreFinished"})
            client.connect({}, kPath, kInterface, name, &heard, SLOT(take(QDBusMessage)));
    }
    void TearDown() override {
        service.reset();
        QDBusConnection::disconnectFromBus("client");
    }

    // Runs Qt's loop and the core's loop until `done`, within a deadline no loaded machine meets.
    bool waitFor(const std::function<bool()>& done) {
        const QDeadlineTimer deadline(60000);
        while (!done() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            h.loop.runPending();
        }
        return done();
    }
    QDBusMessage call(const char* method, const QList<QVariant>& arguments = {},
                      const char* interface = kInterface) {
        auto message = QDBusMessage::createMethodCall(kService, kPath, interface, method);
        message.setArguments(arguments);
        QDBusPendingCall pending = client.asyncCall(message, 60000);
        EXPECT_TRUE(waitFor([&] { return pending.isFinished(); }));
        return pending.reply();
    }
    QList<QVariantMap> listed() {
        return qdbus_cast<QList<QVariantMap>>(call("List").arguments().value(0));
    }
    static std::string contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "";
    }
    std::string fileOnDisk() {
        return contents(QString::fromStdString((h.dir.path() / "Vantrel/layouts.json").string()));
    }
    // Runs the command line to its end: its exit code and everything it printed.
    std::pair<int, QByteArray> vantrel(const QStringList& arguments) {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(VANTREL_BINARY, arguments);
        EXPECT_TRUE(waitFor([&] { return process.state() == QProcess::NotRunning; }));
        return {process.exitCode(), process.readAll()};
    }
};

TEST_F(LayoutBusTest, EachMethodAnswersAndTheSignalsFollow) {
    const auto xml = call("Introspect", {}, "org.freedesktop.DBus.Introspectable");
    for (const char* part : {"name=\"Restore\"", "type=\"aa{sv}\"", "name=\"RestoreFinished\""})
        EXPECT_TRUE(xml.arguments().value(0).toString().contains(QLatin1String(part))) << part;
    auto entries = listed();
    ASSERT_EQ(entries.size(), 4);
    EXPECT_EQ(entries[0]["id"].toString().toStdString(), work.id.toString());
    EXPECT_EQ(entries[0]["name"].toString(), "Work");
    EXPECT_EQ(entries[0]["windows"].toUInt(), 1U);

    // By default a layout of another workspace comes here, as "Restore This Time" would.
    const auto restored = call("Restore", {"Away", QVariantMap{}});
    ASSERT_EQ(restored.type(), QDBusMessage::ReplyMessage) << restored.errorMessage().toStdString();
    EXPECT_EQ(qdbus_cast<QVariantMap>(restored.arguments().value(0))["restored"].toLongLong(), 1);
    EXPECT_TRUE(waitFor([&] { return heard.seen.contains("RestoreFinished:Away"); }));

    const auto id = call("Save", {"Fresh"}).arguments().value(0).toString();
    ASSERT_TRUE(Uuid::parse(id.toStdString()));
    EXPECT_TRUE(waitFor([&] { return heard.seen.contains("LayoutsChanged:"); }));
    EXPECT_EQ(call("Recapture", {"Fresh"}).arguments().value(0).toString(), id);
    EXPECT_EQ(call("ApplyPreset", {"left-half"}).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(h.frameOf(live).width, 960);
    EXPECT_EQ(call("Delete", {id}).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(listed().size(), 4);

    // An export imported again: every layout comes back under a new id.
    const auto text = call("Export").arguments().value(0).toString();
    ASSERT_TRUE(decodeLayoutFile(text.toStdString()));
    EXPECT_EQ(call("Import", {text}).arguments().value(0).toUInt(), 4U);
    std::set<QString> ids;
    for (const auto& entry : listed()) ids.insert(entry["id"].toString());
    EXPECT_EQ(ids.size(), 8U);
}

// The file's decoder is proved with the layout file; here only that its refusal and the size
// limit reach the caller as InvalidFile.
TEST_F(LayoutBusTest, BadCallsEndInNamedErrorsAndChangeNothing) {
    const struct {
        const char* method;
        QList<QVariant> arguments;
        const char* error;
    } table[] = {
        {"Restore", {"Nowhere", QVariantMap{}}, error::kNoSuchLayout},
        {"Restore", {"Twin", QVariantMap{}}, error::kAmbiguousName},
        {"Restore", {"Away", QVariantMap{{"workspace", "saved"}}}, error::kOtherWorkspace},
        {"Restore", {"Work", QVariantMap{{"workspace", "there"}}}, error::kInvalidArgument},
        {"Restore", {"Work", QVariantMap{{"closeOtherApps", "yes"}}}, error::kInvalidArgument},
        {"Restore", {"Work"}, "org.freedesktop.DBus.Error.InvalidArgs"},
        {"Save", {" "}, error::kInvalidArgument},
        {"Delete", {QString(201, QLatin1Char('x'))}, error::kInvalidArgument},
        {"ApplyPreset", {"sideways"}, error::kInvalidArgument},
        {"Import", {R"([{"name":"x"}])"}, error::kInvalidFile},
        {"Import", {QString(9 * 1024 * 1024, QLatin1Char(' '))}, error::kInvalidFile},
    };
    const auto before = listed();
    const auto file = fileOnDisk();
    for (const auto& row : table)
        EXPECT_EQ(call(row.method, row.arguments).errorName().toStdString(), row.error)
            << row.method << " " << row.arguments.value(0).toString().left(40).toStdString();
    EXPECT_EQ(listed(), before);
    EXPECT_EQ(fileOnDisk(), file);

    h.desktop.setTrusted(false);
    h.app->windowService().checkAccessibilityPermission();
    h.loop.runPending();
    for (const char* method : {"Restore", "Save", "ApplyPreset"}) {
        QList<QVariant> arguments{method == std::string("ApplyPreset") ? "center" : "Work"};
        if (method == std::string("Restore")) arguments << QVariantMap{};
        EXPECT_EQ(call(method, arguments).errorName().toStdString(), error::kNoAccess) << method;
    }
}

TEST_F(LayoutBusTest, TheCommandLineExitsWithTheOutcomeAndSaysIt) {
    QTemporaryDir dir;
    const QString bad = dir.filePath("bad.json");
    const QString exported = dir.filePath("out.json");
    std::ofstream(bad.toStdString()) << R"([{"name": 1}])";
    const struct {
        QStringList arguments;
        int exitCode;
        const char* says;
    } table[] = {
        {{"list"}, 0, "Work  (1 window)"},
        {{"restore", "Work", "--no-launch"}, 0, "Restored 1 of 1 windows of 'Work'."},
        {{"restore", "Work", "--workspace=there"}, 2, "'restore' has no option"},
        {{"save"}, 2, "'save' takes one argument"},
        {{"import", bad}, 1, "Not imported, nothing changed: layout 0: "},
        {{"export", exported}, 0, ""},
    };
    for (const auto& row : table) {
        const auto [exitCode, output] = vantrel(row.arguments);
        EXPECT_EQ(exitCode, row.exitCode) << output.toStdString();
        EXPECT_TRUE(output.contains(row.says)) << output.toStdString();
    }
    EXPECT_EQ(decodeLayoutFile(contents(exported))->size(), 4U);
    const auto json = QJsonDocument::fromJson(vantrel({"list", "--json"}).second).array();
    ASSERT_EQ(json.size(), 4);
    EXPECT_EQ(json[0]["name"].toString(), "Work");

    // No instance on the bus: a message on how to start one, and 3.
    service.reset();
    const auto [exitCode, output] = vantrel({"list"});
    EXPECT_EQ(exitCode, 3);
    EXPECT_TRUE(output.startsWith("Vantrel is not running. Start it")) << output.toStdString();
}

}  // namespace
}  // namespace vantrel::testing

#include "LayoutBusTest.moc"
