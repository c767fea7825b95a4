// The serial executor: every blocking call into the desktop runs here, one at a time, in order.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "base/Clock.h"

namespace vantrel {

class Worker {
  public:
    using Task = std::function<void()>;
    // `late` is true when the task started after its deadline: it should then only say that it
    // did nothing, so a caller that gave up waiting is not surprised by a late effect.
    using TimedTask = std::function<void(bool late)>;

    virtual ~Worker() = default;
    // Runs the task after every task given before it; it may run on another thread and must not
    // touch main-thread state directly. Safe from any thread.
    virtual void submit(TimePoint deadline, TimedTask task) = 0;
    // A task that waits as long as it takes.
    void run(Task task) {
        submit(TimePoint::max(), [task = std::move(task)](bool) { task(); });
    }
};

// One thread of its own, started with the first task; the destructor runs what is queued, then
// joins it.
class SerialExecutor final : public Worker {
  public:
    explicit SerialExecutor(Clock& clock) : clock_(clock) {}
    SerialExecutor(const SerialExecutor&) = delete;
    SerialExecutor& operator=(const SerialExecutor&) = delete;
    ~SerialExecutor() override;

    void submit(TimePoint deadline, TimedTask task) override;
    // Waits until every task given so far has finished.
    void waitIdle();

  private:
    struct Job {
        TimePoint deadline;
        TimedTask task;
    };
    void loop();

    Clock& clock_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

// Runs each task at once on the calling thread, never late (tests, tools).
class InlineWorker final : public Worker {
  public:
    void submit(TimePoint, TimedTask task) override { task(false); }
};

}  // namespace vantrel
