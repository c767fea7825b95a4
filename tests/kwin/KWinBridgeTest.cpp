// What the KWin backend must do beyond the contract: name monitors, refuse callers other than
// KWin, withstand text from the script that is not what the protocol says, and know its own
// windows (with-kwin.sh).
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <algorithm>
#include <functional>

#include "KWinCalls.h"
#include "TestProcess.h"
#include "base/Log.h"
#include "base/ManualLoop.h"
#include "platform/kwin/KWinDesktop.h"
#include "platform/kwin/KWinScript.h"

namespace vantrel::testing {
namespace {

// A script line that calls the bridge from KWin; `text` holds no single quote.
std::string call(const std::string& method, const std::string& text) {
    return "callDBus('app.vantrel.KWinBridge', '/app/vantrel/KWinBridge', "
           "'app.vantrel.KWinBridge1', '" +
           method + "', '" + text + "');\n";
}
void fromKWin(const std::string& method, const std::string& text) {
    runKWinScript(call(method, text));
}

TEST(KWinBridge, NamesMonitorsRefusesCallersOtherThanKWinAndLogsWhatItCannotRead) {
    MemoryLog log;
    ManualLoop loop;
    SystemClock clock;
    kwin::KWinBridge bridge(log);
    kwin::KWinDesktop desktop(log, loop, clock, bridge, {.outputNames = kwin::outputNames});
    ASSERT_TRUE(bridge.start().ok());
    QCoreApplication::processEvents();  // Qt D-Bus delivers calls once the loop has run
    desktop.connect();
    ASSERT_TRUE(kwin::loadScript(VANTREL_KWIN_SCRIPT).ok());
    // Once ready, the monitor has the name, and so the id, it keeps: KWin 5.27 names its outputs
    // to no script, the name comes from its support information.
    ASSERT_TRUE(desktop.awaitReady(std::chrono::seconds{30}));
    EXPECT_EQ(desktop.snapshot()->monitors.at(0).name, "Virtual-0");
    const std::string window =
        R"({"kind":"window","window":{"id":"{intruder}","title":"Intruder","frame":[0,0,9,9]}})";
    // Another program on the bus, with a well-formed report.
    auto other =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("other"));
    const auto fromOther = [&](const std::string& text) {
        auto message = QDBusMessage::createMethodCall(
            QString::fromLatin1(kwin::kBridgeService), QString::fromLatin1(kwin::kBridgePath),
            QString::fromLatin1(kwin::kBridgeInterface), QStringLiteral("Report"));
        message.setArguments({QString::fromStdString(text)});
        const QDBusMessage reply = other.call(message);
        EXPECT_EQ(reply.errorName().toStdString(), "app.vantrel.KWinBridge1.Error.NotKWin");
    };
    const struct {
        std::function<void()> send;
        std::string logged;
    } cases[] = {
        {[&] { fromOther(window); }, "KWinBridge: Refused a call from " +
                                         other.baseService().toStdString() + ", which is not KWin"},
        {[&] { fromKWin("Report", "{not json"); },
         "KWinBridge: Ignored a report that is not a JSON object with a kind"},
        {[&] { fromKWin("Report", R"(["window"])"); },
         "KWinBridge: Ignored a report that is not a JSON object with a kind"},
        {[&] { fromKWin("Answer", R"({"id":"1"})"); },
         "KWinBridge: Ignored an answer that is not a JSON object with an id"},
    };
    for (const auto& c : cases) {
        log.take();
        c.send();
        EXPECT_TRUE(eventually([&] { return log.contains(c.logged); })) << c.logged;
        const auto windows = desktop.snapshot()->windows;
        EXPECT_TRUE(std::none_of(windows.begin(), windows.end(),
                                 [](const auto& w) { return w.title == "Intruder"; }));
    }
    // Values of the wrong type read as absent: a window without a string id is not listed. The
    // script's reports arrive in order, so once the next one shows, the first was handled.
    runKWinScript(
        call("Report", R"({"kind":"window","window":{"id":7,"title":"Intruder"}})") +
        call("Report", R"({"kind":"workspaces","workspaces":{"count":5,"current":"x"}})"));
    EXPECT_TRUE(eventually([&] { return desktop.snapshot()->workspaces.count == 5; }));
    EXPECT_EQ(desktop.snapshot()->workspaces.current, std::nullopt);
    EXPECT_TRUE(desktop.snapshot()->windows.empty());
    // A window of this process is Vantrel's own (its menu, its dialogs): never a regular
    // application's, so a layout never captures it.
    fromKWin("Report", R"({"kind":"window","window":{"id":"{own}","title":"Own","pid":)" +
                           std::to_string(::getpid()) + "}}");
    EXPECT_TRUE(eventually([&] {
        const auto snapshot = desktop.snapshot();
        return !snapshot->windows.empty() &&
               snapshot->app(snapshot->windows[0].app)->role == native::AppRole::accessory;
    }));
    kwin::unloadScript();
}

}  // namespace
}  // namespace vantrel::testing
