// The KWin desktop: the script's reports into the shared compositor model, and each write as a
// request to the script.
#include "platform/kwin/KWinDesktop.h"

namespace vantrel::kwin {
namespace {

using Json = nlohmann::json;

}  // namespace

KWinDesktop::KWinDesktop(Log& log, MainQueue& mainQueue, Clock& clock, KWinBridge& bridge,
                         KWinOptions options)
    : CompositorDesktop(log, mainQueue, clock, "KWinDesktop: KWin", options.common),
      bridge_(bridge),
      requestTimeout_(options.common.requestTimeout),
      outputNames_(std::move(options.outputNames)) {}

KWinDesktop::~KWinDesktop() {
    reports_.clear();
}

void KWinDesktop::connect() {
    loadEntries();
    for (const char* kind : {"state", "window", "removed", "monitors", "workspaces"})
        reports_.push_back(
            bridge_.onReport(kind, [this](const Json& report) { onReport(report); }));
}

void KWinDesktop::onReport(const Json& report) {
    if (report["kind"] == "state") {
        const auto version =
            report.value("version", Json()).is_number_integer() ? report["version"].get<int>() : 0;
        setReady(version == kProtocolVersion);
        if (version != kProtocolVersion) {
            log_.line("KWinDesktop: The KWin script speaks protocol " + std::to_string(version) +
                      ", this Vantrel " + std::to_string(kProtocolVersion) +
                      "; windows cannot be arranged");
            return;
        }
    }
    const auto changes = receive(report, true);
    if (changes.monitors && outputNames_) {
        mainQueue_.post([this, alive = std::weak_ptr<bool>(alive_)] {
            if (alive.lock()) nameMonitors(outputNames_());
        });
    }
}

bool KWinDesktop::awaitReady(Duration timeout) {
    if (!waitUntilReady(timeout)) return false;
    if (outputNames_) nameMonitors(outputNames_());
    return true;
}

native::Identity KWinDesktop::identity() const {
    native::Identity identity;
    // Plasma's own; KDE's file manager and panel are never quit.
    identity.fileManager = "org.kde.dolphin";
    identity.dock = "org.kde.plasmashell";
    identity.own = "vantrel";
    // Nothing for the user to grant: Vantrel loads its script into KWin itself.
    identity.accessSettingsUri = "";
    return identity;
}

std::optional<std::string> KWinDesktop::send(const Request& request) {
    Json arguments = Json::object();
    switch (request.op) {
        case Op::place: {
            const Rect& t = request.frame;
            arguments = {{"op", "place"}, {"frame", {t.x, t.y, t.width, t.height}}};
            break;
        }
        case Op::minimize:
        case Op::unminimize:
            arguments = {{"op", "minimize"}, {"minimized", request.op == Op::minimize}};
            break;
        case Op::toCurrentWorkspace:
            arguments = {{"op", "toCurrentDesktop"}};
            break;
        case Op::close:
            arguments = {{"op", "close"}};
            break;
        case Op::activate:
            arguments = {{"op", "activate"}};
            break;
    }
    arguments["window"] = request.window;
    auto answer =
        bridge_.request(std::move(arguments), std::chrono::steady_clock::now() + requestTimeout_);
    if (!answer) return answer.error().message;
    if (answer->value("ok", Json()) == true) return std::nullopt;
    const Json error = answer->value("error", Json());
    return error.is_string() ? error.get<std::string>() : std::string("refused");
}

}  // namespace vantrel::kwin
