// Named notifications delivered synchronously, on the posting thread, to every observer.
#pragma once

#include <any>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/Subscription.h"

namespace vantrel {

// Extra values that travel with a notification, by key.
using UserInfo = std::map<std::string, std::any, std::less<>>;

struct Notification {
    std::string name;
    UserInfo userInfo;
};

class NotificationCenter {
  public:
    using Observer = std::function<void(const Notification&)>;

    NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;
    ~NotificationCenter();

    // Calls the observer for every later post of `name` until the subscription ends.
    [[nodiscard]] Subscription addObserver(std::string name, Observer observer);
    // Delivers to the observers registered now, in registration order, before returning.
    void post(const std::string& name, UserInfo userInfo = {});

  private:
    struct Entry {
        std::uint64_t id;
        std::string name;
        std::shared_ptr<Observer> observer;
    };
    struct State {
        std::mutex mutex;
        std::vector<Entry> entries;
        std::uint64_t nextId = 1;
    };
    // Shared with the subscriptions, so one that outlives the centre stays harmless.
    std::shared_ptr<State> state_;
};

}  // namespace vantrel
