// The bridge's session-bus object on its own thread: the caller check, the long poll, answers
// matched to waiting requests, and reports handed to their subscribers.
#include "platform/kwin/KWinBridge.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QThread>
#include <QTimer>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>

namespace vantrel::kwin {
namespace {

using Steady = std::chrono::steady_clock;

// KWin drops a call unanswered after 25 s and its script would stop polling: a poll held this
// long is answered "idle" and the script asks again.
constexpr auto kIdleAnswerAfter = std::chrono::seconds{15};
constexpr int kIdleCheckMs = 5000;

QString text(const char* latin1) {
    return QString::fromLatin1(latin1);
}

}  // namespace

struct KWinBridge::Shared {
    // Held while handlers run: ending a subscription waits for its handler to return, so an
    // owner may be destroyed once its subscription has ended.
    std::mutex dispatching;
    std::mutex mutex;
    std::condition_variable changed;
    bool running = false;
    std::int64_t nextId = 1;
    std::deque<Json> outgoing;
    std::map<std::int64_t, std::optional<Json>> waiting;
    std::uint64_t nextHandler = 1;
    std::map<std::string, std::map<std::uint64_t, std::shared_ptr<ReportHandler>>> handlers;
};

class KWinBridge::Object final : public QDBusVirtualObject {
  public:
    Object(Log& log, std::shared_ptr<Shared> shared) : log_(log), shared_(std::move(shared)) {}

    QThread thread;
    QDBusConnection connection = QDBusConnection(QString());

    QString introspect(const QString&) const override {
        return QStringLiteral(
            "<interface name=\"app.vantrel.KWinBridge1\">"
            "<method name=\"Report\"><arg name=\"json\" type=\"s\" direction=\"in\"/></method>"
            "<method name=\"Next\"><arg name=\"json\" type=\"s\" direction=\"out\"/></method>"
            "<method name=\"Answer\"><arg name=\"json\" type=\"s\" direction=\"in\"/></method>"
            "</interface>");
    }

    // Qt D-Bus's thread: everything is handed to the bridge's own.
    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        if (message.type() != QDBusMessage::MethodCallMessage) return false;
        if (!message.interface().isEmpty() && message.interface() != text(kBridgeInterface))
            return false;
        QMetaObject::invokeMethod(
            this, [this, message] { dispatch(message); }, Qt::QueuedConnection);
        return true;
    }

    void startIdleCheck() {
        timer_ = new QTimer(this);
        QObject::connect(timer_, &QTimer::timeout, this, [this] {
            if (poll_ && Steady::now() - heldSince_ >= kIdleAnswerAfter)
                answerPoll({{"op", "idle"}});
        });
        timer_->start(kIdleCheckMs);
    }
    // On its own thread, last: the timer ends there, and the object may be freed elsewhere.
    void stop() {
        delete timer_;
        timer_ = nullptr;
        moveToThread(nullptr);
    }

    // Sends the oldest request when the script is waiting for one.
    void flush() {
        if (!poll_) return;
        Json next;
        {
            std::lock_guard lock(shared_->mutex);
            if (shared_->outgoing.empty()) return;
            next = std::move(shared_->outgoing.front());
            shared_->outgoing.pop_front();
        }
        answerPoll(next);
    }

  private:
    void dispatch(const QDBusMessage& call) {
        if (!fromKWin(call)) {
            log_.line("KWinBridge: Refused a call from " + call.service().toStdString() +
                      ", which is not KWin");
            connection.send(call.createErrorReply(text("app.vantrel.KWinBridge1.Error.NotKWin"),
                                                  text("Only KWin may call this object")));
            return;
        }
        const QString member = call.member();
        const QString signature = call.signature();
        if (member == QLatin1String("Next") && signature.isEmpty()) {
            if (poll_) answerPoll({{"op", "idle"}});
            poll_ = call;
            heldSince_ = Steady::now();
            flush();
            return;
        }
        if ((member == QLatin1String("Report") || member == QLatin1String("Answer")) &&
            signature == QLatin1String("s")) {
            connection.send(call.createReply());
            const std::string body = call.arguments().at(0).toString().toStdString();
            if (member == QLatin1String("Report"))
                report(body);
            else
                answer(body);
            return;
        }
        connection.send(call.createErrorReply(text("org.freedesktop.DBus.Error.UnknownMethod"),
                                              text("No such method")));
    }

    // The sender is KWin's connection: asked again of the bus whenever another one calls, so a
    // restarted KWin is recognised.
    bool fromKWin(const QDBusMessage& call) {
        if (!kwinOwner_.isEmpty() && call.service() == kwinOwner_) return true;
        const auto owner = connection.interface()->serviceOwner(text(kKWinService));
        kwinOwner_ = owner.isValid() ? owner.value() : QString();
        return !kwinOwner_.isEmpty() && call.service() == kwinOwner_;
    }

    void answerPoll(const Json& request) {
        const QString body = QString::fromStdString(request.dump());
        connection.send(poll_->createReply(QVariant(body)));
        poll_.reset();
    }

