// Global key combinations on GNOME Shell: the extension grabs each one as an accelerator
// (Mutter's grab_accelerator) and signals its presses.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "base/Log.h"
#include "platform/api/HotkeySystem.h"
#include "platform/api/PressHandlerSlot.h"
#include "platform/gnome/GnomeShell.h"

namespace vantrel::gnome {

// A stored combination as the Shell reads an accelerator ("<Control><Alt>1"); none for a key
// code without a name there.
std::optional<std::string> gnomeAccelerator(std::uint32_t keyCode, std::uint32_t modifierMask);

// The Shell drops every grab when the extension is turned off (the screen locked): when it comes
// back, each registration is grabbed again, under the Shell's new action number.
class GnomeHotkeys final : public HotkeySystem {
  public:
    GnomeHotkeys(Log& log, GnomeShell& shell);

    // The handlers' part (the shell client's thread).
    void appeared();
    void activated(std::uint32_t action);

    [[nodiscard]] Subscription installPressHandler(PressHandler handler) override;
    HotkeyRegistration registerHotkey(std::uint32_t keyCode, std::uint32_t modifierMask,
                                      HotkeyID id) override;
    int unregisterHotkey(HotkeyRef ref) override;

  private:
    struct Registration {
        std::string accelerator;
        HotkeyID id;
        std::uint32_t action = 0;  // the Shell's; 0 while not grabbed
    };
    // The Shell's action for the accelerator; 0 when it refused (logged).
    std::pair<int, std::uint32_t> grab(const std::string& accelerator);

    Log& log_;
    GnomeShell& shell_;
    std::mutex mutex_;
    std::map<HotkeyRef, Registration> registrations_;
    HotkeyRef nextRef_ = 1;
    PressHandlerSlot pressHandler_;
};

}  // namespace vantrel::gnome
