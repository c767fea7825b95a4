// An observable value: observers hear of a change before it takes effect (and, if they ask, after).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "base/Subscription.h"

namespace vantrel {

template <typename T>
class Published {
  public:
    using Observer = std::function<void(const T& newValue)>;

    explicit Published(T initial = T{}) : state_(std::make_shared<State>()) {
        state_->value = std::move(initial);
    }
    Published(const Published&) = delete;
    Published& operator=(const Published&) = delete;

    // The current value; safe from any thread.
    T get() const {
        std::lock_guard lock(state_->mutex);
        return state_->value;
    }

    // Announces the new value to the will-change observers, stores it, then tells the
    // did-change observers. Every assignment is announced, even of an equal value.
    void set(T newValue) {
        for (const auto& observer : snapshot(false)) (*observer)(newValue);
        {
            std::lock_guard lock(state_->mutex);
            state_->value = newValue;
        }
        for (const auto& observer : snapshot(true)) (*observer)(newValue);
    }

    // Called with the coming value while get() still returns the old one.
    [[nodiscard]] Subscription onWillChange(Observer observer) {
        return add(false, std::move(observer));
    }
    // Called with the new value once it is stored.
    [[nodiscard]] Subscription onDidChange(Observer observer) {
        return add(true, std::move(observer));
    }

  private:
    struct Entry {
        std::uint64_t id;
        bool after;
        std::shared_ptr<Observer> observer;
    };
    struct State {
        mutable std::mutex mutex;
        T value{};
        std::vector<Entry> entries;
        std::uint64_t nextId = 1;
    };

    Subscription add(bool after, Observer observer) {
        std::lock_guard lock(state_->mutex);
        const auto id = state_->nextId++;
        state_->entries.push_back({id, after, std::make_shared<Observer>(std::move(observer))});
        std::weak_ptr<State> weak = state_;
        return Subscription([weak, id] {
            if (auto state = weak.lock()) {
                std::lock_guard guard(state->mutex);
                std::erase_if(state->entries, [id](const Entry& e) { return e.id == id; });
            }
        });
    }

    std::vector<std::shared_ptr<Observer>> snapshot(bool after) const {
        std::lock_guard lock(state_->mutex);
        std::vector<std::shared_ptr<Observer>> result;
        for (const auto& entry : state_->entries)
            if (entry.after == after) result.push_back(entry.observer);
        return result;
    }

    std::shared_ptr<State> state_;
};

}  // namespace vantrel
