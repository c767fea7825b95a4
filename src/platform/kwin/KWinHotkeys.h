// Global shortcuts on KWin: the script registers each combination with KDE's global-shortcut
// service (kglobalaccel, inside KWin) and reports its presses; kglobalaccel says who holds a key.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "base/Log.h"
#include "platform/api/HotkeySystem.h"
#include "platform/api/PressHandlerSlot.h"
#include "platform/kwin/KWinBridge.h"

namespace vantrel::kwin {

// A stored combination as KWin takes it: the key sequence text ("Ctrl+Alt+1", what the script
// registers and KDE's Shortcuts settings show) and its Qt key code with modifiers (what
// kglobalaccel answers in).
struct KWinShortcut {
    std::string text;
    int qtKey = 0;
};
// None for a key code without a KWin name.
std::optional<KWinShortcut> kwinShortcut(std::uint32_t keyCode, std::uint32_t modifierMask);

// Each combination is one action of KWin's component, named after its keys, so a combination
// registered again (after an unregister, or in the next run) finds its own action. KWin scripts
// cannot unregister an action: an unregistered one stays with KWin, silent, until Vantrel's script
// is unloaded at quit.
class KWinHotkeys final : public HotkeySystem {
  public:
    KWinHotkeys(Log& log, KWinBridge& bridge);

    // Hears the script's presses; after the bridge started.
    void start();

    [[nodiscard]] Subscription installPressHandler(PressHandler handler) override;
    // Blocks until the script answered (main thread, never the bridge's).
    HotkeyRegistration registerHotkey(std::uint32_t keyCode, std::uint32_t modifierMask,
                                      HotkeyID id) override;
    int unregisterHotkey(HotkeyRef ref) override;

  private:
    struct Registration {
        KWinShortcut shortcut;
        HotkeyID id;
        bool active = true;
    };

    // Who else holds the key in kglobalaccel ("component: action"); none when it is free or ours.
    std::optional<std::string> holderOf(const KWinShortcut& shortcut) const;
    // Whether kglobalaccel gave our action its key (it gives none to a second claimant).
    bool holdsKey(const KWinShortcut& shortcut) const;
    void onPress(const std::string& name);

    Log& log_;
    KWinBridge& bridge_;
    Subscription presses_;
    Subscription scriptStarts_;
    std::mutex mutex_;
    // Every action registered in this run, released ones included: they still hold their keys.
    std::map<HotkeyRef, Registration> registrations_;
    HotkeyRef nextRef_ = 1;
    std::set<std::string> toldReleased_;
    PressHandlerSlot pressHandler_;
    // Set when the script did not answer, so the next registrations do not each wait for it;
    // cleared when the script (re)starts.
    bool silent_ = false;
};

}  // namespace vantrel::kwin
