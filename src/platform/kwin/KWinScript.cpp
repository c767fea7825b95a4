// Loading Vantrel's KWin script through KWin's Scripting object, and KWin's output names.
#include "platform/kwin/KWinScript.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <filesystem>
#include <sstream>

namespace vantrel::kwin {
namespace {

QDBusMessage callKWin(const char* path, const char* interface, const char* method,
                      const QList<QVariant>& arguments = {}) {
    auto call =
        QDBusMessage::createMethodCall(QStringLiteral("org.kde.KWin"), QString::fromLatin1(path),
                                       QString::fromLatin1(interface), QString::fromLatin1(method));
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call);
}

}  // namespace

std::optional<std::string> scriptPath(const char* override, const std::string& executable) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path file = override != nullptr && *override != '\0'
                        ? fs::path(override)
                        : fs::path(executable).parent_path().parent_path() / "share" / "vantrel" /
                              "kwin" / "vantrel-kwin.js";
    if (!fs::is_regular_file(file, error)) return std::nullopt;
    return fs::absolute(file, error).string();
}

std::string ownExecutable() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

Status loadScript(const std::string& file) {
    const QString plugin = QString::fromLatin1(kScriptPlugin);
    callKWin("/Scripting", "org.kde.kwin.Scripting", "unloadScript", {plugin});
    const QDBusMessage loaded = callKWin("/Scripting", "org.kde.kwin.Scripting", "loadScript",
                                         {QString::fromStdString(file), plugin});
    if (loaded.type() != QDBusMessage::ReplyMessage || loaded.arguments().isEmpty())
        return Error{"KWin did not load its script: " + loaded.errorMessage().toStdString()};
    if (loaded.arguments().at(0).toInt() < 0) return Error{"KWin refused its script " + file};
    // Runs the scripts loaded and not yet running: ours.
    const QDBusMessage ran = callKWin("/Scripting", "org.kde.kwin.Scripting", "start");
    if (ran.type() != QDBusMessage::ReplyMessage)
        return Error{"KWin did not run its script: " + ran.errorMessage().toStdString()};
    return Ok{};
}

void unloadScript() {
    callKWin("/Scripting", "org.kde.kwin.Scripting", "unloadScript",
             {QString::fromLatin1(kScriptPlugin)});
}

std::vector<std::string> outputNames() {
    const QDBusMessage reply = callKWin("/KWin", "org.kde.KWin", "supportInformation");
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    return outputNamesIn(reply.arguments().at(0).toString().toStdString());
}

std::vector<std::string> outputNamesIn(const std::string& supportInformation) {
    // "Screen 0:", a rule, then "Name: DP-1" among the lines about that output.
    std::vector<std::string> names;
    std::istringstream lines(supportInformation);
    std::string line;
    bool inScreen = false;
    while (std::getline(lines, line)) {
        if (line.rfind("Screen ", 0) == 0 && !line.empty() && line.back() == ':') {
            inScreen = true;
        } else if (inScreen && line.rfind("Name: ", 0) == 0) {
            names.push_back(line.substr(6));
            inScreen = false;
        }
    }
    return names;
}

}  // namespace vantrel::kwin
