// The extension's signals and name, followed on the client's own thread; calls on the session
// bus that Vantrel registered on.
#include "platform/gnome/GnomeShell.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QThread>

namespace vantrel::gnome {
namespace {

constexpr int kCallTimeoutMs = 5000;

QString text(const char* latin1) {
    return QString::fromLatin1(latin1);
}

}  // namespace

// moc reads no nested classes: the receiver is a class of its own.
class ShellReceiver final : public QObject {
    Q_OBJECT
  public:
    QThread thread;
    ShellHandlers handlers;

    // On the receiver's thread: signals and the name's watcher are delivered there.
    void follow() {
        auto bus = QDBusConnection::sessionBus();
        const QString service = text(kShellService), path = text(kShellPath),
                      iface = text(kShellInterface);
        bus.connect(service, path, iface, QStringLiteral("WindowsChanged"), this,
                    SLOT(onWindowsChanged()));
        bus.connect(service, path, iface, QStringLiteral("MonitorsChanged"), this,
                    SLOT(onMonitorsChanged()));
        bus.connect(service, path, iface, QStringLiteral("WorkspaceChanged"), this,
                    SLOT(onWorkspaceChanged()));
        bus.connect(service, path, iface, QStringLiteral("AppStarted"), this,
                    SLOT(onAppStarted(QString)));
        bus.connect(service, path, iface, QStringLiteral("AcceleratorActivated"), this,
                    SLOT(onAcceleratorActivated(uint)));
        watcher_ =
            new QDBusServiceWatcher(service, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
        QObject::connect(watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
                         [this](const QString&, const QString&, const QString& owner) {
                             run(owner.isEmpty() ? handlers.vanished : handlers.appeared);
                         });
        // After the watch, so an extension that appears meanwhile is not missed.
        if (bus.interface()->isServiceRegistered(service).value()) run(handlers.appeared);
    }
    void stop() {
        delete watcher_;
        watcher_ = nullptr;
        QDBusConnection::sessionBus().disconnect(text(kShellService), text(kShellPath),
                                                 text(kShellInterface), QString(), this, nullptr);
        moveToThread(nullptr);
    }

  public slots:
    void onWindowsChanged() { coalesce(windowsDirty_); }
    void onMonitorsChanged() { coalesce(monitorsDirty_); }
    void onWorkspaceChanged() { coalesce(workspaceDirty_); }
    void onAppStarted(const QString& json) {
        if (handlers.appStarted) handlers.appStarted(json.toStdString());
    }
    void onAcceleratorActivated(uint action) {
        if (handlers.acceleratorActivated) handlers.acceleratorActivated(action);
    }

  private:
    static void run(const std::function<void()>& handler) {
        if (handler) handler();
    }
    // Several signals queued behind one slow reload make one reload.
    void coalesce(bool& dirty) {
        const bool pending = windowsDirty_ || monitorsDirty_ || workspaceDirty_;
        dirty = true;
        if (pending) return;
        QMetaObject::invokeMethod(
            this,
            [this] {
                const bool monitors = std::exchange(monitorsDirty_, false);
                const bool windows = std::exchange(windowsDirty_, false);
                const bool workspace = std::exchange(workspaceDirty_, false);
                if (monitors) run(handlers.monitorsChanged);
                if (windows) run(handlers.windowsChanged);
                if (workspace) run(handlers.workspaceChanged);
            },
            Qt::QueuedConnection);
    }

    QDBusServiceWatcher* watcher_ = nullptr;
    bool windowsDirty_ = false;
    bool monitorsDirty_ = false;
    bool workspaceDirty_ = false;
};

GnomeShell::GnomeShell(Log& log) : receiver_(std::make_unique<ShellReceiver>()), log_(log) {}

GnomeShell::~GnomeShell() {
    stop();
}

void GnomeShell::stop() {
    if (!receiver_->thread.isRunning()) return;
    ShellReceiver* receiver = receiver_.get();
    QMetaObject::invokeMethod(
        receiver, [receiver] { receiver->stop(); }, Qt::BlockingQueuedConnection);
    receiver->thread.quit();
    receiver->thread.wait();
}

Status GnomeShell::start(ShellHandlers handlers) {
    if (!QDBusConnection::sessionBus().isConnected())
        return Error{"No session bus: " +
                     QDBusConnection::sessionBus().lastError().message().toStdString()};
    receiver_->handlers = std::move(handlers);
    receiver_->thread.setObjectName(QStringLiteral("vantrel-gnome-shell"));
    receiver_->moveToThread(&receiver_->thread);
    receiver_->thread.start();
    ShellReceiver* receiver = receiver_.get();
    QMetaObject::invokeMethod(
        receiver, [receiver] { receiver->follow(); }, Qt::QueuedConnection);
    return Ok{};
}

QDBusMessage GnomeShell::call(const char* method, const QVariantList& arguments) const {
    auto message = QDBusMessage::createMethodCall(text(kShellService), text(kShellPath),
                                                  text(kShellInterface), text(method));
    message.setArguments(arguments);
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(message, QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage && reply.errorName() != text(kNoSuchWindow))
        log_.line("GnomeShell: " + std::string(method) + " answered " +
                  reply.errorName().toStdString() + ": " + reply.errorMessage().toStdString());
    return reply;
}

}  // namespace vantrel::gnome

#include "GnomeShell.moc"
