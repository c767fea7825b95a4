// Vantrel's end of the KWin script's protocol: the session-bus object the script calls, requests
// with deadlines and the script's reports (docs/kwin-protocol.md).
#pragma once

#include <nlohmann/json.hpp>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "base/Log.h"
#include "base/Result.h"
#include "base/Subscription.h"

namespace vantrel::kwin {

inline constexpr const char* kBridgeService = "app.vantrel.KWinBridge";
inline constexpr const char* kBridgePath = "/app/vantrel/KWinBridge";
inline constexpr const char* kBridgeInterface = "app.vantrel.KWinBridge1";
// Only the owner of this name (KWin, which runs the script) may call the bridge.
inline constexpr const char* kKWinService = "org.kde.KWin";
// The protocol the script must speak; it states its own in its "state" report.
inline constexpr int kProtocolVersion = 1;

// The bridge has a thread of its own that receives every call, so a caller waiting for an answer
// (on the main thread or the restore's worker) never blocks the thread that must deliver it.
class KWinBridge {
  public:
    using Json = nlohmann::json;
    using Deadline = std::chrono::steady_clock::time_point;
    using ReportHandler = std::function<void(const Json&)>;

    explicit KWinBridge(Log& log);
    KWinBridge(const KWinBridge&) = delete;
    KWinBridge& operator=(const KWinBridge&) = delete;
    ~KWinBridge();

    // Starts the bridge's thread, then publishes the object and the well-known name on the
    // session bus; the reason when it could not.
    Status start();

    // Sends one request (an object with "op" and its arguments; the bridge adds "id") and waits
    // for the script's answer until `deadline`: the answer object ({"ok": true} or {"ok": false,
    // "error": text}), or an error when none came in time. Any thread but the bridge's own (not
    // from a report handler).
    Result<Json> request(Json request, Deadline deadline);

    // Calls `handler` on the bridge's thread with every report of this kind ("state", "window",
    // "removed", "monitors", "workspaces", "shortcut"), until the subscription ends. Reports are
    // objects; a handler must not wait on a request, nor end a subscription. Ending one waits
    // until its handler has returned.
    [[nodiscard]] Subscription onReport(const std::string& kind, ReportHandler handler);

  private:
    class Object;
    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::unique_ptr<Object> object_;
};

}  // namespace vantrel::kwin
