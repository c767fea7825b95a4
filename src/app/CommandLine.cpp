// Parses a subcommand, makes its one call to the running instance and prints the answer.
#include "app/CommandLine.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStringDecoder>
#include <cstdio>
#include <optional>
#include <variant>
#include <vector>

#include "automation/LayoutCommands.h"
#include "dbus/BusNames.h"
#include "dbus/BusValues.h"

namespace vantrel::cli {
namespace {

constexpr const char* kHelp =
    "Usage: vantrel [--help | --version | --quit]\n"
    "       vantrel COMMAND [ARGUMENTS]\n"
    "Saves and restores window layouts from the system tray.\n"
    "\n"
    "Vantrel runs in the tray of an X11 desktop with an EWMH window manager.\n"
    "Layouts are kept in $XDG_DATA_HOME/Vantrel/layouts.json, preferences in\n"
    "$XDG_CONFIG_HOME/Vantrel/Vantrel.conf.\n"
    "\n"
    "  --help     show this text and exit\n"
    "  --version  show the version and exit\n"
    "  --quit     ask the Vantrel running on this display to quit\n"
    "\n"
    "Commands, answered by the running Vantrel over the session bus:\n"
    "  list [--json]           the layouts: id, name, shortcut, windows, triggers\n"
    "  restore NAME|ID [--workspace=ask|here|saved] [--launch|--no-launch]\n"
    "                  [--close|--no-close]\n"
    "                          restore a layout; ends when the restore has ended. A layout\n"
    "                          saved on another workspace comes here (the default), stays\n"
    "                          there (saved), or waits for the answer in the menu (ask).\n"
    "                          --launch/--close override the layout's own options.\n"
    "  save NAME               save the open windows as a new layout\n"
    "  recapture NAME|ID       replace a layout's windows with the open ones\n"
    "  delete NAME|ID          delete a layout\n"
    "  preset PRESET           place the focused window\n"
    "  export [FILE]           write every layout to FILE (default: standard output)\n"
    "  import FILE             add the layouts of a layout file (at most 8 MB); a layout\n"
    "                          whose id is taken gets a new one; a bad file changes nothing\n"
    "\n"
    "Exit status: 0 done, 1 failed, 2 wrong usage, 3 Vantrel is not running.\n";

constexpr const char* kCommands[] = {"list",   "restore", "save",   "recapture",
                                     "delete", "preset",  "export", "import"};
constexpr int kQuickMs = 30'000;
// Restores and captures wait behind other desktop work (30 s), then take their own time.
constexpr int kSlowMs = 300'000;

struct Request {
    std::string command;
    std::vector<std::string> operands;
    bool json = false;
    QVariantMap options;
};

// A fault in the command line, said on standard error with the usage.
int usageError(const std::string& problem) {
    std::fprintf(stderr, "vantrel: %s\nTry 'vantrel --help'.\n", problem.c_str());
    return kUsage;
}

// Reads one option of `command`; false when it has no such option.
bool takeOption(Request& request, const std::string& option) {
    if (request.command == "list" && option == "--json") {
        request.json = true;
        return true;
    }
    if (request.command != "restore") return false;
    const std::string workspace = "--workspace=";
    if (option.starts_with(workspace)) {
        const auto value = option.substr(workspace.size());
        if (value != "ask" && value != "here" && value != "saved") return false;
        request.options[QStringLiteral("workspace")] = QString::fromStdString(value);
        return true;
    }
    const struct {
        const char* on;
        const char* off;
        const char* key;
    } switches[] = {{"--launch", "--no-launch", "launchMissingApps"},
                    {"--close", "--no-close", "closeOtherApps"}};
    for (const auto& flag : switches) {
        if (option != flag.on && option != flag.off) continue;
        request.options[QString::fromLatin1(flag.key)] = option == flag.on;
        return true;
    }
    return false;
}

// The request, or the exit code of a usage error already reported.
std::variant<Request, int> parse(int argc, char** argv) {
    Request request{argv[1], {}, false, {}};
    bool operandsOnly = false;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if (!operandsOnly && argument == "--") {
            operandsOnly = true;
        } else if (!operandsOnly && argument.starts_with("--")) {
            if (!takeOption(request, argument))
                return usageError("'" + request.command + "' has no option '" + argument + "'");
        } else {
            request.operands.push_back(argument);
        }
    }
    const auto count = request.operands.size();
    const bool optional = request.command == "export";
    const std::size_t wanted = request.command == "list" ? 0 : 1;
    if (count > wanted || (count < wanted && !optional))
        return usageError("'" + request.command + "' takes " +
                          (wanted == 0 ? std::string("no arguments") : "one argument"));
    if (request.command == "preset" && !bus::presetNamed(request.operands[0]))
        return usageError("no preset is named '" + request.operands[0] +
                          "'; the presets: " + bus::presetNames());
    return request;
}

class Client {
  public:
    Client() : bus_(QDBusConnection::sessionBus()) {}

