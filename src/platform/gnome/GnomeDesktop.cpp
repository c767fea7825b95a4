// The GNOME desktop: the extension's listings into the shared compositor model, and each write
// as a call to the extension.
#include "platform/gnome/GnomeDesktop.h"

#include <charconv>
#include <cmath>

namespace vantrel::gnome {
namespace {

using Json = nlohmann::json;

QVariant windowArgument(const std::string& uuid) {
    // The extension's ids are Mutter's window ids, decimal; anything else is no window.
    qulonglong id = 0;
    const auto end = uuid.data() + uuid.size();
    if (std::from_chars(uuid.data(), end, id).ptr != end) id = 0;
    return QVariant::fromValue(id);
}

int pixel(double value) {
    return static_cast<int>(std::lround(value));
}

}  // namespace

GnomeDesktop::GnomeDesktop(Log& log, MainQueue& mainQueue, Clock& clock, GnomeShell& shell,
                           compositor::CompositorOptions options)
    : CompositorDesktop(log, mainQueue, clock, "GnomeDesktop: GNOME Shell", options),
      shell_(shell) {}

Json GnomeDesktop::list(const char* method) {
    const QDBusMessage reply = shell_.call(method);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    // Whatever the text is, it parses to a value or to null (no exception).
    Json parsed = Json::parse(reply.arguments().at(0).toString().toStdString(), nullptr, false);
    return parsed.is_discarded() || !parsed.is_object() ? Json() : parsed;
}

void GnomeDesktop::appeared() {
    loadEntries();
    // Only the registered client may call anything else.
    const QDBusMessage registered = shell_.call("Register");
    if (registered.type() != QDBusMessage::ReplyMessage) {
        log_.line("GnomeDesktop: The GNOME Shell extension refused Vantrel: " +
                  registered.errorMessage().toStdString());
        setReady(false);
        return;
    }
    const Json windows = list("ListWindows");
    const Json monitors = list("ListMonitors");
    if (windows.is_null() || monitors.is_null()) {
        setReady(false);
        return;
    }
    setReady(true);
    receive({{"kind", "state"},
             {"windows", windows.value("windows", Json::array())},
             {"monitors", monitors.value("monitors", Json::array())},
             {"workspaces", windows.value("workspaces", Json::object())}},
            false);
    log_.line("GnomeDesktop: Registered with the GNOME Shell extension");
}

void GnomeDesktop::vanished() {
    // The Shell turns extensions off while the screen is locked; they come back at unlock.
    log_.line("GnomeDesktop: The GNOME Shell extension left the session bus");
    setReady(false);
}

void GnomeDesktop::windowsChanged() {
    const Json windows = list("ListWindows");
    if (windows.is_null()) return;
    receive({{"kind", "windows"},
             {"windows", windows.value("windows", Json::array())},
             {"workspaces", windows.value("workspaces", Json::object())}},
            false);
}

void GnomeDesktop::monitorsChanged() {
    const Json monitors = list("ListMonitors");
    if (monitors.is_null()) return;
    receive({{"kind", "monitors"}, {"monitors", monitors.value("monitors", Json::array())}}, false);
}

void GnomeDesktop::appStarted(const std::string& json) {
    const Json started = Json::parse(json, nullptr, false);
    if (!started.is_object()) return;
    const Json file = started.value("desktopFile", Json());
    const Json name = started.value("name", Json());
    const Json pids = started.value("pids", Json());
    std::int32_t pid = 0;
    if (pids.is_array() && !pids.empty() && pids[0].is_number_integer())
        pid = pids[0].get<std::int32_t>();
    if (file.is_string())
        announceStart(file.get<std::string>(), name.is_string() ? name.get<std::string>() : "",
                      pid);
}

native::Identity GnomeDesktop::identity() const {
    native::Identity identity;
    // GNOME's own file manager and its Shell (the top bar and dash) are never quit.
    identity.fileManager = "org.gnome.Nautilus";
    identity.dock = "org.gnome.Shell";
    identity.own = "vantrel";
    // The Extensions application is where the user enables Vantrel's extension.
    identity.accessSettingsUri = "";
    return identity;
}

std::optional<std::string> GnomeDesktop::send(const Request& request) {
    const QVariant id = windowArgument(request.window);
    QDBusMessage reply;
    switch (request.op) {
        case Op::place: {
            const Rect& f = request.frame;
            reply = shell_.call("MoveResize",
                                {id, pixel(f.x), pixel(f.y), pixel(f.width), pixel(f.height)});
            break;
        }
        case Op::minimize:
            reply = shell_.call("Minimize", {id});
            break;
        case Op::unminimize:
            reply = shell_.call("Unminimize", {id});
            break;
        case Op::toCurrentWorkspace:
            reply = shell_.call("MoveToWorkspace", {id, -1});
            break;
        case Op::close:
            reply = shell_.call("Close", {id});
            break;
        case Op::activate:
            reply = shell_.call("Activate", {id});
            break;
    }
    if (reply.type() == QDBusMessage::ReplyMessage) return std::nullopt;
    if (reply.errorName() == QLatin1String(kNoSuchWindow)) return std::string("gone");
    return reply.errorMessage().isEmpty() ? std::string("refused")
                                          : reply.errorMessage().toStdString();
}

}  // namespace vantrel::gnome
