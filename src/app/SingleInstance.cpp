// The lock that decides which start runs, and the local socket that wakes the running one.
#include "app/SingleInstance.h"

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QThread>

namespace vantrel {
namespace {

// How long a later start keeps trying to reach a running instance that may still be starting.
constexpr int kConnectDeadlineMs = 3000;
constexpr int kRetryMs = 20;
// A message longer than this is not one of ours.
constexpr qint64 kMaxMessage = 256;
// A running instance writes its lock file right after creating it; one still unreadable after
// this long was left half-written or was never ours.
constexpr std::time_t kUnreadableLockAge = 2;

// Whether the lock file that stopped us can belong to no running instance of this user: it is
// another user's (a shared temporary folder), or it names no process at all. A live process's
// lock of ours is judged by QLockFile itself.
bool heldByNoOne(const QLockFile& lock, const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return false;
    if (info.st_uid != ::getuid()) return true;
    qint64 pid = 0;
    QString host;
    QString application;
    return !lock.getLockInfo(&pid, &host, &application) &&
           std::time(nullptr) - info.st_mtime > kUnreadableLockAge;
}

}  // namespace

SingleInstance::SingleInstance(QString socketPath) : socketPath_(std::move(socketPath)) {}

SingleInstance::~SingleInstance() {
    // The socket file goes with the server; the lock file with the lock.
    server_.reset();
    lock_.reset();
}

QString SingleInstance::socketPathFor(const QString& runtimeDir, const QString& display) {
    QString name = display;
    // ":0.0" and ":0" are the same display: drop the screen number.
    const auto colon = name.lastIndexOf(QLatin1Char(':'));
    const auto dot = name.indexOf(QLatin1Char('.'), colon + 1);
    if (colon >= 0 && dot > colon) name.truncate(dot);
    for (QChar& c : name) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('.'))
            c = QLatin1Char('_');
    }
    const QString folder =
        !runtimeDir.isEmpty() && QDir::isAbsolutePath(runtimeDir) ? runtimeDir : QDir::tempPath();
    return QStringLiteral("%1/vantrel-%2-%3").arg(folder).arg(getuid()).arg(name);
}

QString SingleInstance::defaultSocketPath() {
    return socketPathFor(qEnvironmentVariable("XDG_RUNTIME_DIR"), qEnvironmentVariable("DISPLAY"));
}

SingleInstance::Role SingleInstance::claim() {
    const QString lockPath = socketPath_ + QStringLiteral(".lock");
    lock_ = std::make_unique<QLockFile>(lockPath);
    // A running Vantrel holds the lock for days: only a holder that has ended makes it stale.
    lock_->setStaleLockTime(0);
    bool locked = lock_->tryLock(0);
    if (!locked && lock_->error() == QLockFile::LockFailedError && heldByNoOne(*lock_, lockPath)) {
        // A lock nobody holds must not keep Vantrel from starting; one we cannot remove either.
        if (!lock_->removeStaleLockFile()) {
            lock_.reset();
            return Role::primary;
        }
        locked = lock_->tryLock(0);
    }
    if (locked) {
        listen();
        return Role::primary;
    }
    if (lock_->error() != QLockFile::LockFailedError) {
        // No lock can be made here; running twice is better than not running.
        lock_.reset();
        return Role::primary;
    }
    lock_.reset();
    (void)tell(socketPath_, kShowMessage);
    return Role::secondary;
}

void SingleInstance::listen() {
    // Holding the lock, any socket file is a leftover of an instance that crashed.
    QLocalServer::removeServer(socketPath_);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(socketPath_)) {
        // Later starts still see the lock and stay away; they only cannot wake this one.
        server_.reset();
        return;
    }
    QLocalServer* server = server_.get();
    QObject::connect(server, &QLocalServer::newConnection, server, [this, server] {
        while (QLocalSocket* client = server->nextPendingConnection()) {
            auto readMessages = [this, client] {
                while (client->canReadLine()) {
                    const QByteArray line = client->readLine(kMaxMessage).trimmed();
                    if (line == kShowMessage && onActivate) onActivate();
                    if (line == kQuitMessage && onQuit) onQuit();
                }
                if (client->bytesAvailable() > kMaxMessage) client->abort();
            };
            QObject::connect(client, &QLocalSocket::readyRead, client, readMessages);
            QObject::connect(client, &QLocalSocket::disconnected, client, [client, readMessages] {
                readMessages();
                client->deleteLater();
            });
        }
    });
}

bool SingleInstance::tell(const QString& socketPath, const char* message) {
    const QDeadlineTimer deadline(kConnectDeadlineMs);
    QLocalSocket socket;
    // The running instance may hold the lock a moment before it listens.
    for (;;) {
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) break;
        if (deadline.hasExpired()) return false;
        QThread::msleep(kRetryMs);
    }
    socket.write(QByteArray(message) + '\n');
    while (socket.bytesToWrite() > 0 &&
           socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
    }
    const bool sent = socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    return sent;
}

}  // namespace vantrel