    // Whether an instance answers on this session bus.
    bool reachable() const {
        return bus_.isConnected() &&
               bus_.interface()->isServiceRegistered(QString::fromLatin1(bus::kService));
    }

    QDBusMessage call(const char* method, const QList<QVariant>& arguments = {},
                      int timeoutMs = kQuickMs) {
        auto message = QDBusMessage::createMethodCall(
            QString::fromLatin1(bus::kService), QString::fromLatin1(bus::kPath),
            QString::fromLatin1(bus::kInterface), QString::fromLatin1(method));
        message.setArguments(arguments);
        return bus_.call(message, QDBus::Block, timeoutMs);
    }

  private:
    QDBusConnection bus_;
};

int notRunning() {
    std::fputs(
        "Vantrel is not running. Start it from the applications menu or run 'vantrel'\n"
        "(it stays in the tray), then try again.\n",
        stderr);
    return kNotRunning;
}

// An error answer: its sentence, and the exit code it means.
int failed(const QDBusMessage& reply) {
    if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown"))
        return notRunning();
    if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply")) {
        std::fputs("vantrel: Vantrel did not answer in time.\n", stderr);
        return kFailed;
    }
    std::fprintf(stderr, "vantrel: %s\n", reply.errorMessage().toUtf8().constData());
    return kFailed;
}

bool isError(const QDBusMessage& reply) {
    return reply.type() != QDBusMessage::ReplyMessage;
}

QString firstString(const QDBusMessage& reply) {
    return reply.arguments().value(0).toString();
}

int list(Client& client, bool json) {
    const auto reply = client.call("List");
    if (isError(reply)) return failed(reply);
    const auto layouts = qdbus_cast<QList<QVariantMap>>(reply.arguments().value(0));
    if (json) {
        QJsonArray array;
        for (const auto& layout : layouts) array.append(QJsonObject::fromVariantMap(layout));
        std::fputs(QJsonDocument(array).toJson(QJsonDocument::Indented).constData(), stdout);
        return kDone;
    }
    for (const auto& layout : layouts) {
        const auto windows = layout.value(QStringLiteral("windows")).toUInt();
        std::printf("%s  %s  (%u window%s)",
                    layout.value(QStringLiteral("id")).toString().toUtf8().constData(),
                    layout.value(QStringLiteral("name")).toString().toUtf8().constData(), windows,
                    windows == 1 ? "" : "s");
        const auto shortcut = layout.value(QStringLiteral("shortcut")).toString();
        if (!shortcut.isEmpty()) std::printf("  %s", shortcut.toUtf8().constData());
        const auto triggers = layout.value(QStringLiteral("triggers")).toStringList();
        if (!triggers.isEmpty())
            std::printf("  triggers: %s", triggers.join(QStringLiteral(", ")).toUtf8().constData());
        std::fputc('\n', stdout);
    }
    return kDone;
}

