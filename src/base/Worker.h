// Runs blocking work off the main thread (the restore); tests run it inline instead.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <list>

namespace vantrel {

class Worker {
public:
    using Task = std::function<void()>;
    virtual ~Worker() = default;
    // Starts the task; it may run on another thread and must not touch main-thread state directly.
    virtual void run(Task task) = 0;
};

// Runs each task on a thread of its own; the destructor waits for all of them.
class ThreadWorker final : public Worker {
public:
    ThreadWorker() = default;
    ThreadWorker(const ThreadWorker&) = delete;
    ThreadWorker& operator=(const ThreadWorker&) = delete;
    ~ThreadWorker() override;

    void run(Task task) override;
    // Waits until every task started so far has finished.
    void waitIdle();

private:
    struct Job {
        std::thread thread;
        bool done = false;
    };
    void joinFinishedLocked();

    std::mutex mutex_;
    std::condition_variable idle_;
    std::list<Job> jobs_;
};

// Runs each task at once on the calling thread.
class InlineWorker final : public Worker {
public:
    void run(Task task) override { task(); }
};

}  // namespace vantrel
