// A handle that ends an observation when it is destroyed or reset.
#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace vantrel {

class Subscription {
  public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    Subscription(Subscription&& other) noexcept : cancel_(std::exchange(other.cancel_, {})) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            reset();
            cancel_ = std::exchange(other.cancel_, {});
        }
        return *this;
    }
    ~Subscription() { reset(); }

    void reset() {
        if (cancel_) std::exchange(cancel_, {})();
    }
    bool active() const { return static_cast<bool>(cancel_); }

  private:
    std::function<void()> cancel_;
};

// A set of subscriptions dropped together ("cancellables").
using Subscriptions = std::vector<Subscription>;

}  // namespace vantrel