int restore(Client& client, const Request& request) {
    const QString layout = QString::fromStdString(request.operands[0]);
    const auto reply = client.call("Restore", {layout, request.options}, kSlowMs);
    if (isError(reply)) return failed(reply);
    const auto summary = qdbus_cast<QVariantMap>(reply.arguments().value(0));
    if (summary.value(QStringLiteral("awaitingWorkspace")).toBool()) {
        std::printf("'%s' is on another workspace: answer in Vantrel's menu.\n",
                    request.operands[0].c_str());
        return kDone;
    }
    std::printf("Restored %lld of %lld windows of '%s'.\n",
                summary.value(QStringLiteral("restored")).toLongLong(),
                summary.value(QStringLiteral("total")).toLongLong(), request.operands[0].c_str());
    return kDone;
}

int exportTo(Client& client, const Request& request) {
    const auto reply = client.call("Export");
    if (isError(reply)) return failed(reply);
    const QByteArray text = firstString(reply).toUtf8();
    if (request.operands.empty()) {
        std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
        std::fputc('\n', stdout);
        return kDone;
    }
    // Written whole or not at all: an earlier export is never left half overwritten.
    QSaveFile file(QString::fromStdString(request.operands[0]));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        std::fprintf(stderr, "vantrel: Cannot write %s: %s\n", request.operands[0].c_str(),
                     file.errorString().toUtf8().constData());
        return kFailed;
    }
    return kDone;
}

int importFrom(Client& client, const Request& request) {
    const auto& path = request.operands[0];
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "vantrel: Cannot read %s: %s\n", path.c_str(),
                     file.errorString().toUtf8().constData());
        return kFailed;
    }
    // Read no further than the limit: a huge or endless file is refused, not loaded.
    const QByteArray bytes = file.read(static_cast<qint64>(LayoutCommands::kMaxImportBytes) + 1);
    if (bytes.size() > static_cast<qsizetype>(LayoutCommands::kMaxImportBytes)) {
        std::fprintf(stderr, "vantrel: %s is larger than 8 MB: nothing imported.\n", path.c_str());
        return kFailed;
    }
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decode(bytes);
    if (decode.hasError()) {
        std::fprintf(stderr, "vantrel: %s is not UTF-8 text: nothing imported.\n", path.c_str());
        return kFailed;
    }
    const auto reply = client.call("Import", {text});
    if (isError(reply)) return failed(reply);
    std::printf("Imported %u layouts.\n", reply.arguments().value(0).toUInt());
    return kDone;
}

int dispatch(Client& client, const Request& request) {
    const auto& command = request.command;
    if (command == "list") return list(client, request.json);
    if (command == "restore") return restore(client, request);
    if (command == "export") return exportTo(client, request);
    if (command == "import") return importFrom(client, request);
    const QString operand = QString::fromStdString(request.operands[0]);
    if (command == "save" || command == "recapture") {
        const auto reply =
            client.call(command == "save" ? "Save" : "Recapture", {operand}, kSlowMs);
        if (isError(reply)) return failed(reply);
        std::printf("Saved '%s' (%s).\n", request.operands[0].c_str(),
                    firstString(reply).toUtf8().constData());
        return kDone;
    }
    const auto reply = client.call(command == "delete" ? "Delete" : "ApplyPreset", {operand});
    return isError(reply) ? failed(reply) : kDone;
}

}  // namespace

bool isCommand(int argc, char** argv) {
    if (argc < 2) return false;
    for (const char* command : kCommands)
        if (std::string(argv[1]) == command) return true;
    return false;
}

int run(int argc, char** argv) {
    const auto parsed = parse(argc, argv);
    if (const int* code = std::get_if<int>(&parsed)) return *code;
    QCoreApplication application(argc, argv);
    qDBusRegisterMetaType<QList<QVariantMap>>();
    Client client;
    if (!client.reachable()) return notRunning();
    return dispatch(client, std::get<Request>(parsed));
}

std::string usage() {
    return std::string(kHelp) + "\nPresets: " + bus::presetNames() + "\n";
}

}  // namespace vantrel::cli
