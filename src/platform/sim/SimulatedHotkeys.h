// A global-hotkey facility in memory: refuses taken combinations and delivers simulated presses.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "base/ObserverList.h"
#include "platform/api/HotkeySystem.h"
#include "platform/api/PressHandlerSlot.h"

namespace vantrel {

class SimulatedHotkeys final : public HotkeySystem {
  public:
    struct Registered {
        std::uint32_t keyCode;
        std::uint32_t modifierMask;
        HotkeyID id;
    };

    // HotkeySystem
    Subscription installPressHandler(PressHandler handler) override;
    HotkeyRegistration registerHotkey(std::uint32_t keyCode, std::uint32_t modifierMask,
                                      HotkeyID id) override;
    int unregisterHotkey(HotkeyRef ref) override;
    std::string keyLabel(std::uint16_t keyCode) override;
    Subscription onKeyboardChanged(std::function<void()> handler) override;

    // Control: what tests use to set up and observe the facility.
    // Presses a combination; returns the handler's status, or kEventNotHandled when no
    // registration or no handler takes it. Safe from any thread.
    int press(std::uint32_t keyCode, std::uint32_t modifierMask);
    // Delivers a press carrying this identifier, registered or not.
    int pressIdentifier(std::optional<HotkeyID> id);
    // Another program holds this combination: registering it is refused.
    void holdElsewhere(std::uint32_t keyCode, std::uint32_t modifierMask);
    // The user switched keyboard layouts: keys get these labels, and the change is announced
    // at once.
    void changeKeyboard(std::map<std::uint16_t, std::string> labels);
    // Refuse every registration with this status (0 = accept again).
    void refuseAll(int status);
    std::vector<Registered> registered() const;
    bool handlerInstalled() const;
    int unregisterCalls() const;

  private:
    using Combo = std::pair<std::uint32_t, std::uint32_t>;

    mutable std::mutex mutex_;
    PressHandlerSlot pressHandler_;
    std::map<HotkeyRef, Registered> registrations_;
    std::set<Combo> heldElsewhere_;
    HotkeyRef nextRef_ = 1;
    int refuseStatus_ = 0;
    int unregisterCalls_ = 0;
    std::map<std::uint16_t, std::string> labels_;
    ObserverList<> keyboardObservers_;
};

}  // namespace vantrel