    void report(const std::string& body) {
        const Json parsed = Json::parse(body, nullptr, false);
        if (!parsed.is_object() || !parsed.contains("kind") || !parsed["kind"].is_string()) {
            log_.line("KWinBridge: Ignored a report that is not a JSON object with a kind");
            return;
        }
        std::lock_guard dispatching(shared_->dispatching);
        std::vector<std::shared_ptr<ReportHandler>> handlers;
        {
            std::lock_guard lock(shared_->mutex);
            for (const auto& [id, handler] : shared_->handlers[parsed["kind"].get<std::string>()])
                handlers.push_back(handler);
        }
        for (const auto& handler : handlers) {
            try {
                (*handler)(parsed);
            } catch (const std::exception& error) {
                // Values of the wrong type: the rest of the report is not trusted either.
                log_.line(std::string("KWinBridge: Ignored a report it could not read: ") +
                          error.what());
            }
        }
    }

    void answer(const std::string& body) {
        const Json parsed = Json::parse(body, nullptr, false);
        if (!parsed.is_object() || !parsed.contains("id") || !parsed["id"].is_number_integer()) {
            log_.line("KWinBridge: Ignored an answer that is not a JSON object with an id");
            return;
        }
        std::lock_guard lock(shared_->mutex);
        const auto found = shared_->waiting.find(parsed["id"].get<std::int64_t>());
        if (found == shared_->waiting.end()) return;  // its caller gave up waiting
        found->second = parsed;
        shared_->changed.notify_all();
    }

    Log& log_;
    std::shared_ptr<Shared> shared_;
    QString kwinOwner_;
    std::optional<QDBusMessage> poll_;
    Steady::time_point heldSince_;
    QTimer* timer_ = nullptr;
};

KWinBridge::KWinBridge(Log& log)
    : shared_(std::make_shared<Shared>()), object_(std::make_unique<Object>(log, shared_)) {}

KWinBridge::~KWinBridge() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->running = false;
        shared_->changed.notify_all();
    }
    if (!object_->thread.isRunning()) return;
    object_->connection.unregisterObject(text(kBridgePath));
    object_->connection.unregisterService(text(kBridgeService));
    // Its timer stops on its own thread, after the calls already handed to it; then the object
    // is freed here.
    Object* object = object_.get();
    QMetaObject::invokeMethod(
        object, [object] { object->stop(); }, Qt::BlockingQueuedConnection);
    object->thread.quit();
    object->thread.wait();
}

Status KWinBridge::start() {
    object_->connection = QDBusConnection::sessionBus();
    if (!object_->connection.isConnected()) return Error{"No session bus"};
    Object* object = object_.get();
    if (!object_->connection.registerVirtualObject(text(kBridgePath), object))
        return Error{std::string("Cannot publish ") + kBridgePath + " on the session bus"};
    object_->moveToThread(&object_->thread);
    object_->thread.start();
    QMetaObject::invokeMethod(
        object, [object] { object->startIdleCheck(); }, Qt::QueuedConnection);
    {
        std::lock_guard lock(shared_->mutex);
        shared_->running = true;
    }
    if (!object_->connection.registerService(text(kBridgeService)))
        return Error{std::string("Another program holds ") + kBridgeService};
    return Ok{};
}

Result<KWinBridge::Json> KWinBridge::request(Json request, Deadline deadline) {
    if (QThread::currentThread() == &object_->thread)
        return Error{"A request cannot wait on the bridge's own thread"};
    std::unique_lock lock(shared_->mutex);
    if (!shared_->running) return Error{"The KWin bridge is not running"};
    const std::int64_t id = shared_->nextId++;
    request["id"] = id;
    shared_->outgoing.push_back(std::move(request));
    shared_->waiting[id] = std::nullopt;
    Object* object = object_.get();
    QMetaObject::invokeMethod(
        object, [object] { object->flush(); }, Qt::QueuedConnection);
    const bool answered = shared_->changed.wait_until(
        lock, deadline, [&] { return shared_->waiting[id].has_value() || !shared_->running; });
    std::optional<Json> answer = std::move(shared_->waiting[id]);
    shared_->waiting.erase(id);
    std::erase_if(shared_->outgoing, [id](const Json& r) { return r["id"] == id; });
    if (!answered || !answer) return Error{"KWin did not answer in time"};
    return std::move(*answer);
}

Subscription KWinBridge::onReport(const std::string& kind, ReportHandler handler) {
    std::lock_guard lock(shared_->mutex);
    const auto id = shared_->nextHandler++;
    shared_->handlers[kind].emplace(id, std::make_shared<ReportHandler>(std::move(handler)));
    return Subscription([weak = std::weak_ptr<Shared>(shared_), kind, id] {
        if (const auto shared = weak.lock()) {
            std::lock_guard dispatching(shared->dispatching);
            std::lock_guard guard(shared->mutex);
            shared->handlers[kind].erase(id);
        }
    });
}

}  // namespace vantrel::kwin
