// Posting goes through queued invocations; timers are QTimers owned by the queue's thread.
#include "ui/QtMainQueue.h"

#include <QSocketNotifier>
#include <QThread>
#include <chrono>
#include <limits>
#include <memory>

namespace vantrel {
namespace {

// QTimer counts whole milliseconds; round up so a task never runs early.
int toMilliseconds(Duration duration) {
    if (duration <= Duration::zero()) return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(duration).count();
    return ms > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                : static_cast<int>(ms);
}

}  // namespace

QtMainQueue::QtMainQueue(QObject* parent) : QObject(parent) {}

QtMainQueue::~QtMainQueue() = default;

void QtMainQueue::post(Task task) {
    // Queued invocations on one receiver keep their order, and are dropped if the queue is gone.
    QMetaObject::invokeMethod(
        this, [task = std::move(task)] { task(); }, Qt::QueuedConnection);
}

TimerId QtMainQueue::postAfter(Duration delay, Task task) {
    return schedule(delay, false, std::move(task));
}

TimerId QtMainQueue::startRepeating(Duration interval, Task task) {
    return schedule(interval, true, std::move(task));
}

TimerId QtMainQueue::schedule(Duration delay, bool repeating, Task task) {
    const TimerId id = nextId_.fetch_add(1);
    if (isMainThread()) {
        createTimer(id, delay, repeating, std::move(task));
        return id;
    }
    {
        std::lock_guard lock(mutex_);
        pendingCreate_.insert(id);
    }
    post([this, id, delay, repeating, task = std::move(task)]() mutable {
        {
            std::lock_guard lock(mutex_);
            pendingCreate_.erase(id);
            if (cancelledEarly_.erase(id) > 0) return;
        }
        createTimer(id, delay, repeating, std::move(task));
    });
    return id;
}

void QtMainQueue::createTimer(TimerId id, Duration delay, bool repeating, Task task) {
    auto* timer = new QTimer(this);
    timer->setSingleShot(!repeating);
    timer->setTimerType(Qt::PreciseTimer);
    timers_[id] = timer;
    auto shared = std::make_shared<Task>(std::move(task));
    QObject::connect(timer, &QTimer::timeout, this, [this, id, repeating, shared, timer] {
        if (!repeating) {
            timers_.erase(id);
            timer->deleteLater();
        }
        // The task may cancel its own timer; the shared copy keeps it alive while it runs.
        auto keep = shared;
        (*keep)();
    });
    timer->start(toMilliseconds(delay));
}

void QtMainQueue::cancel(TimerId id) {
    if (id == 0) return;
    if (isMainThread()) {
        cancelOnMainThread(id);
        return;
    }
    post([this, id] { cancelOnMainThread(id); });
}

void QtMainQueue::cancelOnMainThread(TimerId id) {
    {
        std::lock_guard lock(mutex_);
        if (pendingCreate_.count(id) > 0) {
            cancelledEarly_.insert(id);
            return;
        }
    }
    const auto it = timers_.find(id);
    if (it == timers_.end()) return;
    if (QTimer* timer = it->second) {
        timer->stop();
        timer->deleteLater();
    }
    timers_.erase(it);
}

bool QtMainQueue::isMainThread() const {
    return QThread::currentThread() == thread();
}

std::size_t QtMainQueue::activeTimerCount() const {
    std::lock_guard lock(mutex_);
    return timers_.size() + pendingCreate_.size() - cancelledEarly_.size();
}

Subscription QtMainQueue::watchReadable(int fd, std::function<void()> onReadable) {
    QPointer<QSocketNotifier> notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    QObject::connect(notifier, &QSocketNotifier::activated, this,
                     [callback = std::move(onReadable)] { callback(); });
    QPointer<QtMainQueue> queue = this;
    return Subscription([notifier, queue] {
        auto drop = [notifier] {
            if (notifier) {
                notifier->setEnabled(false);
                notifier->deleteLater();
            }
        };
        if (queue && !queue->isMainThread()) {
            QMetaObject::invokeMethod(queue, drop, Qt::QueuedConnection);
        } else {
            drop();
        }
    });
}

}  // namespace vantrel
