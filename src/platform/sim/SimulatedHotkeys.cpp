// In-memory global hotkeys.
#include "platform/sim/SimulatedHotkeys.h"

namespace vantrel {

Subscription SimulatedHotkeys::installPressHandler(PressHandler handler) {
    return pressHandler_.install(std::move(handler));
}

HotkeyRegistration SimulatedHotkeys::registerHotkey(std::uint32_t keyCode,
                                                    std::uint32_t modifierMask, HotkeyID id) {
    std::lock_guard lock(mutex_);
    if (refuseStatus_ != 0) return {refuseStatus_, std::nullopt};
    const Combo combo{keyCode, modifierMask};
    if (heldElsewhere_.contains(combo)) return {hotkey_status::kHotkeyExists, std::nullopt};
    for (const auto& [ref, registration] : registrations_)
        if (registration.keyCode == keyCode && registration.modifierMask == modifierMask)
            return {hotkey_status::kHotkeyExists, std::nullopt};
    const HotkeyRef ref = nextRef_++;
    registrations_.emplace(ref, Registered{keyCode, modifierMask, id});
    return {hotkey_status::kNoError, ref};
}

int SimulatedHotkeys::unregisterHotkey(HotkeyRef ref) {
    std::lock_guard lock(mutex_);
    ++unregisterCalls_;
    return registrations_.erase(ref) == 1 ? hotkey_status::kNoError : hotkey_status::kInvalidHotkey;
}

int SimulatedHotkeys::press(std::uint32_t keyCode, std::uint32_t modifierMask) {
    std::optional<HotkeyID> id;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [ref, registration] : registrations_)
            if (registration.keyCode == keyCode && registration.modifierMask == modifierMask)
                id = registration.id;
    }
    if (!id) return hotkey_status::kEventNotHandled;
    return pressIdentifier(id);
}

int SimulatedHotkeys::pressIdentifier(std::optional<HotkeyID> id) {
    std::shared_ptr<PressHandler> handler;
    {
        std::lock_guard lock(mutex_);
        handler = pressHandler_.current();
    }
    if (!handler) return hotkey_status::kEventNotHandled;
    return (*handler)(id);
}

void SimulatedHotkeys::holdElsewhere(std::uint32_t keyCode, std::uint32_t modifierMask) {
    std::lock_guard lock(mutex_);
    heldElsewhere_.insert({keyCode, modifierMask});
}

std::string SimulatedHotkeys::keyLabel(std::uint16_t keyCode) {
    std::lock_guard lock(mutex_);
    const auto it = labels_.find(keyCode);
    return it != labels_.end() ? it->second : std::string();
}

Subscription SimulatedHotkeys::onKeyboardChanged(std::function<void()> handler) {
    return keyboardObservers_.add(std::move(handler));
}

void SimulatedHotkeys::changeKeyboard(std::map<std::uint16_t, std::string> labels) {
    {
        std::lock_guard lock(mutex_);
        labels_ = std::move(labels);
    }
    keyboardObservers_.notify();
}

void SimulatedHotkeys::refuseAll(int status) {
    std::lock_guard lock(mutex_);
    refuseStatus_ = status;
}

std::vector<SimulatedHotkeys::Registered> SimulatedHotkeys::registered() const {
    std::lock_guard lock(mutex_);
    std::vector<Registered> result;
    for (const auto& [ref, registration] : registrations_) result.push_back(registration);
    return result;
}

bool SimulatedHotkeys::handlerInstalled() const {
    return pressHandler_.current() != nullptr;
}

int SimulatedHotkeys::unregisterCalls() const {
    std::lock_guard lock(mutex_);
    return unregisterCalls_;
}

}  // namespace vantrel
