// The global-hotkey seam: register a key combination under an id, and hear its presses.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/Subscription.h"

namespace vantrel {

// Statuses of the hotkey facility (signed, as the user sees them in the log).
namespace hotkey_status {
inline constexpr int kNoError = 0;
inline constexpr int kEventNotHandled = -9874;
// The combination is already registered (by this or another program).
inline constexpr int kHotkeyExists = -9878;
// The facility refused the combination for another reason (e.g. an unmapped key).
inline constexpr int kInvalidHotkey = -9879;
}  // namespace hotkey_status

// Hotkey modifier mask bits (what registrations carry, translated from the stored flags).
namespace hotkey_modifier {
inline constexpr std::uint32_t kCommand = 0x100;
inline constexpr std::uint32_t kShift = 0x200;
inline constexpr std::uint32_t kOption = 0x800;
inline constexpr std::uint32_t kControl = 0x1000;
}  // namespace hotkey_modifier

// The program's signature in every hotkey identifier.
inline constexpr std::uint32_t kHotkeySignature = 0x564E5400;

struct HotkeyID {
    std::uint32_t signature = kHotkeySignature;
    std::uint32_t id = 0;
    friend bool operator==(const HotkeyID&, const HotkeyID&) = default;
};

// The facility's handle of one registered hotkey.
using HotkeyRef = std::uint64_t;

struct HotkeyRegistration {
    int status = hotkey_status::kNoError;
    std::optional<HotkeyRef> ref;  // present only when the registration took effect
};

class HotkeySystem {
  public:
    // Receives a press; returns kNoError when handled, kEventNotHandled otherwise.
    // A press whose identifier could not be read arrives as nullopt.
    using PressHandler = std::function<int(std::optional<HotkeyID>)>;

    virtual ~HotkeySystem() = default;

    // Installs the one press handler; presses may arrive on any thread while it is installed.
    [[nodiscard]] virtual Subscription installPressHandler(PressHandler handler) = 0;
    // Registers a combination: virtual key code and hotkey modifier mask.
    virtual HotkeyRegistration registerHotkey(std::uint32_t keyCode, std::uint32_t modifierMask,
                                              HotkeyID id) = 0;
    // Releases a registration; returns the facility's status.
    virtual int unregisterHotkey(HotkeyRef ref) = 0;

    // The keyboard. Stored key codes name key positions, whatever the keyboard layout prints on
    // them. The key code of the key a key event of the UI came from (its native scan code); none
    // when this facility does not know it.
    virtual std::optional<std::uint16_t> keyCodeOfNativeKey(std::uint32_t /*nativeKey*/) {
        return std::nullopt;
    }
    // What the user's keyboard layout prints on that key ("Z" on the Y key of a German
    // keyboard); empty for keys named the same everywhere, or when it is not known.
    virtual std::string keyLabel(std::uint16_t /*keyCode*/) { return {}; }
    // Calls `handler` on the main queue after the keyboard layout or its keys changed.
    [[nodiscard]] virtual Subscription onKeyboardChanged(std::function<void()> /*handler*/) {
        return {};
    }
};

}  // namespace vantrel
