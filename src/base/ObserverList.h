// A thread-safe list of callbacks: add one for a Subscription, then call them all now or later.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "base/MainQueue.h"
#include "base/Subscription.h"

namespace vantrel {

template <typename... Args>
class ObserverList {
  public:
    using Handler = std::function<void(const Args&...)>;

    ObserverList() : state_(std::make_shared<State>()) {}
    ObserverList(const ObserverList&) = delete;
    ObserverList& operator=(const ObserverList&) = delete;

    // Calls `handler` for every later notification until the subscription ends. The
    // subscription may outlive the list.
    [[nodiscard]] Subscription add(Handler handler) {
        std::lock_guard lock(state_->mutex);
        const auto id = state_->nextId++;
        state_->handlers.emplace(id, std::make_shared<Handler>(std::move(handler)));
        return Subscription([weak = std::weak_ptr<State>(state_), id] {
            if (auto state = weak.lock()) {
                std::lock_guard guard(state->mutex);
                state->handlers.erase(id);
            }
        });
    }

    // Calls every handler on the calling thread, without the lock held.
    void notify(const Args&... args) const {
        for (const auto& [id, handler] : snapshot()) (*handler)(args...);
    }

    // Calls every handler later on the main queue; one whose subscription ended meanwhile is
    // skipped.
    void post(MainQueue& queue, const Args&... args) const {
        for (auto& [id, handler] : snapshot()) {
            queue.post([weak = std::weak_ptr<State>(state_), id = id, handler = handler, args...] {
                const auto state = weak.lock();
                if (!state) return;
                {
                    std::lock_guard lock(state->mutex);
                    if (!state->handlers.contains(id)) return;
                }
                (*handler)(args...);
            });
        }
    }

    bool empty() const {
        std::lock_guard lock(state_->mutex);
        return state_->handlers.empty();
    }

  private:
    struct State {
        std::mutex mutex;
        std::uint64_t nextId = 1;
        std::map<std::uint64_t, std::shared_ptr<Handler>> handlers;
    };

    std::vector<std::pair<std::uint64_t, std::shared_ptr<Handler>>> snapshot() const {
        std::lock_guard lock(state_->mutex);
        return {state_->handlers.begin(), state_->handlers.end()};
    }

    std::shared_ptr<State> state_;
};

}  // namespace vantrel
