// poll(2)-driven main loop.
#include "base/PollLoop.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

namespace vantrel {

PollLoop::PollLoop(const Clock& clock) : clock_(clock) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead_ = fds[0];
        wakeWrite_ = fds[1];
    }
}

PollLoop::~PollLoop() {
    if (wakeRead_ >= 0) ::close(wakeRead_);
    if (wakeWrite_ >= 0) ::close(wakeWrite_);
}

void PollLoop::post(Task task) {
    schedule(Duration::zero(), Duration::zero(), std::move(task));
}

TimerId PollLoop::postAfter(Duration delay, Task task) {
    return schedule(std::max(delay, Duration::zero()), Duration::zero(), std::move(task));
}

TimerId PollLoop::startRepeating(Duration interval, Task task) {
    const auto step = std::max(interval, Duration{std::chrono::milliseconds{1}});
    return schedule(step, step, std::move(task));
}

TimerId PollLoop::schedule(Duration delay, Duration interval, Task task) {
    TimerId id;
    {
        std::lock_guard lock(mutex_);
        id = nextId_++;
        timers_.emplace(Key{clock_.now() + delay, sequence_++},
                        Timer{id, interval, std::make_shared<Task>(std::move(task))});
    }
    wake();
    return id;
}

void PollLoop::cancel(TimerId id) {
    std::lock_guard lock(mutex_);
    std::erase_if(timers_, [id](const auto& item) { return item.second.id == id; });
}

bool PollLoop::isMainThread() const {
    return std::this_thread::get_id() == mainThread_.load();
}

Subscription PollLoop::watchReadable(int fd, std::function<void()> onReadable) {
    std::uint64_t id;
    {
        std::lock_guard lock(mutex_);
        id = sequence_++;
        watches_.push_back(
            {id, fd, std::make_shared<std::function<void()>>(std::move(onReadable))});
    }
    wake();
    return Subscription([this, id] {
        std::lock_guard lock(mutex_);
        std::erase_if(watches_, [id](const Watch& w) { return w.id == id; });
    });
}

void PollLoop::wake() {
    if (wakeWrite_ < 0) return;
    const char byte = 1;
    // A full pipe already guarantees a wake-up, so EAGAIN is fine.
    [[maybe_unused]] auto written = ::write(wakeWrite_, &byte, 1);
}

void PollLoop::quit() {
    quit_ = true;
    wake();
}

void PollLoop::run() {
    loop(std::nullopt);
}

void PollLoop::runFor(Duration limit) {
    loop(clock_.now() + limit);
}

void PollLoop::loop(std::optional<TimePoint> deadline) {
    mainThread_ = std::this_thread::get_id();
    while (!quit_.exchange(false)) {
        // Run every timer that is due.
        for (;;) {
            Timer timer;
            {
                std::lock_guard lock(mutex_);
                if (timers_.empty() || timers_.begin()->first.first > clock_.now()) break;
                auto it = timers_.begin();
                timer = std::move(it->second);
                const auto due = it->first.first;
                timers_.erase(it);
                if (timer.interval > Duration::zero())
                    timers_.emplace(Key{std::max(due + timer.interval, clock_.now()), sequence_++},
                                    timer);
            }
            (*timer.task)();
            if (quit_.load()) return (void)quit_.exchange(false);
        }
        const auto now = clock_.now();
        if (deadline && now >= *deadline) return;

        std::vector<pollfd> fds;
        std::vector<std::shared_ptr<std::function<void()>>> callbacks;
        int timeoutMs = -1;
        {
            std::lock_guard lock(mutex_);
            if (!timers_.empty()) {
                const auto wait = timers_.begin()->first.first - now;
                timeoutMs = static_cast<int>(
                    std::chrono::ceil<std::chrono::milliseconds>(std::max(wait, Duration::zero()))
                        .count());
            }
            fds.push_back({wakeRead_, POLLIN, 0});
            for (const auto& watch : watches_) {
                fds.push_back({watch.fd, POLLIN, 0});
                callbacks.push_back(watch.callback);
            }
        }
        if (deadline) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - now).count();
            timeoutMs = timeoutMs < 0 ? static_cast<int>(left)
                                      : std::min(timeoutMs, static_cast<int>(left));
        }
        const int ready = ::poll(fds.data(), static_cast<nfds_t>(fds.size()), timeoutMs);
        if (ready < 0 && errno != EINTR) return;
        if (ready <= 0) continue;
        if (fds[0].revents != 0) {
            char buffer[64];
            while (::read(wakeRead_, buffer, sizeof buffer) > 0) {
            }
        }
        for (std::size_t i = 1; i < fds.size(); ++i)
            if (fds[i].revents != 0) (*callbacks[i - 1])();
    }
}

}  // namespace vantrel
