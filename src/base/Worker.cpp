// The serial executor's thread and queue.
#include "base/Worker.h"

namespace vantrel {

SerialExecutor::~SerialExecutor() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void SerialExecutor::submit(TimePoint deadline, TimedTask task) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({deadline, std::move(task)});
        if (!thread_.joinable()) thread_ = std::thread([this] { loop(); });
    }
    changed_.notify_all();
}

void SerialExecutor::waitIdle() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

void SerialExecutor::loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !queue_.empty() || stopping_; });
        // Stopping still runs what was queued: each task reports its end to someone waiting.
        if (queue_.empty()) return;
        Job job = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        job.task(clock_.now() > job.deadline);
        job = {};  // what the task holds is let go outside the lock
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

}  // namespace vantrel
