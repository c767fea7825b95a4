// The main-thread queue: work posted from any thread runs later on the main thread, in order.
#pragma once

#include <cstdint>
#include <functional>

#include "base/Time.h"

namespace vantrel {

// Identifies a delayed or repeating task so it can be cancelled; 0 is never a valid id.
using TimerId = std::uint64_t;

class MainQueue {
  public:
    using Task = std::function<void()>;

    virtual ~MainQueue() = default;

    // Runs the task on the main thread after the tasks already posted. Safe from any thread.
    virtual void post(Task task) = 0;
    // Runs the task on the main thread once the delay has passed. Safe from any thread.
    virtual TimerId postAfter(Duration delay, Task task) = 0;
    // Runs the task on the main thread every interval until cancelled. Safe from any thread.
    virtual TimerId startRepeating(Duration interval, Task task) = 0;
    // Cancels a delayed or repeating task; unknown or finished ids are ignored.
    virtual void cancel(TimerId id) = 0;
    // True on the thread that runs the queue.
    virtual bool isMainThread() const = 0;
};

// Cancels its timer when destroyed or reset: the owner of a repeating timer keeps one of these.
class TimerHandle {
  public:
    TimerHandle() = default;
    TimerHandle(MainQueue& queue, TimerId id) : queue_(&queue), id_(id) {}
    TimerHandle(const TimerHandle&) = delete;
    TimerHandle& operator=(const TimerHandle&) = delete;
    TimerHandle(TimerHandle&& other) noexcept { *this = std::move(other); }
    TimerHandle& operator=(TimerHandle&& other) noexcept {
        if (this != &other) {
            reset();
            queue_ = other.queue_;
            id_ = other.id_;
            other.queue_ = nullptr;
            other.id_ = 0;
        }
        return *this;
    }
    ~TimerHandle() { reset(); }

    void reset() {
        if (queue_ != nullptr && id_ != 0) queue_->cancel(id_);
        queue_ = nullptr;
        id_ = 0;
    }
    bool active() const { return id_ != 0; }

  private:
    MainQueue* queue_ = nullptr;
    TimerId id_ = 0;
};

}  // namespace vantrel
