// System-wide hotkeys for the layouts' and the presets' shortcuts, rebuilt whenever either changes.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "automation/LayoutCommands.h"
#include "automation/LayoutManager.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "base/NotificationCenter.h"
#include "base/Published.h"
#include "base/Subscription.h"
#include "model/PreferencesStore.h"
#include "platform/api/HotkeySystem.h"

namespace vantrel {

// Who a shortcut belongs to: a layout, by its id, or a preset position.
using ShortcutOwner = std::variant<Uuid, PresetLayout>;

// Why a combination cannot be, or is not, a working global shortcut.
struct ShortcutProblem {
    enum class Kind { none, noModifier, usedByLayout, usedByPreset, heldElsewhere, refused };
    Kind kind = Kind::none;
    // The other layout's or preset's name, for usedByLayout and usedByPreset.
    std::string otherName;

    explicit operator bool() const { return kind != Kind::none; }
    // What the user reads: "Another program uses this shortcut", "Used by the layout Work".
    std::string text() const;
    friend bool operator==(const ShortcutProblem&, const ShortcutProblem&) = default;
};

// A stored shortcut that the last registration could not make work.
struct ShortcutFailure {
    ShortcutOwner owner;
    std::uint16_t keyCode = 0;
    std::uint64_t modifiers = 0;
    ShortcutProblem problem;
    friend bool operator==(const ShortcutFailure&, const ShortcutFailure&) = default;
};

class HotkeyService {
  public:
    using Action = std::function<void()>;

    HotkeyService(HotkeySystem& hotkeys, LayoutManager& layoutManager, LayoutCommands& commands,
                  PreferencesStore& preferences, MainQueue& mainQueue,
                  NotificationCenter& notifications, Log& log);
    HotkeyService(const HotkeyService&) = delete;
    HotkeyService& operator=(const HotkeyService&) = delete;
    // Stops observing, releases every hotkey and removes the press handler.
    ~HotkeyService();

    // Installs the press handler, registers every shortcut and starts following changes. Main
    // thread; runs once.
    void start();

    // Registers one combination; the action runs on the main queue when it is pressed. Returns
    // the hotkey's id, or nothing when the facility refused it (logged).
    std::optional<std::uint32_t> registerHotkey(std::uint16_t keyCode, std::uint64_t modifiers,
                                                Action action);
    void unregisterAll();
    void registerLayoutHotkeys();
    void registerPresetHotkeys();
    // The rebuild: layouts in list order, then presets; a combination that stays keeps its
    // registration, every other hotkey is released.
    void shortcutsDidChange();

    // The stored modifier flags as the hotkey facility's modifier mask.
    static std::uint32_t carbonModifiers(std::uint64_t modifiers);

    // Whether `owner` may take this combination: it needs Control, Option or Command (F1-F12
    // aside), no other layout or preset may have it, and no other program may hold it.
    ShortcutProblem check(std::uint16_t keyCode, std::uint64_t modifiers,
                          const ShortcutOwner& owner);
    // Releases every hotkey until the last returned subscription ends, then registers them all
    // again: a recorder must hear every combination, and none may restore a layout meanwhile.
    [[nodiscard]] Subscription suspend();
    bool isSuspended() const { return suspensions_ > 0; }

    // Set after every registration of all shortcuts (at start, on every change of the layouts,
    // the preset shortcuts or the keyboard), even when it stays the same.
    Published<std::vector<ShortcutFailure>> failures;
    std::optional<ShortcutProblem> failureOf(const ShortcutOwner& owner) const;

    // The shortcut's text, with the key as the user's keyboard layout labels it.
    std::string shortcutText(std::uint16_t keyCode, std::uint64_t modifiers) const;
    // The key code of the key a UI key event came from; none when the platform cannot tell.
    std::optional<std::uint16_t> keyCodeOfNativeKey(std::uint32_t nativeKey) const;

    std::uint32_t nextHotKeyID() const { return nextHotKeyID_; }
    // Ids registered now, ascending.
    std::vector<std::uint32_t> registeredIDs() const;

  private:
    // Shared with the press handler, which may run on any thread and outlive the service.
    struct Registry {
        mutable std::mutex lock;
        std::map<std::uint32_t, HotkeyRef> hotKeyRefs;
        std::map<std::uint32_t, std::shared_ptr<Action>> callbacks;
    };

    static int handlePress(const std::shared_ptr<Registry>& registry, MainQueue& mainQueue,
                           std::optional<HotkeyID> id);
    // A combination as the facility tells them apart.
    using Combo = std::pair<std::uint16_t, std::uint32_t>;
    // Registers a stored shortcut, or records and logs why it does not work.
    void registerShortcut(const ShortcutOwner& owner, const std::string& ownerName,
                          std::uint16_t keyCode, std::uint64_t modifiers, Action action);
    std::optional<std::uint32_t> registerHotkey(std::uint16_t keyCode, std::uint64_t modifiers,
                                                Action action, int& status);
    struct Registered;
    // Releases every hotkey except those of `keep`.
    void releaseAllBut(const std::map<Combo, Registered>& keep);

    HotkeySystem& hotkeys_;
    LayoutManager& layoutManager_;
    PreferencesStore& preferences_;
    LayoutCommands& commands_;
    MainQueue& mainQueue_;
    NotificationCenter& notifications_;
    Log& log_;
    std::shared_ptr<Registry> registry_;
    std::uint32_t nextHotKeyID_ = 1;  // never reused, never reset
    Subscription eventHandler_;
    Subscriptions observers_;
    bool started_ = false;
    int suspensions_ = 0;
    struct Registered {
        ShortcutOwner owner;
        std::string ownerName;
        std::uint32_t id = 0;
    };
    // The stored shortcuts registered now; during a rebuild, those registered before it.
    std::map<Combo, Registered> registered_;
    std::map<Combo, Registered> previous_;
    std::vector<ShortcutFailure> pendingFailures_;
    Subscription keyboardObserver_;
    // Lets queued actions see that the service is gone.
    std::shared_ptr<HotkeyService*> self_;
};

}  // namespace vantrel
