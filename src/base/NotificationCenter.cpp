// Synchronous notification delivery.
#include "base/NotificationCenter.h"

#include <algorithm>

namespace vantrel {

NotificationCenter::NotificationCenter() : state_(std::make_shared<State>()) {}

NotificationCenter::~NotificationCenter() = default;

Subscription NotificationCenter::addObserver(std::string name, Observer observer) {
    std::lock_guard lock(state_->mutex);
    const auto id = state_->nextId++;
    state_->entries.push_back(
        {id, std::move(name), std::make_shared<Observer>(std::move(observer))});
    std::weak_ptr<State> weak = state_;
    return Subscription([weak, id] {
        if (auto state = weak.lock()) {
            std::lock_guard guard(state->mutex);
            std::erase_if(state->entries, [id](const Entry& e) { return e.id == id; });
        }
    });
}

void NotificationCenter::post(const std::string& name, UserInfo userInfo) {
    // Observers run without the lock held, so they may post or (un)subscribe themselves.
    std::vector<std::pair<std::uint64_t, std::shared_ptr<Observer>>> targets;
    {
        std::lock_guard lock(state_->mutex);
        for (const auto& entry : state_->entries)
            if (entry.name == name) targets.emplace_back(entry.id, entry.observer);
    }
    const Notification notification{name, std::move(userInfo)};
    for (const auto& [id, observer] : targets) {
        bool stillRegistered = false;
        {
            std::lock_guard lock(state_->mutex);
            stillRegistered = std::any_of(state_->entries.begin(), state_->entries.end(),
                                          [id = id](const Entry& e) { return e.id == id; });
        }
        // An observer removed by an earlier one during this post is not called.
        if (stillRegistered) (*observer)(notification);
    }
}

}  // namespace vantrel
