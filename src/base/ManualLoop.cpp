// Virtual-time main queue and clock for tests.
#include "base/ManualLoop.h"

#include <algorithm>

namespace vantrel {

ManualLoop::ManualLoop(Date wallStart)
    : mainThread_(std::this_thread::get_id()), wallStart_(wallStart) {}

void ManualLoop::post(Task task) {
    schedule(Duration::zero(), Duration::zero(), std::move(task));
}

TimerId ManualLoop::postAfter(Duration delay, Task task) {
    return schedule(std::max(delay, Duration::zero()), Duration::zero(), std::move(task));
}

TimerId ManualLoop::startRepeating(Duration interval, Task task) {
    // A zero interval would make advance() spin forever.
    const auto step = std::max(interval, Duration{1});
    return schedule(step, step, std::move(task));
}

TimerId ManualLoop::schedule(Duration delay, Duration interval, Task task) {
    std::lock_guard lock(mutex_);
    const TimerId id = nextId_++;
    queue_.emplace(Key{now_ + delay, sequence_++},
                   Entry{id, interval, std::make_shared<Task>(std::move(task))});
    return id;
}

void ManualLoop::cancel(TimerId id) {
    std::lock_guard lock(mutex_);
    std::erase_if(queue_, [id](const auto& item) { return item.second.id == id; });
}

bool ManualLoop::isMainThread() const {
    return std::this_thread::get_id() == mainThread_;
}

TimePoint ManualLoop::now() const {
    std::lock_guard lock(mutex_);
    return now_;
}

Date ManualLoop::wallNow() const {
    std::lock_guard lock(mutex_);
    return wallStart_ + (now_ - TimePoint{});
}

void ManualLoop::sleepFor(Duration duration) {
    std::lock_guard lock(mutex_);
    sleeps_.push_back(duration);
    if (duration > Duration::zero()) now_ += duration;
}

std::size_t ManualLoop::runPending() {
    return runUntil(now());
}

std::size_t ManualLoop::advance(Duration duration) {
    return runUntil(now() + duration);
}

bool ManualLoop::runNext() {
    TimePoint due;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty()) return false;
        due = std::max(queue_.begin()->first.first, now_);
    }
    runUntil(due);
    return true;
}

std::size_t ManualLoop::runUntil(TimePoint target) {
    std::size_t ran = 0;
    for (;;) {
        Entry entry;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty() || queue_.begin()->first.first > target) {
                now_ = std::max(now_, target);
                return ran;
            }
            auto it = queue_.begin();
            now_ = std::max(now_, it->first.first);
            entry = std::move(it->second);
            queue_.erase(it);
            // A repeating timer is queued again before it runs, so the task can cancel it.
            if (entry.interval > Duration::zero())
                queue_.emplace(Key{now_ + entry.interval, sequence_++}, entry);
        }
        (*entry.task)();
        ++ran;
    }
}

std::size_t ManualLoop::pendingCount() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

std::optional<Duration> ManualLoop::nextDelay() const {
    std::lock_guard lock(mutex_);
    if (queue_.empty()) return std::nullopt;
    return std::max(queue_.begin()->first.first - now_, Duration::zero());
}

std::vector<Duration> ManualLoop::sleeps() const {
    std::lock_guard lock(mutex_);
    return sleeps_;
}

void ManualLoop::clearSleeps() {
    std::lock_guard lock(mutex_);
    sleeps_.clear();
}

}  // namespace vantrel
