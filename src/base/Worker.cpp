// Worker threads for blocking work.
#include "base/Worker.h"

namespace vantrel {

ThreadWorker::~ThreadWorker() {
    waitIdle();
    std::lock_guard lock(mutex_);
    joinFinishedLocked();
}

void ThreadWorker::run(Task task) {
    std::lock_guard lock(mutex_);
    // Finished threads are joined here so a long-running app does not collect them.
    joinFinishedLocked();
    auto& job = jobs_.emplace_back();
    job.thread = std::thread([this, &job, task = std::move(task)] {
        task();
        std::lock_guard inner(mutex_);
        job.done = true;
        idle_.notify_all();
    });
}

void ThreadWorker::waitIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] {
        for (const auto& job : jobs_)
            if (!job.done) return false;
        return true;
    });
}

void ThreadWorker::joinFinishedLocked() {
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        if (it->done) {
            it->thread.join();
            it = jobs_.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace vantrel
