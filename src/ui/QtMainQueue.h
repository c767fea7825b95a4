// The main queue and file-descriptor watch on the Qt event loop of the thread that creates it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <map>
#include <mutex>
#include <set>

#include "base/FdWatch.h"
#include "base/MainQueue.h"

namespace vantrel {

class QtMainQueue final : public QObject, public MainQueue, public FdWatch {
  public:
    // Runs its work on the thread that creates it, which must run a Qt event loop.
    explicit QtMainQueue(QObject* parent = nullptr);
    QtMainQueue(const QtMainQueue&) = delete;
    QtMainQueue& operator=(const QtMainQueue&) = delete;
    ~QtMainQueue() override;

    void post(Task task) override;
    TimerId postAfter(Duration delay, Task task) override;
    TimerId startRepeating(Duration interval, Task task) override;
    void cancel(TimerId id) override;
    bool isMainThread() const override;
    Subscription watchReadable(int fd, std::function<void()> onReadable) override;

    // Timers still scheduled (created or about to be); main thread.
    std::size_t activeTimerCount() const;

  private:
    TimerId schedule(Duration delay, bool repeating, Task task);
    void createTimer(TimerId id, Duration delay, bool repeating, Task task);
    void cancelOnMainThread(TimerId id);

    std::atomic<TimerId> nextId_{1};
    mutable std::mutex mutex_;
    // Ids handed out whose timer is not made yet (scheduled from another thread), and those of
    // them cancelled before they were made.
    std::set<TimerId> pendingCreate_;
    std::set<TimerId> cancelledEarly_;
    // Main thread only.
    std::map<TimerId, QPointer<QTimer>> timers_;
};

}  // namespace vantrel
