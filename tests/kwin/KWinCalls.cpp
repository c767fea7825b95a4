// KWin's D-Bus, kglobalaccel's and one-off KWin scripts for the KWin tests and benchmarks.
#include "KWinCalls.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <cstdlib>
#include <fstream>

namespace vantrel::testing {

QDBusMessage callKWin(const char* path, const char* interface, const char* method,
                      const QList<QVariant>& arguments) {
    auto call =
        QDBusMessage::createMethodCall(QStringLiteral("org.kde.KWin"), QString::fromLatin1(path),
                                       QString::fromLatin1(interface), QString::fromLatin1(method));
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call);
}

QVariantMap kwinWindowInfo(const std::string& uuid) {
    const QDBusMessage reply =
        callKWin("/KWin", "org.kde.KWin", "getWindowInfo", {QString::fromStdString(uuid)});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    return qdbus_cast<QVariantMap>(reply.arguments().at(0));
}

bool invokeKWinShortcut(const char* action) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.kglobalaccel"), QStringLiteral("/component/kwin"),
        QStringLiteral("org.kde.kglobalaccel.Component"), QStringLiteral("invokeShortcut"));
    call << QString::fromLatin1(action);
    return QDBusConnection::sessionBus().call(call).type() == QDBusMessage::ReplyMessage;
}

void runKWinScript(const std::string& body) {
    // with-kwin.sh gives each run a private runtime folder.
    const std::string file = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/vantrel-test.js";
    std::ofstream(file) << body;
    const QString plugin = QStringLiteral("vantrel-test");
    // KWin runs a started script later: the one before is unloaded only now, once it has run.
    callKWin("/Scripting", "org.kde.kwin.Scripting", "unloadScript", {plugin});
    callKWin("/Scripting", "org.kde.kwin.Scripting", "loadScript",
             {QString::fromStdString(file), plugin});
    callKWin("/Scripting", "org.kde.kwin.Scripting", "start");
}

}  // namespace vantrel::testing
