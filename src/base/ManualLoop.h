// A main queue and clock on virtual time, driven by the test: no sleeps, exact delays.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "base/Clock.h"
#include "base/MainQueue.h"

namespace vantrel {

class ManualLoop final : public MainQueue, public Clock {
  public:
    // Virtual time starts at zero; the wall clock at `wallStart`.
    explicit ManualLoop(Date wallStart = Date{std::chrono::seconds{1'765'000'000}});
    ManualLoop(const ManualLoop&) = delete;
    ManualLoop& operator=(const ManualLoop&) = delete;

    // MainQueue
    void post(Task task) override;
    TimerId postAfter(Duration delay, Task task) override;
    TimerId startRepeating(Duration interval, Task task) override;
    void cancel(TimerId id) override;
    bool isMainThread() const override;

    // Clock. sleepFor moves virtual time forward at once and records the sleep.
    TimePoint now() const override;
    Date wallNow() const override;
    void sleepFor(Duration duration) override;

    // Runs every task due now, including those they post for now. Returns how many ran.
    std::size_t runPending();
    // Moves time forward by `duration`, running each task when its time comes, in time order.
    std::size_t advance(Duration duration);
    // Advances to the next due task and runs everything due then; false when nothing is queued.
    bool runNext();
    // Tasks and timers still queued (repeating timers count until cancelled).
    std::size_t pendingCount() const;
    // Time until the earliest queued task, if any.
    std::optional<Duration> nextDelay() const;
    // The sleeps made through sleepFor, in order.
    std::vector<Duration> sleeps() const;
    void clearSleeps();

  private:
    struct Entry {
        TimerId id;
        Duration interval;  // zero for one-shot tasks
        std::shared_ptr<Task> task;
    };
    using Key = std::pair<TimePoint, std::uint64_t>;  // due time, then posting order

    TimerId schedule(Duration delay, Duration interval, Task task);
    std::size_t runUntil(TimePoint target);

    mutable std::mutex mutex_;
    std::thread::id mainThread_;
    TimePoint now_{};
    Date wallStart_;
    std::uint64_t sequence_ = 0;
    TimerId nextId_ = 1;
    std::map<Key, Entry> queue_;
    std::vector<Duration> sleeps_;
};

}  // namespace vantrel
