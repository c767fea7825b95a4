// The one press handler a hotkey facility holds, shared with the threads presses arrive on.
#pragma once

#include <memory>
#include <mutex>

#include "base/Subscription.h"
#include "platform/api/HotkeySystem.h"

namespace vantrel {

class PressHandlerSlot {
  public:
    // Replaces the handler installed before; ending the subscription removes only this one.
    // The slot outlives its subscriptions.
    [[nodiscard]] Subscription install(HotkeySystem::PressHandler handler);
    // The handler installed now, kept alive for the call; null when none is.
    std::shared_ptr<HotkeySystem::PressHandler> current() const;

  private:
    mutable std::mutex mutex_;
    std::shared_ptr<HotkeySystem::PressHandler> handler_;
};

}  // namespace vantrel
