// A real main loop without a toolkit: tasks, timers and file descriptors, driven by poll(2).
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "base/Clock.h"
#include "base/FdWatch.h"
#include "base/MainQueue.h"

namespace vantrel {

class PollLoop final : public MainQueue, public FdWatch {
  public:
    // The loop's main thread is the one that calls run().
    explicit PollLoop(const Clock& clock);
    PollLoop(const PollLoop&) = delete;
    PollLoop& operator=(const PollLoop&) = delete;
    ~PollLoop() override;

    // False when the wake-up pipe could not be made; the loop is unusable then.
    bool valid() const { return wakeRead_ >= 0; }

    void post(Task task) override;
    TimerId postAfter(Duration delay, Task task) override;
    TimerId startRepeating(Duration interval, Task task) override;
    void cancel(TimerId id) override;
    bool isMainThread() const override;
    Subscription watchReadable(int fd, std::function<void()> onReadable) override;

    // Runs until quit() is called. Returns at once when quit() came first.
    void run();
    // Runs for at most `limit`, or until quit().
    void runFor(Duration limit);
    // Makes run() return after the current task. Safe from any thread.
    void quit();

  private:
    struct Timer {
        TimerId id;
        Duration interval;
        std::shared_ptr<Task> task;
    };
    struct Watch {
        std::uint64_t id;
        int fd;
        std::shared_ptr<std::function<void()>> callback;
    };
    using Key = std::pair<TimePoint, std::uint64_t>;

    TimerId schedule(Duration delay, Duration interval, Task task);
    void wake();
    void loop(std::optional<TimePoint> deadline);

    const Clock& clock_;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::atomic<bool> quit_{false};
    std::atomic<std::thread::id> mainThread_{};
    mutable std::mutex mutex_;
    std::uint64_t sequence_ = 0;
    TimerId nextId_ = 1;
    std::map<Key, Timer> timers_;
    std::vector<Watch> watches_;
};

}  // namespace vantrel
