// Installing, replacing and removing the one press handler under a lock of its own.
#include "platform/api/PressHandlerSlot.h"

namespace vantrel {

Subscription PressHandlerSlot::install(HotkeySystem::PressHandler handler) {
    auto installed = std::make_shared<HotkeySystem::PressHandler>(std::move(handler));
    {
        std::lock_guard lock(mutex_);
        handler_ = installed;
    }
    return Subscription([this, weak = std::weak_ptr<HotkeySystem::PressHandler>(installed)] {
        std::lock_guard lock(mutex_);
        if (handler_ == weak.lock()) handler_.reset();
    });
}

std::shared_ptr<HotkeySystem::PressHandler> PressHandlerSlot::current() const {
    std::lock_guard lock(mutex_);
    return handler_;
}

}  // namespace vantrel
